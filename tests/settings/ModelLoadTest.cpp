#include "engine/ModelLoad.h"

#include "dialogs/OptionsControls.h"
#include "engine/AutoSelect.h"
#include "settings/SettingsTable.h"
#include "startup/MainWindowCommands.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string pound = "\xC2\xA3";

// Each section's value names as the store spells them, sorted: "Section\\Name".
std::vector<std::string> StoredNames(RegistryStore& store) {
    const std::string profile = std::string(Settings::BaseKey) + "Default";
    std::vector<std::string> sections, names;
    store.EnumKeys(HKEY_LOCAL_MACHINE, profile, sections);
    for (const std::string& section : sections) {
        std::vector<std::string> values;
        store.EnumValues(HKEY_LOCAL_MACHINE, profile + "\\" + section, values);
        for (const std::string& value : values)
            names.push_back(section + "\\" + value);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The start-up load of the profile "Default" over an empty store, on Wednesday 2 December 2026 10:00.
class ModelLoadTest : public testing::Test, public StoreHarness {
protected:
    void Load() { LoadModel(g, settings, clock, ui, view); }
    // A later run: a fresh model and window over the same store.
    void Reload() {
        const ProfileList profiles = g.Profiles;
        g = Globals{};
        g.Profiles = profiles;
        view = FakeMainWindowView{};
        Load();
    }

    void StoreEveryValue(const std::string& text, std::uint32_t type = REG_SZ) {
        for (const Setting* row : kProfileSettings)
            Store("Default\\" + std::string(row->Section), row->Name, text, type);
        for (const RateSetting* row : kRateSettings)
            for (int rate = 1; rate <= 5; ++rate)
                Store("Default\\" + std::string(row->Section), row->Name + std::to_string(rate), text, type);
    }

    ScriptedUserInterface ui;
    FakeMainWindowView view;
};

// The defaults a fresh profile stores that the user sees or counts on, in forms that keep their value when
// the desktop's language changes; a value stored empty is one of them.
TEST_F(ModelLoadTest, FirstLoadStoresTheDefaultsAndTheNextReadsThemInAnotherLanguage) {
    locale = Locale::DecimalComma();
    Store("Default\\Misc", "ConnectionDetectMode", "");
    Load();
    EXPECT_EQ(view.Label(MainLabel::LastResetLabel), "02.12.2026");
    EXPECT_EQ(view.Label(MainLabel::Cost), pound + "00.01");
    const std::pair<const char*, const char*> shown[] = {
        {"Charges", "Amount1"},           {"Country", "Double"},    {"Alarm", "Alarm"},
        {"Alarm", "AutoDisconnectTime"},  {"Alarm", "DataWarning"}, {"Misc", "ConnectionDetectMode"},
        {"ISP Charges", "UnlimitedTime"}, {"Log", "Enabled"},       {"CumulativeTotal", "LastReset"}};
    std::vector<std::string> stored;
    for (const auto& [section, name] : shown)
        stored.push_back(std::string(name) + "=" + Stored(section, name).value_or("(absent)"));
    EXPECT_EQ(stored,
              (std::vector<std::string>{"Amount1=0.01", "Double=" + pound, "Alarm=3", "AutoDisconnectTime=25",
                                        "DataWarning=80", "ConnectionDetectMode=2", "UnlimitedTime=-1",
                                        "Enabled=True", "LastReset=46358"}));
    EXPECT_EQ(Read("Default", "Base"), "");
    EXPECT_TRUE(ui.Messages.empty());

    EXPECT_EQ(view.RateList, (std::vector<std::string>{"Daytime", "Evening", "Weekend", "Rate 4", "Rate 5"}));
    EXPECT_EQ(std::tuple(g.TrayEnabled, g.LogEnabled, g.LogComments, g.LogFails),
              std::tuple(true, true, false, true));
    EXPECT_EQ(settings.GetBaseSetting("ProfileName1", "Default"), Variant("Default"));
    EXPECT_EQ(settings.GetBaseSetting("ProfileName1", "Other"), Variant("Default"))
        << "stored the first time";

    clock.Set(2026, 12, 3, 10);
    locale = Locale::DecimalPoint();
    Reload();
    EXPECT_EQ(g.LastReset, DateSerial::FromCivil(2026, 12, 2)) << "the stored text, not today";
    EXPECT_EQ(g.Rates[5].Amount, 0.05);
    EXPECT_EQ(g.ConnectionDetectMode, DetectMode::WhenConnected);
    EXPECT_TRUE(ui.Messages.empty());
}

TEST_F(ModelLoadTest, StoredChoicesShapeTheStart) {
    Store("Default\\Misc", "LastChargeRate", " 4");
    Store("Default\\Alarm", "AlarmSounded", " True ");
    Store("Default\\Misc", "HideOnStart", "-1");
    Store("Default\\ISP Charges", "UnlimitedTime", "False");
    Store("Default\\ISP Charges", "FreeTimeLeft", " 5400.5");
    Store("Default\\ISP Charges", "CostPerHour", " 1.5");
    clock.Set(2026, 12, 2, 19, 30); // Wednesday evening
    Load();
    EXPECT_EQ(g.CurrentRate, 2) << "the rate comes from the clock, not from the last run";
    EXPECT_EQ(g.LastSuggestedRate, 2);
    EXPECT_EQ(view.Rate, "Evening");
    EXPECT_EQ(view.Label(MainLabel::Cost), pound + "00.02");
    EXPECT_FALSE(g.AlarmSounded) << "every run starts with the alarm armed";
    EXPECT_FALSE(view.Visible);
    EXPECT_EQ(view.ShowCount, 0);
    EXPECT_TRUE(view.TrayIconVisible && view.SplashClosed);
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "5400.5");
    EXPECT_EQ(view.Label(MainLabel::LblISPCostPerHour), pound + "01.50");
    EXPECT_FALSE(g.FreeTimeRanOut);

    Store("Default\\ISP Charges", "FreeTimeLeft", " 0");
    Reload();
    EXPECT_TRUE(g.FreeTimeRanOut) << "nothing left at start: no run-out warning to come";
}

TEST_F(ModelLoadTest, NewProfileTakesOverItsBaseOnceButNeverTheTotals) {
    g.Profiles.NumOfProfiles = 2;
    g.Profiles.ProfileNames = {"", "Home", "Work"};
    g.Profiles.CurrentProfile = 2;
    Store("Work", "Base", "Home");
    Store("Home\\Charges", "Name1", "Peak");
    Store("Home\\Charges", "FailCharge", "0.2");
    Store("Work\\Charges", "FailCharge", "0.7");
    Store("Home\\CumulativeTotal", "Money", "12");
    Load();
    EXPECT_EQ(g.Rates[1].Name, "Peak");
    EXPECT_EQ(Read("Work\\Charges", "Name1"), "Peak") << "taken over into the profile's own key";
    EXPECT_EQ(g.FailCharge, 0.2) << "while Base is set the base profile wins even over an own value";
    EXPECT_EQ(g.CumulativeMoney, 0);
    EXPECT_EQ(Read("Work\\CumulativeTotal", "Money"), "0");
    EXPECT_EQ(Read("Work", "Base"), "");

    Store("Home\\Charges", "Name1", "Offpeak");
    Reload();
    EXPECT_EQ(g.Rates[1].Name, "Peak")
        << "once the load has cleared Base the base profile no longer reaches it";
}

TEST_F(ModelLoadTest, FailingStepsGiveOneMessageAndTheWindowComesUp) {
    Store("Default\\Misc", "LastChargeRate", "99999");
    Store("Default\\Alarm", "Alarm", "1e10");
    Store("Default\\Charges", "Name1", "Peak");
    Store("Default\\Charges", "FromDay3", "1e400");
    Store("Default\\CumulativeTotal", "LastReset", "3000000"); // beyond 9999
    Load();
    ASSERT_EQ(ui.Messages.size(), 1u);
    EXPECT_EQ(ui.Messages[0].Prompt, "There has been an error #6 (Overflow) while loading (frmMain). Please "
                                     "contact me at support@tallydial.example");
    EXPECT_EQ(ui.Messages[0].Icon, MsgIcon::None);
    EXPECT_EQ(ui.Messages[0].Title, "Tallydial");
    EXPECT_EQ(g.AlarmKind, AlarmType{0})
        << "the failed statement leaves the value as it was: a fresh model holds 0";
    EXPECT_EQ(g.Rates[1].Name, "Peak") << "later statements still run";
    EXPECT_EQ(std::tuple(g.Rates[3].FromDay, g.LastReset), std::tuple(6.0, 0.0))
        << "a day that can't be read keeps the rate's own default, a date beyond any date the fresh 0";
    EXPECT_TRUE(view.Visible && view.SplashClosed);
}

// Any name keeps its profile's own values; a name too long for a key (255 characters at most, as in the
// registry) or a profile beyond the list gives one message, and the window comes up all the same.
TEST_F(ModelLoadTest, AnyProfileNameKeepsItsOwnValues) {
    const struct {
        std::int16_t Profile;
        std::string Name, Message;
    } rows[] = {
        {1, "Bob's \"home\"", ""},
        {1, "Caf\xC3\xA9 \xC3\x9C", ""},
        {1, std::string(255, 'n'), ""},
        {1, "   ", ""},
        {1, Repeated("\xD0\x96", 255), ""}, // 255 letters of another script
        {1, std::string(300, 'n'), "There has been an error #26001 (Failed to set registry value Key: "},
        {3, "Default", "There has been an error #9 (Subscript out of range) "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        g.Profiles.ProfileNames = {"", row.Name};
        g.Profiles.CurrentProfile = row.Profile;
        if (row.Message.empty()) Store(row.Name + "\\Charges", "Amount1", "0.25");
        ui.Messages.clear();
        Reload();
        EXPECT_TRUE(view.Visible);
        if (!row.Message.empty()) {
            ASSERT_EQ(ui.Messages.size(), 1u);
            EXPECT_EQ(ui.Messages[0].Prompt.substr(0, row.Message.size()), row.Message);
            continue;
        }
        EXPECT_TRUE(ui.Messages.empty());
        EXPECT_EQ(g.Rates[1].Amount, 0.25);
        EXPECT_EQ(view.Label(MainLabel::lblCurrentProfile), row.Name);
    }
}

struct GarbageRow {
    const char* Name;
    std::string Text;
    std::uint32_t Type = REG_SZ;
};
class GarbageInEveryValue : public ModelLoadTest, public testing::WithParamInterface<GarbageRow> {};

TEST_P(GarbageInEveryValue, StillBringsUpTheWindow) {
    StoreEveryValue(GetParam().Text, GetParam().Type);
    ui.Messages.clear();
    Reload();
    EXPECT_LE(ui.Messages.size(), 1u);
    EXPECT_TRUE(view.Visible || g.HideOnStart);
    EXPECT_TRUE(view.TrayIconVisible && view.SplashClosed);
    EXPECT_TRUE(g.CurrentRate >= 1 && g.CurrentRate <= 5) << g.CurrentRate;
    EXPECT_EQ(view.RateList.size(), 5u);
}

const GarbageRow garbageRows[] = {
    {"huge number", "99999999999999999999"},
    {"huge exponent", "1e400"},
    {"binary", std::string("\x01\xff\x00\x7f", 4), REG_BINARY},
    {"one megabyte", std::string(1 << 20, '7')},
};
INSTANTIATE_TEST_SUITE_P(Stores, GarbageInEveryValue, testing::ValuesIn(garbageRows), RowName());

TEST_F(ModelLoadTest, ValuesThatCanBeReadAreUsed) {
    StoreEveryValue("abc");
    Store("Default\\Charges", "Amount3", "0.07");
    Store("Default\\CumulativeTotal", "Time", "99999999999");
    Load();
    EXPECT_EQ(ui.Messages.size(), 1u);
    EXPECT_TRUE(view.Visible && view.TrayIconVisible);
    EXPECT_EQ(g.Rates[1].Name, "abc");
    EXPECT_EQ(g.CurrencyLetter, "abc");
    EXPECT_EQ(g.Rates[3].Amount, 0.07);
    EXPECT_EQ(g.CumulativeTime, 99999999999.0);
    EXPECT_FALSE(g.UnlimitedTime) << "a word that is no boolean leaves the free time limited";
}

class NoAutostart final : public Autostart {
public:
    std::string ProgramEntry() const override { return "tallydial"; }
    bool Apply(const std::string&) override { return true; }
};

// The options' OK, the exit and the auto-select editor store every value under a name that the
// load reads: none of them adds a value of its own to the profile.
TEST(SettingsWritersTest, StoreUnderTheNamesTheLoadReads) {
    EngineHarness h;
    const std::vector<std::string> loaded = StoredNames(*h.store);
    NoAutostart autostart;
    SaveOptions(h.engine, OptionsFromModel(h.g, h.settings), autostart);
    ASSERT_TRUE(SaveSessionTotals(h.engine));
    StoreAutoSelect(h.g, h.settings, 3, {6, 7, 0, 0});
    EXPECT_EQ(StoredNames(*h.store), loaded);
}

} // namespace
