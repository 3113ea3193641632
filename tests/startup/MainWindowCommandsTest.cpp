#include "startup/MainWindowCommands.h"

#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

const std::string pound = "\xC2\xA3";

class FakeHost : public MainWindowHost {
public:
    bool StartLogViewer() override {
        ++LogViewerStarts;
        return LogViewerStarts > LogViewerFailures;
    }
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

    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const auto& m : ui.Messages)
            prompts.push_back(m.Prompt);
        return prompts;
    }

    FakeHost host;
    MainWindowCommands commands{engine, host};
};

const std::string kSessionQuestion = "Are you sure you went to reset your total for this session? (It will "
                                     "be retained in the cumulative total)";
const std::string kCumulativeQuestion = "Are you sure you went to reset your cumulative total? ";
const std::string kAlsoSessionQuestion = "Do you want to also reset the total for this session?";

TEST_F(MainWindowCommandsTest, SessionResetDuringACallFoldsTheSessionInAndStartsANewCall) {
    g.UnlimitedTime = false;
    g.FreeTimeLeft = 3600;
    g.LastResetMonth = 12; // renewed this month already
    g.CumulativeTime = 1000;
    g.CumulativeMoney = 2;
    g.MinCharge = 0.10;
    Online(60);
    const double sessionMoney = 0.10; // 60 s at 0.01 per minute is below the minimum

    commands.Command2_Click();

    EXPECT_EQ(Prompts(), std::vector<std::string>{kSessionQuestion});
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::OKCancel);
    EXPECT_EQ(LogLines().size(), 10u) << "the call is logged as ended";
    EXPECT_EQ(LogLines()[4], "60");
    EXPECT_TRUE(g.InCall) << "and a new call starts at once";
    EXPECT_EQ(view.Label(MainLabel::Time), "00:00:00");
    EXPECT_EQ(view.Label(MainLabel::Money), pound + "00.00");
    EXPECT_DOUBLE_EQ(g.CumulativeTime, 1060);
    EXPECT_DOUBLE_EQ(g.CumulativeMoney, 2 + sessionMoney);
    EXPECT_DOUBLE_EQ(g.FreeTimeLeft, 3540);
    EXPECT_EQ(g.SessionTimeBanked, 0);
    EXPECT_EQ(g.SessionMoneyBanked, 0);

    TickFor(10);
    EXPECT_EQ(view.Label(MainLabel::Time), "00:00:10");
    EXPECT_EQ(view.Label(MainLabel::CTime), "00:17:50");
}

struct ResetCase {
    const char* Name;
    std::vector<MsgResult> Answers;
    bool SessionCleared;
    bool CumulativeCleared;
    std::vector<std::string> Questions;
};

class CumulativeResetTest : public MainWindowCommandsTest, public testing::WithParamInterface<ResetCase> {};

TEST_P(CumulativeResetTest, ClearsWhatTheAnswersAskFor) {
    const ResetCase& c = GetParam();
    g.CumulativeTime = 500;
    g.CumulativeMoney = 5;
    g.LastReset = DateSerial::FromCivil(2026, 1, 1);
    g.AlarmTotal = 1;
    g.AlarmSounded = true;
    g.ConnectionDetectMode = 2;
    Call(30);
    ui.Answers.assign(c.Answers.begin(), c.Answers.end());

    commands.Command3_Click();

    EXPECT_EQ(Prompts(), c.Questions);
    EXPECT_FALSE(commands.Command3Value());
    EXPECT_EQ(g.SessionTimeBanked, c.SessionCleared ? 0 : 30);
    if (c.CumulativeCleared) {
        EXPECT_EQ(g.CumulativeTime, 0);
        EXPECT_EQ(g.CumulativeMoney, 0);
        EXPECT_EQ(view.Label(MainLabel::CTime), "00:00:00");
        EXPECT_EQ(view.Label(MainLabel::CMoney), pound + "00.00");
        EXPECT_EQ(g.LastReset, clock.Today());
        EXPECT_EQ(view.Label(MainLabel::LastResetLabel), "02/12/2026");
        EXPECT_FALSE(g.AlarmSounded);
    } else {
        EXPECT_EQ(g.CumulativeTime, 500);
        EXPECT_EQ(g.LastReset, DateSerial::FromCivil(2026, 1, 1));
        EXPECT_TRUE(g.AlarmSounded);
    }
    Tick();
    // What the window shows from now on.
    EXPECT_EQ(view.Label(MainLabel::CTime),
              c.CumulativeCleared ? (c.SessionCleared ? "00:00:00" : "00:00:30") : "00:08:50");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CumulativeResetTest,
    testing::Values(ResetCase{"YesThenYesClearsBoth",
                              {MsgResult::OK, MsgResult::Yes},
                              true,
                              true,
                              {kCumulativeQuestion, kAlsoSessionQuestion}},
                    ResetCase{"YesThenNoClearsOnlyTheCumulativeTotal",
                              {MsgResult::OK, MsgResult::No},
                              false,
                              true,
                              {kCumulativeQuestion, kAlsoSessionQuestion}},
                    ResetCase{
                        "CancelChangesNothing", {MsgResult::Cancel}, false, false, {kCumulativeQuestion}}),
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
    EXPECT_EQ(view.Label(MainLabel::CMoney), pound + GetParam().Shown) << "as the last tick showed it";
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ProviderChargeTest,
    testing::Values(ProviderCase{"OneCallOf90Minutes", {{90}}, "0.5", "00.50"},
                    ProviderCase{"TwoCallsOf45Minutes", {{45, 45}}, "0.5", "00.50"},
                    ProviderCase{"TwoSessionsOf59And31Minutes", {{59}, {31}}, "0.5", "00.50"},
                    ProviderCase{"WithinTheFreeHour", {{30, 29}}, "0", "00.00"}),
    [](const testing::TestParamInfo<ProviderCase>& row) { return std::string(row.param.Name); });

TEST_F(MainWindowCommandsTest, SessionResetCancelledChangesNothing) {
    Online(10);
    ui.Answers = {MsgResult::Cancel};
    commands.Command2_Click();
    EXPECT_TRUE(g.InCall);
    EXPECT_EQ(g.CumulativeTime, 0);
    EXPECT_FALSE(std::filesystem::exists(g.LogFilePath));
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
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 30);
    EXPECT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[7], "\"\"") << "no connection was listed";
}

TEST_F(MainWindowCommandsTest, TrayClick) {
    EXPECT_EQ(commands.ZTray_Click(2), TrayClickAction::PopUpMenu);
    view.Visible = false;
    EXPECT_EQ(commands.ZTray_Click(1), TrayClickAction::None);
    EXPECT_TRUE(view.Visible);
    EXPECT_EQ(ui.Beeps, 0);

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
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{"Unable to run log viewer. Try starting it from the start menu."});
}

TEST_F(MainWindowCommandsTest, ExitDuringACallLogsItAndSavesTotalsThatIncludeIt) {
    g.CumulativeTime = 100;
    g.CumulativeMoney = 0.5;
    g.UnlimitedTime = false;
    g.FreeTimeLeft = 7200;
    g.LastResetMonth = 12;
    g.LastReset = DateSerial::FromCivil(2000, 1, 1);
    Online(90.5);

    commands.mExit_Click();

    EXPECT_EQ(Prompts(), std::vector<std::string>{kCloseQuestion});
    EXPECT_EQ(ui.Messages[0].Title, "Close Tallydial?");
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::YesNo);
    EXPECT_TRUE(host.Ended);
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[4], "90.5");
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 190.5");
    EXPECT_EQ(Stored("CumulativeTotal", "Money"), "0.515083333333333"); // 0.5 + 90.5 s at 0.01 per minute
    EXPECT_EQ(Stored("CumulativeTotal", "LastReset"), "36526");
    EXPECT_EQ(Stored("ISP charges", "freetimeleft"), " 7109.5");
    EXPECT_EQ(Stored("Alarm", "AlarmSounded"), "False");
    EXPECT_EQ(Stored("Misc", "LastChargeRate"), " 1");
    EXPECT_FALSE(view.TrayIconVisible);
    EXPECT_TRUE(host.Restarts.empty());
}

TEST_F(MainWindowCommandsTest, DiskFullAtExitTellsTheFiguresThatCouldNotBeSaved) {
    g.CumulativeTime = 3600;
    g.CumulativeMoney = 1.25;
    Call(90);
    OnFullDisk([&] { commands.Form_Unload(UnloadModes::TaskManager); });

    EXPECT_EQ(Prompts(), std::vector<std::string>{"Tallydial could not save its totals. Not saved: the "
                                                  "cumulative total of 01:01:30 and " +
                                                  pound + "01.265, with this session's 00:01:30 and " +
                                                  pound + "00.015."});
    EXPECT_TRUE(host.Ended);
}

TEST_F(MainWindowCommandsTest, EndedFromOutsideNeitherAsksNorWaitsForAComment) {
    g.LogComments = true;
    Online(5);
    EXPECT_FALSE(commands.Form_QueryUnload(UnloadModes::SessionEnding));
    EXPECT_FALSE(commands.Form_QueryUnload(UnloadModes::TaskManager));
    commands.Form_Unload(UnloadModes::TaskManager);
    EXPECT_TRUE(ui.Messages.empty());
    EXPECT_TRUE(ui.InputPrompts.empty());
    EXPECT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(LogLines()[9], "\"\"");
    EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 5");
    EXPECT_TRUE(host.Ended);
}

TEST_F(MainWindowCommandsTest, ChangeProfileDuringACallLogsItAndSavesWithoutAskingBeforeRestarting) {
    g.CumulativeTime = 42;
    Online(30);
    host.WhileRestarting = [this] {
        EXPECT_EQ(LogLines().size(), 10u);
        EXPECT_EQ(Stored("CumulativeTotal", "Time"), " 72");
        EXPECT_FALSE(host.Ended);
    };
    commands.cmdChangeProfile_Click();
    EXPECT_TRUE(ui.Messages.empty());
    EXPECT_TRUE(g.ProfileSwitchPending);
    EXPECT_EQ(host.Restarts, std::vector<std::string>{" APPRESTARTPROFILEORVANE"});
    EXPECT_TRUE(host.Ended);
}

TEST_F(MainWindowCommandsTest, FailedRestartIsReportedAndTheProgramStillEnds) {
    host.RestartError = 53;
    commands.cmdChangeProfile_Click();
    EXPECT_EQ(Prompts(),
              std::vector<std::string>{
                  "Error #53 in profile switch code. Please contact me at: support@tallydial.example"});
    EXPECT_TRUE(host.Ended);
}

} // namespace
