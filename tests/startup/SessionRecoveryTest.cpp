#include "startup/SessionRecovery.h"

#include "engine/ChargeRates.h"
#include "startup/MainWindowCommands.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

const std::string pound = "\xC2\xA3";

class MemoryJournal final : public JournalFile {
public:
    std::optional<std::string> Read() override { return Text; }
    bool Write(const std::string& text) override {
        Text = text;
        ++Writes;
        return true;
    }
    bool Remove() override {
        Text.reset();
        return true;
    }

    std::optional<std::string> Text;
    int Writes = 0;
};

// The program ending without warning: whatever runs when this is thrown never finishes.
struct Killed {};

class DyingUserInterface final : public ScriptedUserInterface {
public:
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        throw Killed{};
    }
};

class ExitingHost final : public MainWindowHost {
public:
    bool StartLogViewer() override { return true; }
    long StartOwnExecutable(const std::string&) override { return 0; }
    void UnloadMainWindow() override {}
    void EndProgram() override {}
};

// A run that keeps a journal, and the next run of the same profile after the first one died.
class SessionRecoveryTest : public testing::Test, public EngineHarness {
protected:
    SessionRecoveryTest() {
        engine.Journal = &journal;
        journal.Open(engine);
    }

    // Nothing of the first run is written any more; the next run loads the profile and recovers.
    std::optional<std::string> Restart() {
        journal.Stop();
        const ProfileList profiles = g.Profiles;
        const std::string log = g.LogFilePath;
        g = Globals{};
        g.Profiles = profiles;
        g.LogFilePath = log;
        g.ClockBaseDate = clock.Today();
        detect.RegistrySeenConnected = false;
        LoadModel(g, settings, clock, ui, view);
        ui.Messages.clear();
        engine.Journal = &next;
        return RecoverSession(engine, next);
    }

    std::vector<std::string> Record(std::size_t index) const {
        const auto lines = LogLines();
        if (lines.size() < 10 * (index + 1)) return {};
        return {lines.begin() + static_cast<long>(10 * index),
                lines.begin() + static_cast<long>(10 * index + 10)};
    }

    MemoryJournal file;
    SessionJournal journal{file};
    SessionJournal next{file};
    // The first run's main window, in a run that dies at its first question.
    DyingUserInterface dying;
    Engine dyingEngine{g, settings, clock, detect, dying, view, &journal};
    ExitingHost host;
    MainWindowCommands dyingCommands{dyingEngine, host};
};

TEST_F(SessionRecoveryTest, CallCutShortIsLoggedAndTheSessionFoldedIn) {
    Call(60);
    Online(30); // the journal's last write is at 10:01:30
    clock.Advance(4);
    Idle();

    const auto message = Restart();

    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 90");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "0.015");
    EXPECT_EQ(Record(1), (std::vector<std::string>{"\"TALLYD\"", "#2026-12-02#", "#10:01:00#", "#10:01:30#",
                                                   "30", "0.005", "\"Default\"", "\"X\"", "0",
                                                   "\"(recovered after an unexpected end)\""}));
    ASSERT_TRUE(message);
    EXPECT_EQ(
        *message,
        "Tallydial ended unexpectedly on 02/12/2026 at 10:01:30.\n\n"
        "This session's 00:01:30 and " +
            pound +
            "00.015 have been added to the cumulative total.\n\n"
            "The call on \"X\" that started at 10:01:00 was logged as ending then, after 00:00:30 costing " +
            pound + "00.005.");
    EXPECT_EQ(view.Label(MainLabel::CTime), "00:01:30") << "shown before the first tick";
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(g.SessionTimeBanked, 0);
    const auto kept = ParseJournal(file.Text.value_or(""));
    ASSERT_TRUE(kept) << "the new run keeps its own journal";
    EXPECT_EQ(kept->CumulativeTime, 90);
    EXPECT_FALSE(kept->Call);

    EXPECT_FALSE(Restart()) << "told once: a second start finds nothing to recover";
    EXPECT_EQ(LogLines().size(), 20u);
}

TEST_F(SessionRecoveryTest, LineStillUpTheCallGoesOnFromItsFirstStart) {
    Online(30);
    clock.Advance(4); // the program is gone for 4 seconds; the line stays up

    const auto message = Restart();
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("is still up and goes on being timed from its start"), std::string::npos)
        << *message;
    TickFor(10);
    Idle();
    Tick();

    const auto record = Record(0);
    ASSERT_EQ(LogLines().size(), 10u) << "one record for the whole call";
    EXPECT_EQ(record[2], "#10:00:00#");
    EXPECT_NEAR(std::stod(record[4]), 44, 1e-6) << "30 s journalled, 4 s gone, 10 s more";
    EXPECT_EQ(record[9], "\"\"");
}

TEST_F(SessionRecoveryTest, TotalsTheSettingsFileCouldNotTakeStayInTheJournal) {
    Call(60);
    Idle();
    MainWindowCommands commands{engine, host};
    OnFullDisk([&] { commands.Form_Unload(UnloadModes::TaskManager); });

    const auto kept = ParseJournal(file.Text.value_or(""));
    ASSERT_TRUE(kept) << "the next start adds what could not be saved";
    EXPECT_EQ(kept->SessionTimeBanked, 60);
}

struct KilledCase {
    const char* Name;
    std::function<void(MainWindowCommands&)> Dying;
};

class KilledTest : public SessionRecoveryTest, public testing::WithParamInterface<KilledCase> {};

// Dies at the ended call's comment question, the line still up: the record has nine fields, the
// session is in the cumulative total, and this time may have been stored already.
TEST_P(KilledTest, NeitherDoublesTheSessionNorLogsTheCallTwice) {
    Call(60);
    Online(30);
    g.LogComments = true;
    EXPECT_THROW(GetParam().Dying(dyingCommands), Killed);
    settings.SetProfileSetting("CumulativeTotal", "Time", PaddedNumberText(g.CumulativeTime));

    ASSERT_TRUE(Restart());

    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 90");
    ASSERT_EQ(LogLines().size(), 20u);
    EXPECT_EQ(Record(1)[9], "\"(recovered after an unexpected end)\"") << "the cut record gets its comment";
}

INSTANTIATE_TEST_SUITE_P(
    During, KilledTest,
    testing::Values(KilledCase{"TheExitSave",
                               [](MainWindowCommands& c) { c.Form_Unload(UnloadModes::CloseBox); }},
                    KilledCase{"ASessionReset", &MainWindowCommands::Command2_Click}),
    [](const testing::TestParamInfo<KilledCase>& row) { return std::string(row.param.Name); });

TEST_F(SessionRecoveryTest, JournalThatIsNotThisProfilesWholeJournalIsIgnored) {
    Call(60);
    const std::string written = *file.Text;
    const std::pair<const char*, std::string> rows[] = {
        {"cut short", written.substr(0, written.size() - 4)},
        {"another profile", "tallydial-journal 1\nprofile Work" + written.substr(written.find("\nwritten"))},
    };
    for (const auto& [name, text] : rows) {
        file.Text = text;
        EXPECT_FALSE(Restart()) << name;
        EXPECT_EQ(Stored("CumulativeTotal", "Time"), "0") << name;
    }
}

TEST_F(SessionRecoveryTest, CallIsJournalledAtItsStartEveryTenSecondsAndAtARateChange) {
    const int opened = file.Writes;
    Online(30);
    EXPECT_EQ(file.Writes - opened, 4) << "the start, then at 10, 20 and 30 seconds";
    Idle();
    Tick();
    const int ended = file.Writes;
    TickFor(60);
    EXPECT_EQ(file.Writes, ended) << "nothing changes outside a call";
    SetCurrentRate(engine, 2);
    EXPECT_EQ(ParseJournal(*file.Text)->CurrentRate, 2);
}

TEST(SessionJournalText, ReadsBackWhatItWrites) {
    JournalState state;
    state.Profile = "Home \\ \"quoted\"\nsecond line\r";
    state.Written = 46358.4177083333;
    state.CumulativeTime = 1e300;
    state.CumulativeMoney = -0.0025;
    state.FreeTimeLeft = 3600;
    state.AlarmSounded = true;
    state.CurrentRate = -3;
    state.Call = JournalCall{46358, 0.41, 90.5, 0.1, "My \\n ISP"};
    const std::string text = FormatJournal(state);
    EXPECT_EQ(ParseJournal(text), state);
    for (std::size_t cut = 0; cut < text.size(); ++cut)
        EXPECT_FALSE(ParseJournal(text.substr(0, cut))) << "cut at " << cut;
}

} // namespace
