#include "startup/MainWindowCommands.h"

#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class FakeHost : public MainWindowHost {
public:
    bool StartLogViewer() override { return ++LogViewerStarts > LogViewerFailures; }
    long StartOwnExecutable(const std::string& arguments) override {
        if (WhileRestarting) WhileRestarting();
        Restarts.push_back(arguments);
        return RestartError;
    }
    void UnloadMainWindow() override {
        if (!Commands->Form_QueryUnload(UnloadModes::Code)) Commands->Form_Unload(UnloadModes::Code);
    }
    void EndProgram() override { Ended = true; }

    MainWindowCommands* Commands = nullptr;
    int LogViewerStarts = 0;
    int LogViewerFailures = 0;
    std::vector<std::string> Restarts;
    std::function<void()> WhileRestarting;
    long RestartError = 0;
    bool Ended = false;
};

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
    // The session's time and money, then the cumulative total's.
    std::string Shown() const {
        return view.Label(MainLabel::Time) + " " + view.Label(MainLabel::Money) + " " +
               view.Label(MainLabel::CTime) + " " + view.Label(MainLabel::CMoney);
    }

    FakeHost host;
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
    const char* ShownTenSecondsLater;
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
    EXPECT_EQ(Shown(), c.ShownTenSecondsLater);
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "00:58:20");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ResetTest,
    testing::Values(ResetCase{"SessionFoldedInAndTheCallGoesOnAsANewOne", &MainWindowCommands::Command2_Click,
                              2, OK, OK, kSessionQuestion, 20, false, "01/01/2026",
                              "00:00:10 £00.10 00:18:20 £02.30"},
                    ResetCase{"SessionCancelled", &MainWindowCommands::Command2_Click, 2, Cancel, OK,
                              kSessionQuestion, 10, true, "01/01/2026", "00:01:40 £00.20 00:18:20 £02.20"},
                    ResetCase{"CumulativeAndSession", &MainWindowCommands::Command3_Click, 1, OK, Yes,
                              kBothQuestions, 20, false, "02/12/2026", "00:00:10 £00.10 00:00:10 £00.10"},
                    ResetCase{"CumulativeOnly", &MainWindowCommands::Command3_Click, 1, OK, No,
                              kBothQuestions, 10, false, "02/12/2026", "00:01:40 £00.20 00:01:40 £00.20"},
                    ResetCase{"CumulativeCancelled", &MainWindowCommands::Command3_Click, 1, Cancel, OK,
                              kCumulativeQuestion, 10, true, "01/01/2026",
                              "00:01:40 £00.20 00:18:20 £02.20"}),
    [](const testing::TestParamInfo<ResetCase>& row) { return std::string(row.param.Name); });

struct ProviderCase {
    const char* Name;
    std::vector<std::vector<double>> Sessions; // minutes of each call, session by session
    const char* StoredMoney;
    const char* Shown;
};

class ProviderChargeTest : public MainWindowCommandsTest, public testing::WithParamInterface<ProviderCase> {
protected:
    // A later run of the program over the same store.
    void NewSession() {
        const Globals previous = g;
        g = Globals{};
        g.Profiles = previous.Profiles;
        g.ClockBaseDate = previous.ClockBaseDate;
        g.LogFilePath = previous.LogFilePath;
        LoadModel(g, settings, clock, ui, view);
    }
};

// One free hour, 1.00 an hour beyond it, calls that cost nothing on the phone.
TEST_P(ProviderChargeTest, IsCountedOnceAndOnlyBeyondTheFreeTime) {
    settings.SetProfileSetting("ISP Charges", "UnlimitedTime", "False");
    settings.SetProfileSetting("ISP Charges", "CostPerHour", " 1");
    settings.SetProfileSetting("ISP Charges", "freetimeleft", " 3600");
    settings.SetProfileSetting("ISP Charges", "lastreset", " 12");
    settings.SetProfileSetting("Charges", "Amount1", "0");
    for (const std::vector<double>& session : GetParam().Sessions) {
        NewSession();
        for (double minutes : session)
            Call(minutes * 60);
        commands.Form_Unload(UnloadModes::TaskManager);
    }
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), GetParam().StoredMoney);
    EXPECT_EQ(view.Label(MainLabel::CMoney), GetParam().Shown) << "as the last tick showed it";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ProviderChargeTest,
    testing::Values(ProviderCase{"OneCallOf90Minutes", {{90}}, "0.5", "£00.50"},
                    ProviderCase{"TwoCallsOf45Minutes", {{45, 45}}, "0.5", "£00.50"},
                    ProviderCase{"TwoSessionsOf59And31Minutes", {{59}, {31}}, "0.5", "£00.50"},
                    ProviderCase{"WithinTheFreeHour", {{30, 29}}, "0", "£00.00"}),
    [](const testing::TestParamInfo<ProviderCase>& row) { return std::string(row.param.Name); });

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
    Online(90.5);
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
    EXPECT_FALSE(g.InCall);
    ASSERT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[4], "90.5");
    EXPECT_EQ(LogLines()[9], "\"\"");
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 190.5");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "0.515083333333333"); // 0.5 + 90.5 s at 0.01 per minute
    EXPECT_EQ(Stored("CumulativeTotal", "LastReset"), "36526");
    EXPECT_EQ(Stored("ISP charges", "freetimeleft"), " 7109.5");
    EXPECT_EQ(Stored("Alarm", "AlarmSounded"), "False");
    EXPECT_EQ(Stored("Misc", "LastChargeRate"), " 1");
    EXPECT_FALSE(view.TrayIconVisible);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ExitTest,
    testing::Values(
        ExitCase{"ExitAsksFirst", &MainWindowCommands::mExit_Click, 0, kCloseQuestion, 1, ""},
        ExitCase{"EndedFromOutsideNeitherAsksNorWaitsForAComment", EndFromOutside, 0, "", 0, ""},
        ExitCase{"ChangeProfileRestartsWithoutAsking", &MainWindowCommands::cmdChangeProfile_Click, 0, "", 1,
                 " APPRESTARTPROFILEORVANE"},
        ExitCase{"FailedRestartIsReported", &MainWindowCommands::cmdChangeProfile_Click, 53,
                 "Error #53 in profile switch code. Please contact me at: support@tallydial.example", 1,
                 " APPRESTARTPROFILEORVANE"}),
    [](const testing::TestParamInfo<ExitCase>& row) { return std::string(row.param.Name); });

TEST_F(MainWindowCommandsTest, CloseQuestionHasItsTitleAndYesNo) {
    ui.Answers = {MsgResult::No};
    commands.mExit_Click();
    ASSERT_EQ(Told(), kCloseQuestion);
    EXPECT_EQ(ui.Messages[0].Title, "Close Tallydial?");
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::YesNo);
    EXPECT_FALSE(host.Ended) << "No keeps the program running";
}

TEST_F(MainWindowCommandsTest, DiskFullAtExitTellsTheFiguresThatCouldNotBeSaved) {
    g.CumulativeTime = 3600;
    g.CumulativeMoney = 1.25;
    Call(90);
    OnFullDisk([&] { commands.Form_Unload(UnloadModes::TaskManager); });

    EXPECT_EQ(Told(), "Tallydial could not save its totals. Not saved: the cumulative total of 01:01:30 and "
                      "£01.265, with this session's 00:01:30 and £00.015.");
    EXPECT_TRUE(host.Ended);
}

TEST_F(MainWindowCommandsTest, StartAndStopByHand) {
    g.AutoDetect = false;
    commands.StartStop_Click();
    EXPECT_TRUE(g.InCall);
    EXPECT_EQ(view.StartStopCaption, "Stop");
    EXPECT_EQ(view.MenuStartStopCaption, "Start") << "each control sets only its own caption";
    TickFor(30);
    EXPECT_EQ(view.Label(MainLabel::Time), "00:00:30");
    commands.mStartStop_Click();
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(view.MenuStartStopCaption, "Start");
    ASSERT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[4], "30");
    EXPECT_EQ(LogLines()[7], "\"\"") << "no connection was listed";
}

TEST_F(MainWindowCommandsTest, TrayClickShowsTheWindowOrPopsTheMenuUpButOnlyBeepsWhileAPromptIsOpen) {
    EXPECT_EQ(commands.ZTray_Click(2), TrayClickAction::PopUpMenu);
    EXPECT_EQ(commands.ZTray_Click(1), TrayClickAction::None);
    EXPECT_TRUE(view.Visible);
    g.TrayEnabled = false;
    view.Visible = false;
    EXPECT_EQ(commands.ZTray_Click(1), TrayClickAction::None);
    EXPECT_EQ(commands.ZTray_Click(2), TrayClickAction::None);
    EXPECT_EQ(ui.Beeps, 2);
    EXPECT_FALSE(view.Visible);
    commands.hide_Click();
    EXPECT_TRUE(g.TrayEnabled);
}

TEST_F(MainWindowCommandsTest, LogViewerThatCantStartGivesItsMessage) {
    commands.cmdLogViewer_Click();
    EXPECT_TRUE(ui.Messages.empty());
    host.LogViewerFailures = 2;
    commands.cmdLogViewer_Click();
    EXPECT_EQ(Told(), "Unable to run log viewer. Try starting it from the start menu.");
}

} // namespace
