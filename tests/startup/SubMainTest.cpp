#include "startup/SubMain.h"

#include "platform/linux/SqliteRegistryStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FakeStartupHost final : public StartupHost {
public:
    bool OtherInstanceRunning() override { return OtherRunning; }
    void RegisterInstance() override { Registered = true; }
    std::string CommandLine() const override { return Arguments; }
    std::string LogFolder() const override { return "/opt/tallydial"; }
    void ShowSplash() override { SplashShown = true; }
    int SplashTop() const override { return Top; }
    int SplashHeight() const override { return 1800; }
    void SetSplashTop(int top) override { Top = top; }
    void ShowChooser() override { ++ChooserShown; }
    void WaitSeconds(double seconds) override { Waits.push_back(seconds); }
    void LoadMainWindow() override { ++Loads; }
    void EndProgram() override { Ended = true; }

    bool OtherRunning = false;
    std::string Arguments;
    bool Registered = false;
    bool SplashShown = false;
    int Top = 6000;
    int ChooserShown = 0;
    std::vector<double> Waits;
    int Loads = 0;
    bool Ended = false;
};

class SubMainTest : public testing::Test {
protected:
    void Base(const std::string& name, const std::string& text) {
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        m_store->SetValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial", name, REG_SZ, data);
    }
    void TwoProfiles(const std::string& second = "Work") {
        Base("NumOfProfiles", "2");
        Base("ProfileName1", "Home");
        Base("ProfileName2", second);
    }
    std::optional<std::string> StoredBase(const std::string& name) {
        RegistryValue value;
        if (m_store->QueryValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial", name, value) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::string(value.Data.begin(), value.Data.end() - 1);
    }

    TempFolder m_folder;
    FakeClock m_clock;
    std::unique_ptr<SqliteRegistryStore> m_store =
        SqliteRegistryStore::Open(m_folder.Path() / "registry.db", m_clock).Store;
    Locale m_locale = Locale::DecimalPoint();
    Globals g;
    Settings m_settings{*m_store, m_locale, g.Profiles};
    ScriptedUserInterface m_ui;
    FakeStartupHost m_host;
    SubMain m_main{g, m_settings, m_clock, m_ui, m_host};
};

TEST_F(SubMainTest, EmptyStoreStartsInDefaultWithoutAChooser) {
    m_main.Main();
    EXPECT_EQ(StoredBase("NumOfProfiles"), std::optional<std::string>("1"));
    EXPECT_EQ(StoredBase("ProfileName1"), std::optional<std::string>("Default"));
    EXPECT_EQ(g.Profiles.CurrentProfile, 1);
    EXPECT_TRUE(g.Profiles.ProfileSelected);
    EXPECT_EQ(g.LogFilePath, "/opt/tallydial/log.dat");
    EXPECT_EQ(g.ClockBaseDate, m_clock.Today());
    EXPECT_TRUE(m_host.Registered);
    EXPECT_TRUE(m_host.SplashShown);
    EXPECT_EQ(m_host.ChooserShown, 0);
    EXPECT_EQ(m_host.Top, 6000) << "the splash stays put";
    ASSERT_EQ(m_host.Waits.size(), 1u);
    EXPECT_NEAR(m_host.Waits[0], 2.0, 0.01) << "the splash stands for two seconds";
    EXPECT_EQ(m_host.Loads, 1);
    EXPECT_TRUE(m_ui.Messages.empty());
}

struct InstanceCase {
    const char* Name;
    const char* Arguments;
    bool Refused;
};

class SecondStart : public SubMainTest, public testing::WithParamInterface<InstanceCase> {};

TEST_P(SecondStart, OnlyTheRestartTokenFirstGetsPast) {
    m_host.OtherRunning = true;
    m_host.Arguments = GetParam().Arguments;
    m_main.Main();
    if (GetParam().Refused) {
        ASSERT_EQ(m_ui.Messages.size(), 1u);
        EXPECT_EQ(m_ui.Messages[0].Prompt, "There is allready a instance of Tallydial running.");
        EXPECT_EQ(m_ui.Messages[0].Icon, MsgIcon::Critical);
        EXPECT_EQ(m_ui.Messages[0].Title, "Tallydial");
        EXPECT_TRUE(m_host.Ended);
        EXPECT_FALSE(m_host.Registered) << "a refused copy leaves the running one's marker alone";
        EXPECT_FALSE(m_host.SplashShown);
        EXPECT_EQ(m_host.Loads, 0);
    } else {
        EXPECT_TRUE(m_ui.Messages.empty());
        EXPECT_TRUE(m_host.Registered);
        EXPECT_EQ(m_host.Loads, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Tokens, SecondStart,
                         testing::Values(InstanceCase{"NoArguments", "", true},
                                         InstanceCase{"TokenFirst", "APPRESTARTPROFILEORVANE", false},
                                         InstanceCase{"TokenAfterBlanks", "   APPRESTARTPROFILEORVANE Work",
                                                      false},
                                         InstanceCase{"TokenSecond", "Work APPRESTARTPROFILEORVANE", true},
                                         InstanceCase{"TokenInOtherCase", "apprestartprofileorvane", true},
                                         InstanceCase{"TokenWithMore", "APPRESTARTPROFILEORVANEX", true}),
                         [](const testing::TestParamInfo<InstanceCase>& row) { return row.param.Name; });

struct MatchCase {
    const char* Name;
    const char* Arguments;
    const char* SecondProfile;
    std::int16_t Expected; // 0: the chooser is shown
};

class CommandLineProfile : public SubMainTest, public testing::WithParamInterface<MatchCase> {};

TEST_P(CommandLineProfile, FirstMatchingWordWins) {
    TwoProfiles(GetParam().SecondProfile);
    m_host.Arguments = GetParam().Arguments;
    m_main.Main();
    EXPECT_EQ(m_host.Top, 6000 - 1785 - 900 + 200) << "the splash makes room for the chooser";
    if (GetParam().Expected == 0) {
        EXPECT_EQ(m_host.ChooserShown, 1);
        EXPECT_EQ(m_host.Loads, 0);
        EXPECT_FALSE(g.Profiles.ProfileSelected);
    } else {
        EXPECT_EQ(m_host.ChooserShown, 0);
        EXPECT_EQ(m_host.Loads, 1);
        EXPECT_EQ(g.Profiles.CurrentProfile, GetParam().Expected);
    }
    EXPECT_TRUE(m_ui.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Words, CommandLineProfile,
    testing::Values(MatchCase{"AnyCase", "  wORk  ", "Work", 2},
                    MatchCase{"TabSeparatesStoredNameWithBlanks", "x\twork", "  Work ", 2},
                    MatchCase{"AccentedLettersAnyCase", "CAF\xC3\x89", "caf\xC3\xA9", 2},
                    MatchCase{"FirstWordFirst", "home work", "Work", 1},
                    MatchCase{"NoMatch", "office", "Work", 0},
                    MatchCase{"NameWithBlankCannotMatch", "Home Office", "Home Office", 1},
                    MatchCase{"QuotedNameIsTwoWords", "\"Work\"", "Work", 0},
                    MatchCase{"EleventhWordIgnored", "a b c d e f g h i j Work", "Work", 0},
                    MatchCase{"TenthWordCounts", "a b c d e f g h i Work", "Work", 2}),
    [](const testing::TestParamInfo<MatchCase>& row) { return row.param.Name; });

struct ChoiceCase {
    const char* Name;
    double SecondsToChoose;
    int SelectedRow;
    std::int16_t Profile;
    double Wait; // what is left of the splash's two seconds
};

class Chooser : public SubMainTest, public testing::WithParamInterface<ChoiceCase> {};

// The splash goes up half a second before midnight.
TEST_P(Chooser, ConfirmationResumesTheStartAfterWhatIsLeftOfTheSplash) {
    TwoProfiles();
    m_clock.Set(2026, 12, 2, 23, 59, 59.5);
    m_main.Main();
    ASSERT_EQ(m_host.ChooserShown, 1);
    m_clock.Advance(GetParam().SecondsToChoose);
    m_main.ProfileChosen(GetParam().SelectedRow);
    EXPECT_EQ(g.Profiles.CurrentProfile, GetParam().Profile);
    EXPECT_EQ(m_host.Loads, 1);
    ASSERT_EQ(m_host.Waits.size(), GetParam().Wait > 0 ? 1u : 0u);
    EXPECT_NEAR(m_host.Waits.empty() ? 0 : m_host.Waits[0], GetParam().Wait, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Choices, Chooser,
                         testing::Values(ChoiceCase{"SecondRowAtOnce", 0, 1, 2, 2.0},
                                         ChoiceCase{"NothingSelectedTakesTheFirst", 5, -1, 1, 0},
                                         ChoiceCase{"FirstRowOverMidnight", 1, 0, 1, 1.0}),
                         [](const testing::TestParamInfo<ChoiceCase>& row) { return row.param.Name; });

struct CountCase {
    const char* Name;
    const char* NumOfProfiles;
    const char* Error; // what the message says went wrong, if anything
};

class UnreadableProfileList : public SubMainTest, public testing::WithParamInterface<CountCase> {};

TEST_P(UnreadableProfileList, IsReportedAndTheStartGoesOnInDefault) {
    Base("NumOfProfiles", GetParam().NumOfProfiles);
    m_main.Main();
    std::vector<std::string> told;
    for (const auto& m : m_ui.Messages)
        told.push_back(m.Prompt);
    EXPECT_EQ(told, *GetParam().Error ? std::vector<std::string>{std::string("There has been an error # ") +
                                                                 GetParam().Error +
                                                                 " in SubMain ,please contact me on "
                                                                 "support@tallydial.example"}
                                      : std::vector<std::string>{});
    EXPECT_EQ(m_host.ChooserShown, 0) << "no empty chooser";
    EXPECT_EQ(g.Profiles.CurrentName(), "Default");
    EXPECT_TRUE(m_host.SplashShown);
    EXPECT_FALSE(m_host.Ended);
    EXPECT_EQ(m_host.Loads, 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, UnreadableProfileList,
                         testing::Values(CountCase{"Letters", "abc", "13 (Type mismatch)"},
                                         CountCase{"Blank", " ", "13 (Type mismatch)"},
                                         CountCase{"TooBig", "1e300", "6 (Overflow)"},
                                         CountCase{"Negative", "-3", "9 (Subscript out of range)"},
                                         CountCase{"None", "0", ""}),
                         [](const testing::TestParamInfo<CountCase>& row) { return row.param.Name; });

} // namespace
