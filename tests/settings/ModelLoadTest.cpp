#include "settings/ModelLoad.h"

#include "platform/linux/SqliteRegistryStore.h"
#include "support/FakeMainWindowView.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>

namespace {

const std::string pound = "\xC2\xA3";
const std::string Root = "Software\\Orvane\\Tallydial\\";

struct Value {
    std::string Section, Name, Text;
};

// Every value of a profile with the text of its default, on 2 December 2026 in the point locale.
std::vector<Value> Defaults() {
    const std::pair<const char*, const char*> sections[] = {
        {"Charges", "MinCharge=0;FailCharge=0;AskBeforeChanging=1;Name1=Daytime;Name2=Evening;Name3=Weekend;"
                    "Name4=Rate 4;Name5=Rate 5;Amount1=0.01;Amount2=0.02;Amount3=0.03;Amount4=0.04;"
                    "Amount5=0.05;FromDay1=1;ToDay1=5;BeforeHour1=18;AfterHour1=8;FromDay2=1;ToDay2=5;"
                    "BeforeHour2=8;AfterHour2=18;FromDay3=6;ToDay3=7;BeforeHour3=0;AfterHour3=0;FromDay4=1;"
                    "ToDay4=7;BeforeHour4=0;AfterHour4=0;FromDay5=1;ToDay5=7;BeforeHour5=0;AfterHour5=0"},
        {"Alarm", "Alarm=3;Money=0;Time=0;ISPAlarm=False;AutoDisconnect=0;AutoDisconnectTime=25;Total=1;"
                  "AlarmSounded=False"},
        {"Log", "Enabled=True;Comments=False;LogFails=True"},
        {"Misc", "LastChargeRate=1;Auto=-1;ConnectionDetectMode=2;HideOnStart=0;HideOnLogon=0"},
        {"Country", "Double=\xC2\xA3"},
        {"TaskBar", "Display=2;From=2"},
        {"ISP Charges",
         "UnlimitedTime=-1;FreeTimePerMonth=0;CostPerHour=0;ResetDay=1;FreeTimeLeft=0;LastReset=0"},
        {"CumulativeTotal", "Time=0;Money=0;LastReset=46358"}};
    std::vector<Value> values;
    for (const auto& [section, list] : sections) {
        std::istringstream entries(list);
        for (std::string entry; std::getline(entries, entry, ';');)
            values.push_back({section, entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1)});
    }
    return values;
}

class ModelLoadTest : public testing::Test {
protected:
    ModelLoadTest() {
        m_store = SqliteRegistryStore::Open(m_folder.Path() / "registry.db", m_clock).Store;
        g.Profiles.NumOfProfiles = 1;
        g.Profiles.ProfileNames = {"", "Default"};
        g.Profiles.CurrentProfile = 1;
        g.Profiles.ProfileSelected = true;
    }

    void Load() {
        const Settings settings(*m_store, m_locale, g.Profiles);
        LoadModel(g, settings, m_clock, m_ui, m_view);
    }
    // A later run: a fresh model over the same store.
    void Reload() {
        const ProfileList profiles = g.Profiles;
        g = Globals{};
        g.Profiles = profiles;
        Load();
    }

    // Paths are below the program's key.
    std::optional<std::string> Stored(const std::string& path, const std::string& name) {
        RegistryValue value;
        if (m_store->QueryValue(HKEY_LOCAL_MACHINE, Root + path, name, value) != ERROR_SUCCESS)
            return std::nullopt;
        return value.Data.empty() ? std::string() : std::string(value.Data.begin(), value.Data.end() - 1);
    }
    void Store(const std::string& path, const std::string& name, const std::string& text,
               std::uint32_t type = REG_SZ) {
        std::vector<std::uint8_t> data(text.begin(), text.end());
        if (type == REG_SZ) data.push_back(0);
        ASSERT_EQ(m_store->SetValue(HKEY_LOCAL_MACHINE, Root + path, name, type, data), ERROR_SUCCESS);
    }
    void StoreEveryValue(const std::string& text, std::uint32_t type = REG_SZ) {
        for (const Value& v : Defaults())
            Store("Default\\" + v.Section, v.Name, text, type);
    }

    TempFolder m_folder;
    FakeClock m_clock; // Wednesday 2 December 2026, 10:00
    Locale m_locale = Locale::DecimalPoint();
    std::unique_ptr<SqliteRegistryStore> m_store;
    ScriptedUserInterface m_ui;
    FakeMainWindowView m_view;
    Globals g;
};

TEST_F(ModelLoadTest, FirstLoadCreatesEveryValueWithItsDefault) {
    Load();
    for (const Value& v : Defaults())
        EXPECT_EQ(Stored("Default\\" + v.Section, v.Name), std::optional<std::string>(v.Text))
            << v.Section << "\\" << v.Name;
    EXPECT_EQ(Stored("Default", "Base"), std::optional<std::string>(""));
    EXPECT_TRUE(m_ui.Messages.empty());

    EXPECT_EQ(m_view.RateList,
              (std::vector<std::string>{"Daytime", "Evening", "Weekend", "Rate 4", "Rate 5"}));
    EXPECT_EQ(m_view.Rate, "Daytime");
    EXPECT_EQ(m_view.Label(MainLabel::Cost), pound + "00.01");
    EXPECT_EQ(m_view.Label(MainLabel::lblFreeTimeLeft), "Unlimited");
    EXPECT_EQ(m_view.Label(MainLabel::LblISPCostPerHour), pound + "00.00");
    EXPECT_EQ(m_view.Label(MainLabel::LastResetLabel), "02/12/2026");
    EXPECT_EQ(m_view.Label(MainLabel::CTime), "00:00:00");
    EXPECT_EQ(m_view.Label(MainLabel::lblCurrentProfile), "Default");
    EXPECT_FALSE(m_view.StartStopEnabled);
    EXPECT_EQ(m_view.StartStopCaption, "Auto");
    EXPECT_FALSE(m_view.MenuStartStopEnabled);
    EXPECT_TRUE(m_view.Visible);
    EXPECT_TRUE(m_view.TrayIconVisible);
    EXPECT_TRUE(m_view.SplashClosed);
    EXPECT_EQ(m_view.HelpFile, "tallyd.hlp");
    EXPECT_TRUE(g.TrayEnabled);
    EXPECT_TRUE(g.LogEnabled);
    EXPECT_TRUE(g.LogFails);
    EXPECT_FALSE(g.LogComments);
    EXPECT_EQ(g.DayNames[7], "Sunday");

    m_clock.Set(2026, 12, 3, 10);
    Reload();
    EXPECT_EQ(g.LastReset, DateSerial::FromCivil(2026, 12, 2)) << "the stored text, not today";
    EXPECT_TRUE(g.LogEnabled);
    EXPECT_EQ(g.Rates[5].Amount, 0.05);
    EXPECT_TRUE(m_ui.Messages.empty());
}

TEST_F(ModelLoadTest, DefaultsOfADecimalCommaLocaleReadBackInAnother) {
    m_locale = Locale::DecimalComma();
    Load();
    m_locale = Locale::DecimalPoint();
    Reload();
    EXPECT_EQ(g.Rates[2].Amount, 0.02);
    EXPECT_EQ(g.LastReset, m_clock.Today());
    m_locale = Locale::DecimalComma();
    Reload();
    EXPECT_EQ(g.Rates[2].Amount, 0.02);
    EXPECT_EQ(g.LastReset, m_clock.Today());
    EXPECT_EQ(m_view.Label(MainLabel::LastResetLabel), "02.12.2026");
    EXPECT_EQ(m_view.Label(MainLabel::Cost), pound + "00.01");
    EXPECT_TRUE(m_ui.Messages.empty());
}

TEST_F(ModelLoadTest, RateComesFromTheClockNotFromTheLastRun) {
    Store("Default\\Misc", "LastChargeRate", " 4");
    m_clock.Set(2026, 12, 2, 19, 30); // Wednesday evening
    Load();
    EXPECT_EQ(g.CurrentRate, 2);
    EXPECT_EQ(g.LastSuggestedRate, 2);
    EXPECT_EQ(m_view.Rate, "Evening");
    EXPECT_EQ(m_view.Label(MainLabel::Cost), pound + "00.02");
}

TEST_F(ModelLoadTest, EveryRunStartsWithTheAlarmArmed) {
    Store("Default\\Alarm", "AlarmSounded", " True ");
    Load();
    EXPECT_FALSE(g.AlarmSounded);
}

TEST_F(ModelLoadTest, HideOnStartKeepsTheWindowHiddenWithTheIconOn) {
    Store("Default\\Misc", "HideOnStart", "-1");
    Load();
    EXPECT_FALSE(m_view.Visible);
    EXPECT_EQ(m_view.ShowCount, 0);
    EXPECT_TRUE(m_view.TrayIconVisible);
    EXPECT_TRUE(m_view.SplashClosed);
}

TEST_F(ModelLoadTest, LayoutFollowsTheNumberOfProfiles) {
    Load();
    EXPECT_EQ(m_view.WindowHeight, 5820);
    EXPECT_EQ(m_view.FrameButtonsTop, 4560);
    EXPECT_FALSE(m_view.ProfileFrameVisible);

    g.Profiles.NumOfProfiles = 2;
    g.Profiles.ProfileNames = {"", "Default", "Work"};
    Load();
    EXPECT_EQ(m_view.WindowHeight, 6720);
    EXPECT_EQ(m_view.FrameButtonsTop, 5520);
    EXPECT_TRUE(m_view.ProfileFrameVisible);
}

TEST_F(ModelLoadTest, TwoFailingStepsGiveOneMessageAndTheWindowComesUp) {
    Store("Default\\Misc", "LastChargeRate", "99999");
    Store("Default\\Alarm", "Alarm", "1e10");
    Store("Default\\Charges", "Name1", "Peak");
    Load();
    ASSERT_EQ(m_ui.Messages.size(), 1u);
    EXPECT_EQ(m_ui.Messages[0].Prompt,
              "There has been an error #6 (Overflow) while loading (frmMain). Please contact me at "
              "support@tallydial.example");
    EXPECT_EQ(m_ui.Messages[0].Icon, MsgIcon::None);
    EXPECT_EQ(m_ui.Messages[0].Title, "Tallydial");
    EXPECT_EQ(g.AlarmKind, 0) << "the failed statement leaves the value as it was: a fresh model holds 0";
    EXPECT_EQ(g.Rates[1].Name, "Peak") << "later statements still run";
    EXPECT_TRUE(m_view.Visible);
    EXPECT_TRUE(m_view.SplashClosed);
}

TEST_F(ModelLoadTest, LimitedFreeTimeShowsTheSecondsLeft) {
    Store("Default\\ISP Charges", "UnlimitedTime", "False");
    Store("Default\\ISP Charges", "FreeTimeLeft", " 5400.5");
    Store("Default\\ISP Charges", "CostPerHour", " 1.5");
    Load();
    EXPECT_EQ(m_view.Label(MainLabel::lblFreeTimeLeft), "5400.5");
    EXPECT_EQ(m_view.Label(MainLabel::LblISPCostPerHour), pound + "01.50");
    EXPECT_FALSE(g.FreeTimeRanOut);

    Store("Default\\ISP Charges", "FreeTimeLeft", " 0");
    Load();
    EXPECT_TRUE(g.FreeTimeRanOut) << "nothing left at start: no run-out warning to come";
}

TEST_F(ModelLoadTest, NewProfileTakesItsBaseSettingsOnce) {
    g.Profiles.NumOfProfiles = 2;
    g.Profiles.ProfileNames = {"", "Home", "Work"};
    g.Profiles.CurrentProfile = 2;
    Store("Home\\Charges", "Name1", "Peak");
    Store("Work", "Base", "Home");
    Load();
    EXPECT_EQ(g.Rates[1].Name, "Peak");
    EXPECT_EQ(Stored("Work", "Base"), std::optional<std::string>(""));
}

struct BadInput {
    const char* Name;
    std::string Text;
    std::uint32_t Type;
};

class ModelLoadBadInput : public ModelLoadTest, public testing::WithParamInterface<BadInput> {};

TEST_P(ModelLoadBadInput, WindowComesUpWithAtMostOneMessage) {
    StoreEveryValue(GetParam().Text, GetParam().Type);
    Load();
    EXPECT_LE(m_ui.Messages.size(), 1u);
    EXPECT_TRUE(m_view.Visible || g.HideOnStart);
    EXPECT_TRUE(m_view.TrayIconVisible);
    EXPECT_TRUE(m_view.SplashClosed);
    EXPECT_GE(g.CurrentRate, 1);
    EXPECT_LE(g.CurrentRate, 5);
    EXPECT_EQ(m_view.RateList.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryValue, ModelLoadBadInput,
    testing::Values(BadInput{"NotANumber", "abc", REG_SZ}, BadInput{"Empty", "", REG_SZ},
                    BadInput{"HugeNumber", "99999999999999999999", REG_SZ},
                    BadInput{"HugeExponent", "1e400", REG_SZ},
                    BadInput{"Binary", std::string("\x01\xff\x00\x7f", 4), REG_BINARY},
                    BadInput{"LargeButHeld", "1e300", REG_SZ}, BadInput{"MinusZero", "-0", REG_SZ},
                    BadInput{"TinyWithoutExponent", "0." + std::string(330, '0') + "1", REG_SZ},
                    BadInput{"OneMegabyte", std::string(1 << 20, '7'), REG_SZ}),
    [](const testing::TestParamInfo<BadInput>& row) { return row.param.Name; });

TEST_F(ModelLoadTest, AnyProfileNameKeepsItsOwnValues) {
    for (const std::string& name : {std::string("Bob's \"home\""), std::string("Caf\xC3\xA9 \xC3\x9C"),
                                    std::string(255, 'n'), std::string("   ")}) {
        SCOPED_TRACE(name);
        g = Globals{};
        g.Profiles.NumOfProfiles = 1;
        g.Profiles.ProfileNames = {"", name};
        g.Profiles.CurrentProfile = 1;
        g.Profiles.ProfileSelected = true;
        m_ui.Messages.clear();
        Store(name + "\\Charges", "Amount1", "0.25");
        Load();
        EXPECT_TRUE(m_ui.Messages.empty());
        EXPECT_EQ(g.Rates[1].Amount, 0.25);
        EXPECT_EQ(m_view.Label(MainLabel::lblCurrentProfile), name);
    }
}

// A key's name holds at most 255 characters, as in the registry: the load says so once, in words.
TEST_F(ModelLoadTest, ProfileNameTooLongForAKeyIsReportedOnce) {
    g.Profiles.ProfileNames = {"", std::string(300, 'n')};
    Load();
    ASSERT_EQ(m_ui.Messages.size(), 1u);
    EXPECT_EQ(m_ui.Messages[0].Prompt.rfind(
                  "There has been an error #26001 (Failed to set registry value Key: ", 0),
              0u);
    EXPECT_TRUE(m_view.Visible);
}

TEST_F(ModelLoadTest, ValuesThatCanBeReadAreUsed) {
    StoreEveryValue("abc");
    Store("Default\\Charges", "Amount3", "0.07");
    Store("Default\\CumulativeTotal", "Time", "99999999999");
    Load();
    EXPECT_EQ(m_ui.Messages.size(), 1u);
    EXPECT_EQ(g.Rates[1].Name, "abc");
    EXPECT_EQ(g.CurrencyLetter, "abc");
    EXPECT_EQ(g.Rates[3].Amount, 0.07);
    EXPECT_EQ(g.CumulativeTime, 99999999999.0);
    EXPECT_FALSE(g.UnlimitedTime) << "a word that is no boolean leaves the free time limited";
}

} // namespace
