#include "startup/MainWindowCommands.h"

#include "engine/ChargeRates.h"
#include "startup/SessionRecovery.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class MainWindowCommandsTest : public testing::Test, public EngineHarness {
protected:
    MainWindowCommandsTest() { host.Commands = &commands; }

    // The messages shown, one a line.
    std::string Told() const {
        std::string told;
        for (const auto& m : ui.Messages)
            told += (told.empty() ? "" : "\n") + m.Prompt;
        return told;
    }

    // A later run of the program over the same store and log.
    void NextRun() {
        const Globals previous = g;
        g = Globals{};
        g.Profiles = previous.Profiles;
        g.ClockBaseDate = clock.Today();
        g.LogFilePath = previous.LogFilePath;
        detect.RegistrySeenConnected = false;
        LoadModel(g, settings, clock, ui, view);
        ui.Messages.clear();
    }

    FakeMainWindowHost host;
    MainWindowCommands commands{engine, host};
};

const std::string kSessionQuestion = "Are you sure you went to reset your total for this session? (It will "
                                     "be retained in the cumulative total)";
const std::string kCumulativeQuestion = "Are you sure you went to reset your cumulative total? ";
const std::string kBothQuestions =
    kCumulativeQuestion + "\nDo you want to also reset the total for this session?";
constexpr auto OK = MsgResult::OK;
constexpr auto Yes = MsgResult::Yes;
constexpr auto No = MsgResult::No;
constexpr auto Cancel = MsgResult::Cancel;

struct ResetCase {
    const char* Name;
    void (MainWindowCommands::*Click)();
    std::int16_t AlarmTotal;
    MsgResult Answer;
    MsgResult SecondAnswer;
    std::string Questions;
    std::size_t LogLines;
    bool AlarmSounded;
    const char* LastReset;
    // The session's time, money and data, the cumulative total's time and money; one free hour, and 5 MB
    // this month before the session's 1 MB, folded in once.
    const char* ShownTenSecondsLater;
    const char* DataUsedStored;
};

class ResetTest : public MainWindowCommandsTest, public testing::WithParamInterface<ResetCase> {};

// 1000 s and 2.00 so far, one free hour this month, a minimum charge of 0.10 a call; a 30 s call has
// ended and another has been up for 60 s.
TEST_P(ResetTest, AsksThenClearsWhatTheAnswersAskFor) {
    const ResetCase& c = GetParam();
    g.UnlimitedTime = false;
    g.FreeTimeLeft = 3600;
    g.LastResetMonth = 12;
    g.CumulativeTime = 1000;
    g.CumulativeMoney = 2;
    g.LastReset = DateSerial::FromCivil(2026, 1, 1);
    view.SetLabel(MainLabel::LastResetLabel, "01/01/2026");
    g.MinCharge = 0.10;
    g.AlarmTotal = c.AlarmTotal;
    g.AlarmSounded = true;
    g.DataUsed = 5e6;
    g.SessionDataBanked = 1e6;
    Call(30);
    Online(60);
    ui.Answers = {c.Answer, c.SecondAnswer};

    (commands.*c.Click)();

    EXPECT_EQ(Told(), c.Questions);
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::OKCancel);
    EXPECT_EQ(LogLines().size(), c.LogLines);
    EXPECT_EQ(g.AlarmSounded, c.AlarmSounded);
    EXPECT_EQ(view.Label(MainLabel::LastResetLabel), c.LastReset);
    EXPECT_FALSE(commands.Command3Value());
    TickFor(10);
    using enum MainLabel;
    EXPECT_EQ(Shown(Time, Money, lblSessionData, CTime, CMoney, lblFreeTimeLeft, lblMonthData),
              c.ShownTenSecondsLater);
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), c.DataUsedStored);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ResetTest,
    testing::Values(
        ResetCase{"SessionFoldedInAndTheCallGoesOnAsANewOne", &MainWindowCommands::Command2_Click, 2, OK, OK,
                  kSessionQuestion, 20, false, "01/01/2026",
                  "00:00:10 £00.10 0 B 00:18:20 £02.30 00:58:20 6 MB", "6000000"},
        ResetCase{"SessionCancelled", &MainWindowCommands::Command2_Click, 2, Cancel, OK, kSessionQuestion,
                  10, true, "01/01/2026", "00:01:40 £00.20 1 MB 00:18:20 £02.20 00:58:20 6 MB", "0"},
        ResetCase{"CumulativeAndSession", &MainWindowCommands::Command3_Click, 1, OK, Yes, kBothQuestions, 20,
                  false, "02/12/2026", "00:00:10 £00.10 0 B 00:00:10 £00.10 00:58:20 6 MB", "6000000"},
        ResetCase{"CumulativeOnly", &MainWindowCommands::Command3_Click, 1, OK, No, kBothQuestions, 10, false,
                  "02/12/2026", "00:01:40 £00.20 1 MB 00:01:40 £00.20 00:58:20 6 MB", "5000000"},
        ResetCase{"CumulativeCancelled", &MainWindowCommands::Command3_Click, 1, Cancel, OK,
                  kCumulativeQuestion, 10, true, "01/01/2026",
                  "00:01:40 £00.20 1 MB 00:18:20 £02.20 00:58:20 6 MB", "0"}),
    RowName());

void EndFromOutside(MainWindowCommands& commands) {
    EXPECT_FALSE(commands.Form_QueryUnload(UnloadModes::SessionEnding));
    EXPECT_FALSE(commands.Form_QueryUnload(UnloadModes::TaskManager));
    commands.Form_Unload(UnloadModes::TaskManager);
}

struct ExitCase {
    const char* Name;
    std::function<void(MainWindowCommands&)> Close;
    long RestartError;
    std::string Told;
    std::size_t CommentQuestions;
    const char* Restart;
};

class ExitTest : public MainWindowCommandsTest, public testing::WithParamInterface<ExitCase> {};

// 100 s and 0.50 so far, two free hours this month, comments asked for, and a call up for 90.5 s.
TEST_P(ExitTest, LogsTheCallAndSavesTotalsThatIncludeItBeforeTheProgramEnds) {
    const ExitCase& c = GetParam();
    g.CumulativeTime = 100;
    g.CumulativeMoney = 0.5;
    g.UnlimitedTime = false;
    g.FreeTimeLeft = 7200;
    g.LastResetMonth = 12;
    g.LastReset = DateSerial::FromCivil(2000, 1, 1);
    g.LogComments = true;
    line.Traffic[1] = {5000, 600};
    Online(90.5);
    line.Traffic[1] = {7000, 700}; // read by a switch only, for the next run to go on from
    host.RestartError = c.RestartError;
    host.WhileRestarting = [this] {
        EXPECT_EQ(LogLines().size(), 10u);
        EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 190.5");
        EXPECT_FALSE(host.Ended);
    };

    c.Close(commands);

    EXPECT_EQ(Told(), c.Told);
    EXPECT_EQ(ui.InputPrompts.size(), c.CommentQuestions);
    EXPECT_EQ(host.Restarts, *c.Restart ? std::vector<std::string>{c.Restart} : std::vector<std::string>{});
    EXPECT_TRUE(host.Ended);
    ASSERT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[4], "90.5");
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 190.5");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "0.515083333333333"); // 0.5 + 90.5 s at 0.01 per minute
    EXPECT_EQ(Stored("CumulativeTotal", "LastReset"), "36526");
    EXPECT_EQ(Stored("ISP charges", "freetimeleft"), " 7109.5");
    EXPECT_EQ(Stored("Alarm", "AlarmSounded"), "False");
    EXPECT_EQ(Stored("Misc", "LastChargeRate"), " 1");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ExitTest,
    testing::Values(
        ExitCase{"ExitAsksFirst", &MainWindowCommands::mExit_Click, 0, kCloseQuestion, 1, ""},
        ExitCase{"EndedFromOutsideNeitherAsksNorWaitsForAComment", EndFromOutside, 0, "", 0, ""},
        // The running call goes on in the next profile from the switch's moment.
        ExitCase{"ChangeProfileRestartsWithoutAsking", &MainWindowCommands::cmdChangeProfile_Click, 0, "", 1,
                 " APPRESTARTPROFILEORVANE 1796205690 7000:700"},
        ExitCase{"FailedRestartIsReported", &MainWindowCommands::cmdChangeProfile_Click, 53,
                 "Error #53 in profile switch code. Please contact me at: support@tallydial.example", 1,
                 " APPRESTARTPROFILEORVANE 1796205690 7000:700"}),
    RowName());

TEST_F(MainWindowCommandsTest, StartAndStopByHandAndALogViewerThatCantStart) {
    g.AutoDetect = false;
    commands.StartStop_Click();
    EXPECT_EQ(view.StartStopCaption, "Stop");
    EXPECT_EQ(view.MenuStartStopCaption, "Start") << "each control sets only its own caption";
    TickFor(30);
    commands.mStartStop_Click();
    EXPECT_EQ(view.MenuStartStopCaption, "Start");
    ASSERT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[4], "30");
    EXPECT_EQ(LogLines()[7], "\"\"") << "no connection was listed";

    commands.cmdLogViewer_Click();
    EXPECT_TRUE(ui.Messages.empty());
    host.LogViewerStarts = false;
    commands.cmdLogViewer_Click();
    EXPECT_EQ(Told(), "Unable to run log viewer. Try starting it from the start menu.");
}

// The tray icon's clicks are pinned through the icon itself, on the main window.

class MemoryJournal final : public JournalFile {
public:
    std::optional<std::string> Read() override { return Folder ? std::nullopt : Text; }
    bool Write(const std::string& text) override {
        Text = text;
        return true;
    }
    bool Remove() override {
        if (Removable) Text.reset();
        return Removable;
    }
    std::optional<std::string> SetAside() override {
        if (!Text && !Folder) return std::nullopt;
        Aside = std::exchange(Text, std::nullopt);
        Folder = false;
        return "Default.journal.unused";
    }

    std::optional<std::string> Text;
    bool Folder = false; // there, but nothing can be read
    std::optional<std::string> Aside;
    bool Removable = true;
};

// The program ending without warning: whatever runs when this is thrown never finishes.
struct Killed {};

class DyingUserInterface final : public ScriptedUserInterface {
public:
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        throw Killed{};
    }
};

// A run that keeps a journal, and the next run of the same profile after the first one died.
class SessionRecoveryTest : public MainWindowCommandsTest {
protected:
    SessionRecoveryTest() {
        engine.Journal = &journal;
        journal.Open(engine);
    }

    // Nothing of the first run is written any more; the next run loads the profile and recovers.
    std::optional<std::string> Restart() {
        journal.Stop();
        NextRun();
        engine.Journal = &next;
        return RecoverSession(engine, next);
    }

    MemoryJournal file;
    SessionJournal journal{file};
    SessionJournal next{file};
    // The first run's main window, in a run that dies at its first question.
    DyingUserInterface dying;
    Engine dyingEngine{g, settings, clock, detect, dying, view, &journal};
    MainWindowCommands dyingCommands{dyingEngine, host};
};

TEST_F(SessionRecoveryTest, CallCutShortIsLoggedAndTheSessionFoldedIn) {
    line.Traffic[1] = {};
    Online(30);
    line.Traffic[1] = {600'000, 60'000};
    TickFor(30);
    LineDown();
    line.Traffic[1] = {}; // a new interface counts from zero again
    Online(20);
    line.Traffic[1] = {2'000'000, 200'000};
    TickFor(10); // the journal's last write is at 10:01:30
    clock.Advance(4);
    Idle();

    const auto message = Restart();

    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 90");
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), "2860000")
        << "both calls' bytes, the cut one's as journalled";
    const std::vector<std::string> dataLines{"#2026-12-02#,#10:00:00#,\"X\",600000,60000",
                                             "#2026-12-02#,#10:01:00#,\"X\",2000000,200000"};
    EXPECT_EQ(DataLines(), dataLines);
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "0.015");
    EXPECT_EQ(LogRecord(1), (std::vector<std::string>{"\"TALLYD\"", "#2026-12-02#", "#10:01:00#",
                                                      "#10:01:30#", "30", "0.005", "\"Default\"", "\"X\"",
                                                      "0", "\"(recovered after an unexpected end)\""}));
    ASSERT_TRUE(message);
    EXPECT_EQ(*message,
              "Tallydial ended unexpectedly on 02/12/2026 at 10:01:30.\n\n"
              "This session's 00:01:30 and £00.015 have been added to the cumulative total.\n\n"
              "This session's 2.9 MB of data have been added to this month's.\n\n"
              "The call on \"X\" that started at 10:01:00 was logged as ending then, after 00:00:30 "
              "costing £00.005.");
    EXPECT_EQ(view.Label(MainLabel::CTime), "00:01:30") << "shown before the first tick";
    const auto kept = ParseJournal(file.Text.value_or(""));
    ASSERT_TRUE(kept) << "the new run keeps its own journal";
    EXPECT_EQ(kept->SessionTimeBanked, 0) << "with nothing of the last run's session";

    EXPECT_FALSE(Restart()) << "told once: a second start finds nothing to recover";
    EXPECT_EQ(LogLines().size(), 20u);
    EXPECT_EQ(DataLines(), dataLines);
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), "2860000");
}

TEST_F(SessionRecoveryTest, LineStillUpTheCallGoesOnFromItsFirstStart) {
    Online(30);
    clock.Advance(4);                     // the program is gone for 4 seconds; the line stays up
    clock.SetNow(clock.Now() + 1.0 / 24); // meanwhile summer time begins

    const auto message = Restart();
    ASSERT_TRUE(message);
    EXPECT_NE(message->find("is still up and goes on being timed from its start"), std::string::npos)
        << *message;
    TickFor(10);
    LineDown();

    const auto record = LogRecord(0);
    ASSERT_EQ(LogLines().size(), 10u) << "one record for the whole call";
    EXPECT_EQ(record[2], "#10:00:00#");
    EXPECT_NEAR(std::stod(record[4]), 44, 1e-6) << "30 s journalled, 4 s gone, 10 s more, no summer hour";
    EXPECT_EQ(record[9], "\"\"");
}

// Ended from outside on a full disk: told without waiting for a click, then added at the next start
// to the totals the store holds.
TEST_F(SessionRecoveryTest, TotalsTheDiskCouldNotTakeAreToldThenAddedAtTheNextStart) {
    settings.SetProfileSetting("CumulativeTotal", "Time", " 3600");
    settings.SetProfileSetting("CumulativeTotal", "Money", "1.25");
    g.CumulativeTime = 3600;
    g.CumulativeMoney = 1.25;
    Call(90);
    OnFullDisk([&] { commands.Form_Unload(UnloadModes::TaskManager); });

    EXPECT_EQ(Told(), "");
    EXPECT_EQ(
        ui.UnattendedMessages,
        std::vector<std::string>{"Tallydial could not save its totals. Not saved: the cumulative total of "
                                 "01:01:30 and £01.265, with this session's 00:01:30 and £00.015."});
    EXPECT_TRUE(host.Ended);
    ASSERT_TRUE(Restart());
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 3690");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "1.265");
}

// The exit save was stored, but the program died before it removed the journal: the store's mark
// says the session is in, so the next start adds nothing.
TEST_F(SessionRecoveryTest, ASessionTheStoreHoldsIsNeverAddedAgain) {
    Call(90);
    file.Removable = false;
    commands.Form_Unload(UnloadModes::TaskManager);
    ASSERT_TRUE(file.Text);
    file.Removable = true;
    // The journal turns up again only after a later session was folded in.
    ASSERT_TRUE(SaveSessionTotals(engine, "a-later-session"));

    EXPECT_FALSE(Restart());
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 90");
    EXPECT_EQ(LogLines().size(), 10u);
}

// The release before this one journalled the totals themselves: 3600 s and 1.25 when its session
// began, a call of 30 s running at its last write, 10:03:00.
TEST_F(SessionRecoveryTest, AJournalOfTheReleaseBeforeIsAddedOnceOrKeptAside) {
    settings.SetProfileSetting("CumulativeTotal", "Time", " 3600");
    settings.SetProfileSetting("CumulativeTotal", "Money", "1.25");
    settings.SetProfileSetting("CumulativeTotal", "LastReset", "46300");
    const auto first = [](const char* session, const char* call) {
        return std::string("tallydial-journal 1\nprofile Default\nwritten 46358.41875\ncumulative-time 3600\n"
                           "cumulative-money 1.25\nlast-reset 46300\nfree-time-left 3600\nalarm-sounded 0\n"
                           "current-rate 1\n") +
               session + call + "end\n";
    };
    const std::string running = first("session-time 60\nsession-money 0.01\n",
                                      "call-start-date 46358\ncall-start-time 0.41736111111111113\n"
                                      "call-time 30\ncall-cost 0.005\ncall-connection X\n");
    clock.Advance(300);
    file.Text = running;

    const auto message = Restart();
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 3690");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "1.265");
    ASSERT_TRUE(message);
    const std::string told = "Tallydial ended unexpectedly on 02/12/2026 at 10:03:00.\n\n"
                             "This session's 00:01:30 and £00.015 have been added to the cumulative total.";
    EXPECT_EQ(message->substr(0, told.size()), told);
    EXPECT_EQ(LogRecord(0), (std::vector<std::string>{"\"TALLYD\"", "#2026-12-02#", "#10:01:00#",
                                                      "#10:03:00#", "30", "0.005", "\"Default\"", "\"X\"",
                                                      "0", "\"(recovered after an unexpected end)\""}));

    file.Text = running; // the new journal never replaced it
    EXPECT_FALSE(Restart()) << "the store's mark names it";
    EXPECT_EQ(Told(), "");
}

// A journal of a session of 60 s and 0.01, written as this run starts, up to its carried figures.
const std::string kSessionOf60 =
    "tallydial-journal 2\nprofile Default\nsession 5e55\nwritten-utc 1796205600\nfree-time-left 0\n"
    "alarm-sounded 0\ncurrent-rate 1\nsession-time 60\nsession-money 0.01\ncarried-time 0\ncarried-money 0\n";

// A journal of this form written before bytes were counted, and ones that count them: the session's
// bytes are added to the month's once, the cut call's line written beside its record.
struct JournalBytesRow {
    const char* Name;
    const char* SessionBytes; // lines after carried-money
    const char* CallBytes;    // lines after call-connection
    const char* DataUsed;
    const char* DataLine;
};
class JournalBytesTest : public SessionRecoveryTest, public testing::WithParamInterface<JournalBytesRow> {};

TEST_P(JournalBytesTest, AreAddedOnce) {
    settings.SetProfileSetting("ISP Charges", "DataUsed", "5000000");
    const JournalBytesRow& row = GetParam();
    const std::string text =
        kSessionOf60 + row.SessionBytes +
        "call-start-date 46358\ncall-start-time 0.41736111111111113\ncall-time 30\ncall-cost 0.005\n"
        "call-connection X\n" +
        row.CallBytes + "end\n";
    file.Text = text;
    ASSERT_TRUE(Restart());
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), row.DataUsed);
    EXPECT_EQ(DataLines(), std::vector<std::string>{row.DataLine});
    file.Text = text;
    EXPECT_FALSE(Restart()) << "the store's mark names it";
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), row.DataUsed);
    EXPECT_EQ(DataLines().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Journals, JournalBytesTest,
    testing::Values(JournalBytesRow{"WrittenBeforeBytesWereCounted", "", "", "5000000",
                                    "#2026-12-02#,#10:01:00#,\"X\",0,0"},
                    JournalBytesRow{"SessionAndCallBytes",
                                    "session-data 1000000\nsession-data-before-renewal 0\ncarried-data 0\n",
                                    "call-received 300\ncall-sent 200\n", "6000500",
                                    "#2026-12-02#,#10:01:00#,\"X\",300,200"},
                    JournalBytesRow{
                        "BytesBeforeARenewalWereLastMonths",
                        "session-data 1000000\nsession-data-before-renewal 400000\ncarried-data 0\n",
                        "call-received 300\ncall-sent 200\n", "5600500",
                        "#2026-12-02#,#10:01:00#,\"X\",300,200"}),
    RowName());

// A journal that can't be used, or one of the release before whose session began from other totals than
// the store holds (its exit save stored them already): the store holds 3600 s and 1.265.
struct UnusableJournalRow {
    const char* Name;
    std::optional<std::string> Text;
    bool Folder;
    const char* Told;
};

class UnusableJournalTest : public SessionRecoveryTest,
                            public testing::WithParamInterface<UnusableJournalRow> {};

TEST_P(UnusableJournalTest, IsKeptAsideAndToldOnce) {
    settings.SetProfileSetting("CumulativeTotal", "Time", " 3600");
    settings.SetProfileSetting("CumulativeTotal", "Money", "1.265");
    settings.SetProfileSetting("CumulativeTotal", "LastReset", "46300");
    file.Text = GetParam().Text;
    file.Folder = GetParam().Folder;

    EXPECT_FALSE(Restart());
    EXPECT_EQ(Told(), std::string(GetParam().Told) + "\n\nIt was kept as Default.journal.unused.");
    EXPECT_EQ(file.Aside, GetParam().Text);
    EXPECT_TRUE(ParseJournal(file.Text.value_or(""))) << "this run keeps its own";
    EXPECT_FALSE(Restart());
    EXPECT_EQ(Told(), "");
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 3600");
    EXPECT_TRUE(LogLines().empty());
}

const char* const kDamaged =
    "Tallydial could not use its session journal: it is damaged or not a file, so nothing "
    "was recovered from it.";
INSTANTIATE_TEST_SUITE_P(
    Journals, UnusableJournalTest,
    testing::Values(
        UnusableJournalRow{"Garbage", "tallydial-journal 2\nprofile Default\nsession-time x\nend\n", false,
                           kDamaged},
        UnusableJournalRow{"AFolder", std::nullopt, true, kDamaged},
        UnusableJournalRow{"NegativeBytes", kSessionOf60 + "session-data -1\nend\n", false, kDamaged},
        UnusableJournalRow{
            "TheReleaseBeforesFromOtherTotals",
            "tallydial-journal 1\nprofile Default\nwritten 46358.41875\ncumulative-time 3510\n"
            "cumulative-money 1.25\nlast-reset 46300\nfree-time-left 3600\nalarm-sounded 0\n"
            "current-rate 1\nsession-time 90\nsession-money 0.015\nend\n",
            false,
            "A session journal of an earlier version of Tallydial was found, but the cumulative "
            "total has changed since it was written, so its session was not added."}),
    RowName());

// The free-time warning opens at the call's first tick and holds it for 36 s; the program dies there.
TEST_F(SessionRecoveryTest, AWindowThatHoldsTheTickKeepsTheJournalGoing) {
    g.UnlimitedTime = false;
    g.FreeTimeLeft = 0;
    g.LastResetMonth = 12;
    g.ISPAlarm = true;
    g.FreeTimeRanOut = false;
    ui.WhileAlarmOpen = [&] {
        for (int i = 0; i < 72; ++i) {
            clock.Advance(0.5);
            WatchLineWhileHeld(engine);
        }
        throw Killed{};
    };
    Connected();
    EXPECT_THROW(Tick(), Killed);
    ui.WhileAlarmOpen = nullptr;
    Idle();

    ASSERT_TRUE(Restart());
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 30") << "lost no more than the journal's interval";
}

// One free hour at 1.00 an hour, calls free on the phone: each run's calls, the run ended by its exit
// or killed during its last call.
struct ProviderRow {
    const char* Name;
    std::vector<std::vector<double>> Runs; // minutes
    bool Killed;
    const char* Stored;
    const char* Shown;
    const char* Told; // a run killed: what the next start says
};

class ProviderChargeTest : public SessionRecoveryTest, public testing::WithParamInterface<ProviderRow> {};

TEST_P(ProviderChargeTest, IsCountedOnceForTheTimeBeyondTheFreeTimeLeftAtTheSessionsStart) {
    const ProviderRow& row = GetParam();
    settings.SetProfileSetting("ISP Charges", "UnlimitedTime", "False");
    settings.SetProfileSetting("ISP Charges", "CostPerHour", " 1");
    settings.SetProfileSetting("ISP Charges", "freetimeleft", " 3600");
    settings.SetProfileSetting("ISP Charges", "lastreset", " 12");
    settings.SetProfileSetting("Charges", "Amount1", "0");
    settings.SetProfileSetting("Alarm", "ISPAlarm", "True");
    for (const std::vector<double>& run : row.Runs) {
        NextRun();
        journal.Open(engine);
        for (double minutes : run)
            row.Killed ? Online(minutes * 60) : Call(minutes * 60);
        if (!row.Killed) commands.Form_Unload(UnloadModes::TaskManager);
    }
    if (row.Killed) Idle(); // the line is down by the next start
    const auto message = row.Killed ? Restart() : std::nullopt;
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), row.Stored);
    EXPECT_EQ(view.Label(MainLabel::CMoney), row.Shown);
    EXPECT_NE(message.value_or("").find(row.Told), std::string::npos) << message.value_or("");
    Online(60);
    EXPECT_LE(ui.Alarms.size(), 1u) << "the run-out warning is not shown again, a recovery between";
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, ProviderChargeTest,
    testing::Values(
        ProviderRow{"TwoRunsTheFirstPastTheFreeHour", {{45, 14}, {31, 30}}, false, "1", "£01.00", ""},
        ProviderRow{
            "NinetyMinutesHalfAnHourBeyond", {{90}}, true, "0.5", "£00.50", "and £00.50 have been added"},
        ProviderRow{
            "FortyMinutesWithinTheFreeHour", {{40}}, true, "0", "£00.00", "and £00.00 have been added"}),
    RowName());

struct KilledCase {
    const char* Name;
    std::function<void(MainWindowCommands&, Engine&)> Dying;
    const char* Comment;
};

class KilledTest : public SessionRecoveryTest, public testing::WithParamInterface<KilledCase> {};

// Dies at the ended call's comment question: the record has nine fields when the next start comes.
TEST_P(KilledTest, NeitherDoublesTheSessionNorLogsTheCallTwice) {
    Call(60);
    Online(30);
    g.LogComments = true;
    EXPECT_THROW(GetParam().Dying(dyingCommands, dyingEngine), Killed);

    ASSERT_TRUE(Restart());

    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 90");
    ASSERT_EQ(LogLines().size(), 20u) << "the cut record gets its comment";
    EXPECT_EQ(LogRecord(1)[9], GetParam().Comment);
    EXPECT_EQ(DataLines().size(), 2u) << "a line per call, once";
}

INSTANTIATE_TEST_SUITE_P(
    During, KilledTest,
    testing::Values(KilledCase{"TheExitSave",
                               [](MainWindowCommands& c, Engine&) { c.Form_Unload(UnloadModes::CloseBox); },
                               "\"(recovered after an unexpected end)\""},
                    KilledCase{"ASessionReset", [](MainWindowCommands& c, Engine&) { c.Command2_Click(); },
                               "\"(recovered after an unexpected end)\""},
                    KilledCase{"TheLineDropping",
                               [](MainWindowCommands&, Engine& e) {
                                   auto& line = static_cast<FakeDialUpService&>(e.Detect.Service());
                                   line.Connections.clear();
                                   line.Flag = false;
                                   Timer1_Timer(e);
                               },
                               "\"\""}),
    RowName());

} // namespace
