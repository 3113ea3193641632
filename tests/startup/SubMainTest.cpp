#include "startup/SubMain.h"

#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// Writes down what the start-up asked of the desktop, in order.
class FakeStartupHost final : public StartupHost {
public:
    bool OtherInstanceRunning() override { return OtherRunning; }
    void RegisterInstance() override { Did += "registered; "; }
    std::string CommandLine() const override { return Arguments; }
    std::string LogFolder() const override { return "/opt/tallydial"; }
    void ShowSplash() override { Did += "splash; "; }
    int SplashTop() const override { return 6000; }
    int SplashHeight() const override { return 1800; }
    void SetSplashTop(int top) override { Did += "splash top " + std::to_string(top) + "; "; }
    void ShowChooser() override { Did += "chooser; "; }
    void WaitSeconds(double seconds) override {
        Did += "waited " + std::to_string(std::lround(seconds * 1000)) + " ms; ";
    }
    void LoadMainWindow() override { Did += "loaded; "; }
    void EndProgram() override { Did += "ended; "; }

    bool OtherRunning = false;
    std::string Arguments;
    std::string Did;
};

// No profile chosen yet, half a second before midnight.
class SubMainTest : public testing::Test, public StoreHarness {
protected:
    SubMainTest() {
        g.Profiles = ProfileList{};
        clock.Set(2026, 12, 2, 23, 59, 59.5);
    }

    // What the user was told, what the desktop was asked to do and the profile the program runs in.
    std::string Outcome() const {
        std::string outcome;
        for (const auto& m : m_ui.Messages)
            outcome += m.Title + ": " + m.Prompt + "; ";
        outcome += m_host.Did;
        return g.Profiles.ProfileSelected ? outcome + "in " + g.Profiles.CurrentName() : outcome;
    }

    ScriptedUserInterface m_ui;
    FakeStartupHost m_host;
    SubMain m_main{g, settings, clock, m_ui, m_host};
};

const std::string kRefused = "Tallydial: There is allready a instance of Tallydial running.; ended; ";
const std::string kDefault = "registered; splash; waited 2000 ms; loaded; in Default";
// The splash's lower edge ends just above the chooser.
const std::string kChooser = "registered; splash; splash top 3515; chooser; ";
const std::string kHome = "registered; splash; splash top 3515; waited 2000 ms; loaded; in Home";
const std::string kWork = "registered; splash; splash top 3515; waited 2000 ms; loaded; in Work";

std::string Error(const std::string& what) {
    return "Tallydial: There has been an error # " + what +
           " in SubMain ,please contact me on support@tallydial.example; " + kDefault;
}

struct StartCase {
    const char* Name;
    bool OtherRunning;
    const char* Arguments;
    const char* Profiles;
    std::string Outcome;
    double SecondsToChoose = -1; // then the chooser's row confirmed, if any
    int SelectedRow = 0;
};

class Start : public SubMainTest, public testing::WithParamInterface<StartCase> {};

TEST_P(Start, GoesAsTheStoreAndTheCommandLineSay) {
    m_host.OtherRunning = GetParam().OtherRunning;
    m_host.Arguments = GetParam().Arguments;
    StoreProfiles(GetParam().Profiles);
    m_main.Main();
    if (GetParam().SecondsToChoose >= 0) {
        clock.Advance(GetParam().SecondsToChoose);
        m_main.ProfileChosen(GetParam().SelectedRow);
    }
    EXPECT_EQ(Outcome(), GetParam().Outcome);
    EXPECT_EQ(g.ClockBaseDate, DateSerial::FromCivil(2026, 12, 2)) << "the day the program started";
}

INSTANTIATE_TEST_SUITE_P(
    Starts, Start,
    testing::Values(StartCase{"EmptyStoreStartsInDefaultWithoutAChooser", false, "", "", kDefault},
                    // Only the restart token, first on the command line, lets a second copy past.
                    StartCase{"SecondCopy", true, "", "", kRefused},
                    StartCase{"TokenAfterBlanks", true, "   APPRESTARTPROFILEORVANE Work", "", kDefault},
                    StartCase{"TokenSecond", true, "Work APPRESTARTPROFILEORVANE", "", kRefused},
                    StartCase{"TokenInOtherCase", true, "apprestartprofileorvane", "", kRefused},
                    StartCase{"TokenWithMore", true, "APPRESTARTPROFILEORVANEX", "", kRefused},
                    StartCase{"RestartedCopyWithSeveralProfilesAsksAgain", true, "APPRESTARTPROFILEORVANE",
                              "2|Home|Work", kChooser},
                    // The first word that names a profile chooses it.
                    StartCase{"TabSeparatesStoredNameWithBlanks", false, "x\twork", "2|Home|  Work ",
                              "registered; splash; splash top 3515; waited 2000 ms; loaded; in   Work "},
                    StartCase{"AccentedLettersAnyCase", false, "  CAF\xC3\x89  ", "2|Home|caf\xC3\xA9",
                              "registered; splash; splash top 3515; waited 2000 ms; loaded; in caf\xC3\xA9"},
                    StartCase{"FirstWordFirst", false, "home work", "2|Home|Work", kHome},
                    StartCase{"NoMatch", false, "office", "2|Home|Work", kChooser},
                    StartCase{"NameWithBlankCannotMatch", false, "Home Office", "2|Home|Home Office", kHome},
                    StartCase{"QuotedNameIsTwoWords", false, "\"Work\"", "2|Home|Work", kChooser},
                    StartCase{"EleventhWordIgnored", false, "a b c d e f g h i j Work", "2|Home|Work",
                              kChooser},
                    StartCase{"TenthWordCounts", false, "a b c d e f g h i Work", "2|Home|Work", kWork},
                    // A profile list that can't be read leaves nothing to choose from.
                    StartCase{"CountOfLetters", false, "", "abc", Error("13 (Type mismatch)")},
                    StartCase{"CountTooBig", false, "", "1e300", Error("6 (Overflow)")},
                    StartCase{"NegativeCount", false, "", "-3", Error("9 (Subscript out of range)")},
                    StartCase{"NoProfiles", false, "", "0", kDefault},
                    // The splash went up half a second before midnight and stands for two seconds in all.
                    StartCase{"SecondRowChosenAtOnce", false, "", "2|Home|Work",
                              kChooser + "waited 2000 ms; loaded; in Work", 0, 1},
                    StartCase{"NothingSelectedTakesTheFirst", false, "", "2|Home|Work",
                              kChooser + "loaded; in Home", 5, -1},
                    StartCase{"FirstRowChosenOverMidnight", false, "", "2|Home|Work",
                              kChooser + "waited 1000 ms; loaded; in Home", 1, 0}),
    RowName());

} // namespace
