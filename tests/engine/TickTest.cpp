#include "engine/Tick.h"

#include "engine/CallData.h"

#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

namespace {

using Fields = std::vector<std::string>;

class TickTest : public testing::Test, public EngineHarness {};

// 90.5 s at 0.10 a minute with a minimum charge of 0.10, on top of earlier totals of 100 s and 1.00.
TEST_F(TickTest, FiguresFollowTheCallAndTheCallIsLogged) {
    using enum MainLabel;
    g.Rates[1].Amount = 0.10;
    g.MinCharge = 0.10;
    g.CumulativeTime = 100;
    g.CumulativeMoney = 1;
    g.LastResetMonth = 12; // no renewal
    g.DataUsed = 5e9;
    g.DataAllowance = 20;
    line.Traffic[1] = {4'000'000'000, 5000}; // the counters as the call finds them
    Connected("Home ISP");
    Tick();
    TickFor(30);
    line.Traffic[1] = {4'001'200'000, 39'000};
    EXPECT_EQ(Shown(Cost, Money), "\u00A300.10 \u00A300.10") << "the minimum charge";
    TickFor(60.5);
    EXPECT_EQ(Shown(Time, Money, CTime, CMoney, lblSessionData, lblMonthData),
              "00:01:30 \u00A300.151 00:03:10 \u00A301.151 1.2 MB 5 of 20 GB");

    LineDown();
    EXPECT_NEAR(g.SessionMoneyBanked, 0.1508333, 1e-7);
    // Outside a call the session figures keep what they showed; the totals go on being shown.
    TickFor(5);
    EXPECT_EQ(Shown(Time, CTime), "00:01:30 00:03:10");
    EXPECT_EQ(LogLines(), (Fields{"\"TALLYD\"", "#2026-12-02#", "#10:00:00#", "#10:01:30#", "90.5",
                                  "0.15083333333333335", "\"Default\"", "\"Home ISP\"", "0", "\"\""}));
    EXPECT_EQ(DataLines(), Fields{"#2026-12-02#,#10:00:00#,\"Home ISP\",1200000,34000"});
    EXPECT_EQ(g.SessionDataBanked, 1234000);
}

// A call at its rate and minimum charge.
struct ChargeRow {
    const char* Name;
    double Amount;
    double Seconds;
    const char* Cost;
};
class MinimumCharge : public TickTest, public testing::WithParamInterface<ChargeRow> {};

TEST_P(MinimumCharge, HoldsUntilTheAccrualPassesIt) {
    g.MinCharge = 0.10;
    g.Rates[1].Amount = GetParam().Amount;
    Online(0);
    clock.Advance(GetParam().Seconds);
    LineDown();
    EXPECT_EQ(LogRecord(0).at(5), GetParam().Cost);
}

const ChargeRow chargeRows[] = {
    {"NothingAtTheFirstInstant", 0.01, 0, "0"},
    {"FractionOfASecondCostsTheMinimum", 0.01, 0.5, "0.1"},
    {"MinimumHoldsUntilTheAccrualPassesIt", 0.01, 599.5, "0.1"},
    {"AccrualBeyondTheMinimum", 0.01, 660, "0.11"},
    {"PriceZeroNeverChargesTheMinimum", 0, 60, "0"},
};
INSTANTIATE_TEST_SUITE_P(Calls, MinimumCharge, testing::ValuesIn(chargeRows), RowName());

// The call's connection listed anew under another handle, whose counters show other figures: its
// bytes go on from the new counters without a jump.
TEST_F(TickTest, BytesGoOnWithoutAJumpWhenTheConnectionIsListedAnew) {
    line.Traffic[1] = {};
    Connected("Home ISP");
    Tick();
    line.Traffic[1] = {1'000'000, 100'000};
    TickFor(5);
    line.Connections = {{2, "Home ISP"}};
    line.Traffic[2] = {7'000'000'000, 9'000};
    TickFor(5);
    line.Traffic[2] = {7'000'500'000, 9'500};
    TickFor(5);
    LineDown();
    EXPECT_EQ(DataLines(), Fields{"#2026-12-02#,#10:00:00#,\"Home ISP\",1500000,100500"});
}

// A dial that drops before it is established is a failed dial, timed and charged as a call in mode 1 only.
struct FailedDialRow {
    const char* Name;
    DetectMode Mode;
    double Timed;
    const char* CumulativeTime;
    const char* Connection; // no call was timed in mode 2's run, so none is named
};
class FailedDial : public TickTest, public testing::WithParamInterface<FailedDialRow> {};

TEST_P(FailedDial, IsLoggedWithTheFailCharge) {
    g.ConnectionDetectMode = GetParam().Mode;
    g.MinCharge = 0.10;
    g.FailCharge = 0.25;
    Dialling("Work");
    Tick();
    EXPECT_EQ(g.InCall, GetParam().Timed > 0);
    TickFor(20);
    LineDown();
    EXPECT_EQ(g.SessionTimeBanked, GetParam().Timed);
    EXPECT_EQ(g.SessionMoneyBanked, GetParam().Timed > 0 ? 0.10 : 0);
    EXPECT_EQ(view.Label(MainLabel::CTime), GetParam().CumulativeTime);
    EXPECT_EQ(LogLines(), (Fields{"\"TALLYD\"", "#2026-12-02#", "#10:00:20#", "#10:00:20#", "0", "0.25",
                                  "\"Default\"", GetParam().Connection, "1", "\"\""}));
}

const FailedDialRow failedDialRows[] = {
    {"NotTimedInModeTwo", DetectMode::WhenConnected, 0, "00:00:00", "\"\""},
    {"TimedInModeOne", DetectMode::WhenDialling, 20, "00:00:20", "\"Work\""},
};
INSTANTIATE_TEST_SUITE_P(Modes, FailedDial, testing::ValuesIn(failedDialRows), RowName());

TEST_F(TickTest, NoRecordAndNoQuestionWhenLoggingIsOff) {
    g.LogComments = true;
    const auto failedDials = [this] {
        for (const DetectMode mode : {DetectMode::WhenDialling, DetectMode::WhenConnected}) {
            g.ConnectionDetectMode = mode;
            Dialling();
            Tick();
            TickFor(3);
            LineDown();
        }
    };
    g.LogEnabled = false;
    Call(5);
    failedDials();
    EXPECT_EQ(g.SessionTimeBanked, 8) << "the call and the failed dial of mode 1 still count";

    g.LogEnabled = true;
    g.LogFails = false;
    failedDials();
    EXPECT_FALSE(std::filesystem::exists(g.LogFilePath));
    EXPECT_TRUE(ui.InputPrompts.empty());
}

// Hanging up in mode 1: the flag drops first while the list still holds the entry.
TEST_F(TickTest, ModeOneEndsTheCallWhenTheFlagDrops) {
    g.ConnectionDetectMode = DetectMode::WhenDialling;
    Dialling();
    Tick();
    TickFor(10);
    Connected();
    TickFor(10);
    line.Flag = false;
    TickFor(0.5);
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(g.SessionTimeBanked, 20.5);
    TickFor(2);
    Idle();
    TickFor(1);
    EXPECT_EQ(LogLines().size(), 10u) << "the entry still listed must not start another call";
    EXPECT_EQ(LogRecord(0).at(8), "0");
}

TEST_F(TickTest, ModeThreeEndsTheCallWhenASecondConnectionAppears) {
    g.ConnectionDetectMode = DetectMode::Compatibility;
    Dialling("A");
    Tick();
    EXPECT_TRUE(g.InCall);
    TickFor(5);
    line.Add(2, "B");
    TickFor(2);
    EXPECT_FALSE(g.InCall);
    Idle();
    TickFor(1);
    EXPECT_EQ(LogLines().size(), 10u) << "no failed dial in mode 3";
}

TEST_F(TickTest, RatePickedInTheListAppliesAtTheNextTick) {
    view.Rate = "Evening";
    Tick();
    EXPECT_EQ(g.CurrentRate, 2);
    EXPECT_EQ(view.Label(MainLabel::Cost), "\u00A300.02");
    // Of two rates with the same name the later one wins.
    g.Rates[4].Name = "Evening";
    Tick();
    EXPECT_EQ(g.CurrentRate, 4);
    view.Rate = "No such rate";
    Tick();
    EXPECT_EQ(g.CurrentRate, 4);
}

// A call of 20 s during which the wall clock passes midnight or jumps besides running on.
struct WallClockRow {
    const char* Name;
    int Year, Month, Day, Hour, Minute, Second;
    double WallJump; // seconds, halfway through
    const char* StartDate;
    int BaseDayAfter; // of ClockBaseDate, in the start's month
};
class TickWallClock : public TickTest, public testing::WithParamInterface<WallClockRow> {};

TEST_P(TickWallClock, CallTimeDoesNotJump) {
    const WallClockRow& row = GetParam();
    clock.Set(row.Year, row.Month, row.Day, row.Hour, row.Minute, row.Second);
    g.ClockBaseDate = clock.Today();
    Online(10);
    clock.SetNow(clock.Now() + row.WallJump / 86400);
    TickFor(10);
    EXPECT_EQ(view.Label(MainLabel::Time), "00:00:20");
    LineDown();
    EXPECT_EQ(g.SessionTimeBanked, 20);
    EXPECT_EQ(LogRecord(0).at(1), row.StartDate);
    EXPECT_EQ(LogRecord(0).at(4), "20");
    EXPECT_EQ(g.ClockBaseDate, DateSerial::FromCivil(row.Year, row.Month, row.BaseDayAfter));
}

const WallClockRow wallClockRows[] = {
    {"OverMidnight", 2026, 12, 2, 23, 59, 50, 0, "#2026-12-02#", 3},
    // The base date stays on the old month's last day, so the clock runs on into the new month.
    {"OverTheEndOfTheMonth", 2026, 12, 31, 23, 59, 50, 0, "#2026-12-31#", 31},
    {"DaylightSavingEnds", 2026, 10, 25, 1, 59, 50, -3600, "#2026-10-25#", 25},
    {"SetForwardADayByHand", 2026, 12, 2, 14, 0, 0, 86400, "#2026-12-02#", 3},
};
INSTANTIATE_TEST_SUITE_P(Calls, TickWallClock, testing::ValuesIn(wallClockRows), RowName());

// The line comes back 3 s into the last call's comment question, which stays open 10 s more: the
// new call is timed from when its line came up.
TEST_F(TickTest, ACallThatStartsBehindTheCommentQuestionIsTimedFromItsStart) {
    g.LogComments = true;
    bool asked = false;
    ui.WhileAsked = [&] {
        if (std::exchange(asked, true)) return;
        clock.Advance(3);
        Connected();
        for (int i = 0; i < 20; ++i) {
            WatchLineWhileHeld(engine);
            clock.Advance(0.5);
        }
    };
    Connected();
    Tick();
    clock.Advance(30);
    LineDown();
    Tick();
    clock.Advance(20);
    LineDown();

    ASSERT_EQ(LogLines().size(), 20u);
    EXPECT_EQ(LogRecord(1)[2], "#10:00:33#");
    EXPECT_EQ(LogRecord(1)[4], "30") << "10 s behind the question, 20 s after";
}

// Started by a profile switch that ended a call 5 s ago, the line still up: one call from the switch,
// its bytes from the counters then.
TEST_F(TickTest, ACallAProfileSwitchEndedGoesOnFromTheSwitch) {
    g.SwitchedAtUtc = clock.UtcSeconds() - 5;
    TakeSwitchCounters("40000:300", g);
    line.Traffic[1] = {46'000, 350};
    Call(10);
    EXPECT_EQ(LogRecord(0)[2], "#09:59:55#");
    EXPECT_EQ(LogRecord(0)[4], "15");
    Call(10);
    EXPECT_EQ(LogRecord(1)[4], "10") << "only the first call";
    EXPECT_EQ(DataLines(),
              (Fields{"#2026-12-02#,#09:59:55#,\"X\",6000,50", "#2026-12-02#,#10:00:10#,\"X\",0,0"}));
}

// The log can't be written: one message per run; both records kept whole with their comments.
TEST_F(TickTest, CommentIsAskedWithTheTrayDisabledAndKeptWithItsRecordWhenTheLogIsUnwritable) {
    g.LogComments = true;
    std::filesystem::create_directory(g.LogFilePath); // can't be opened as a file, even by root
    std::vector<bool> trayEnabledWhileAsked;
    ui.WhileAsked = [&] { trayEnabledWhileAsked.push_back(g.TrayEnabled); };
    ui.Inputs = {std::string("slow \"line\", again"), std::nullopt};
    for (int call = 0; call < 2; ++call) {
        StartCall(engine);
        clock.Advance(30);
        EndCall(engine, false);
    }
    EXPECT_EQ(trayEnabledWhileAsked, (std::vector<bool>{false, true, false})) << "comment, message, comment";
    EXPECT_TRUE(g.TrayEnabled);
    EXPECT_EQ(ui.InputPrompts,
              std::vector<std::string>(2, "What comments would you like to add to the log for this dial?"));
    EXPECT_EQ(ui.InputTitles, std::vector<std::string>(2, "Tallydial - Comments"));
    ASSERT_EQ(ui.Messages.size(), 1u);
    EXPECT_EQ(ui.Messages[0].Prompt, "Unable to open log file");
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::OK);
    EXPECT_EQ(ui.Messages[0].Title, "Tallydial");
    const std::vector<std::string> kept = LogLines(g.LogPendingPath);
    ASSERT_EQ(kept.size(), 20u) << "both records whole";
    EXPECT_EQ(kept[9], "\"slow \"line\", again\"");
    EXPECT_EQ(kept[19], "\"\"") << "a cancelled comment is empty";
    EXPECT_EQ(g.SessionTimeBanked, 60) << "the call is banked all the same";
}

} // namespace
