#include "engine/Tick.h"

#include "engine/CallFigures.h"
#include "engine/CallLogRecords.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <filesystem>

namespace {

const std::string pound = "\xC2\xA3";

class TickTest : public testing::Test, public EngineHarness {
protected:
    std::vector<std::string> Record(size_t index = 0) const {
        const std::vector<std::string> lines = LogLines();
        if (lines.size() < (index + 1) * 10) return {};
        return {lines.begin() + static_cast<long>(index * 10),
                lines.begin() + static_cast<long>(index * 10 + 10)};
    }
};

TEST_F(TickTest, EveryFigureFollowsTheCallTickByTickAndTheCallIsLogged) {
    g.Rates[1].Amount = 0.10;
    g.MinCharge = 0.10;
    g.CumulativeTime = 100;
    g.CumulativeMoney = 1;
    Connected("Home ISP");
    Tick();
    ASSERT_TRUE(g.InCall);

    for (int n = 1; n <= 181; ++n) {
        clock.Advance(0.5);
        Tick();
        const double t = n * 0.5;
        const double money = std::max(t / 60 * 0.10, 0.10);
        ASSERT_EQ(view.Label(MainLabel::Time), FormatDuration(t)) << t;
        ASSERT_EQ(view.Label(MainLabel::Money), FormatMoney(money, pound, locale)) << t;
        ASSERT_EQ(view.Label(MainLabel::CTime), FormatDuration(100 + t)) << t;
        ASSERT_EQ(view.Label(MainLabel::CMoney), FormatMoney(1 + money, pound, locale)) << t;
        ASSERT_EQ(view.Label(MainLabel::Cost), pound + "00.10");
    }

    Idle();
    Tick();
    EXPECT_FALSE(g.InCall);
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 90.5);
    EXPECT_NEAR(g.SessionMoneyBanked, 90.5 / 60 * 0.10, 1e-12);
    // Outside a call the session figures keep what they showed; the totals go on being shown.
    TickFor(5);
    EXPECT_EQ(view.Label(MainLabel::Time), "00:01:30");
    EXPECT_EQ(view.Label(MainLabel::CTime), "00:03:10");
    EXPECT_EQ(Record(),
              (std::vector<std::string>{"\"TALLYD\"", "#2026-12-02#", "#10:00:00#", "#10:01:30#", "90.5",
                                        Record()[5], "\"Default\"", "\"Home ISP\"", "0", "\"\""}));
    EXPECT_NEAR(std::stod(Record()[5]), 90.5 / 60 * 0.10, 1e-15);
    EXPECT_EQ(LogLines().size(), 10u);
}

struct CostCase {
    const char* Name;
    double Amount;
    double MinCharge;
    double Seconds;
    double Cost;
};

class CallCostTest : public TickTest, public testing::WithParamInterface<CostCase> {};

TEST_P(CallCostTest, LoggedAndBanked) {
    const CostCase& c = GetParam();
    g.Rates[1].Amount = c.Amount;
    g.MinCharge = c.MinCharge;
    Connected();
    Tick();
    clock.Advance(c.Seconds);
    Idle();
    Tick();
    EXPECT_NEAR(std::stod(Record()[5]), c.Cost, 1e-12);
    EXPECT_NEAR(g.SessionMoneyBanked, c.Cost, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    MinimumCharge, CallCostTest,
    testing::Values(CostCase{"NothingAtTheFirstInstant", 0.01, 0.10, 0, 0},
                    CostCase{"FractionOfASecondCostsTheMinimum", 0.01, 0.10, 0.5, 0.10},
                    CostCase{"MinimumHoldsUntilTheAccrualPassesIt", 0.01, 0.10, 599.5, 0.10},
                    CostCase{"AccrualBeyondTheMinimum", 0.01, 0.10, 660, 0.11},
                    CostCase{"PriceZeroNeverChargesTheMinimum", 0, 0.10, 60, 0}),
    [](const testing::TestParamInfo<CostCase>& row) { return std::string(row.param.Name); });

TEST_F(TickTest, FailedDialInModeTwoIsLoggedButNotTimed) {
    g.FailCharge = 0.25;
    Dialling();
    Tick();
    EXPECT_TRUE(g.Dialling);
    EXPECT_FALSE(g.InCall);
    TickFor(20);
    Idle();
    Tick();
    EXPECT_FALSE(g.Dialling);
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(g.SessionTimeBanked, 0);
    EXPECT_EQ(g.SessionMoneyBanked, 0);
    EXPECT_EQ(view.Label(MainLabel::CTime), "00:00:00");
    // No call was timed in this run, so the connection name is empty.
    EXPECT_EQ(Record(), (std::vector<std::string>{"\"TALLYD\"", "#2026-12-02#", "#10:00:20#", "#10:00:20#",
                                                  "0", "0.25", "\"Default\"", "\"\"", "1", "\"\""}));
}

TEST_F(TickTest, FailedDialInModeOneIsTimedAndBanked) {
    g.ConnectionDetectMode = 1;
    g.MinCharge = 0.10;
    g.FailCharge = 0.25;
    Dialling("Work");
    Tick();
    EXPECT_TRUE(g.InCall);
    EXPECT_TRUE(g.Dialling);
    TickFor(20);
    Idle();
    Tick();
    EXPECT_FALSE(g.InCall);
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 20);
    EXPECT_DOUBLE_EQ(g.SessionMoneyBanked, 0.10);
    const std::vector<std::string> record = Record();
    ASSERT_EQ(record.size(), 10u);
    EXPECT_EQ(record[4], "0");
    EXPECT_EQ(record[5], "0.25");
    EXPECT_EQ(record[7], "\"Work\"");
    EXPECT_EQ(record[8], "1");
}

TEST_F(TickTest, NoRecordAndNoQuestionWhenLoggingIsOff) {
    g.LogComments = true;
    const auto failedDials = [this] {
        for (const int mode : {1, 2}) {
            g.ConnectionDetectMode = static_cast<std::int16_t>(mode);
            Dialling();
            Tick();
            TickFor(3);
            Idle();
            Tick();
        }
    };
    g.LogEnabled = false;
    Call(5);
    failedDials();
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 8) << "the call and the failed dial of mode 1 still count";

    g.LogEnabled = true;
    g.LogFails = false;
    failedDials();
    EXPECT_FALSE(std::filesystem::exists(g.LogFilePath));
    EXPECT_TRUE(ui.InputPrompts.empty());
}

TEST_F(TickTest, ModeOneTimesFromDiallingAndEndsWhenTheFlagDrops) {
    g.ConnectionDetectMode = 1;
    Dialling();
    Tick();
    ASSERT_TRUE(g.InCall);
    TickFor(10);
    Connected();
    TickFor(10);
    EXPECT_TRUE(g.InCall);
    EXPECT_FALSE(g.Dialling);
    // Hanging up: the flag drops first while the list still holds the entry.
    line.Flag = false;
    clock.Advance(0.5);
    Tick();
    EXPECT_FALSE(g.InCall);
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 20.5);
    TickFor(2);
    EXPECT_FALSE(g.InCall) << "the entry still listed must not start another call";
    Idle();
    TickFor(1);
    EXPECT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(Record()[8], "0");
}

TEST_F(TickTest, ModeThreeEndsTheCallWhenASecondConnectionAppears) {
    g.ConnectionDetectMode = 3;
    Dialling("A");
    Tick();
    EXPECT_TRUE(g.InCall);
    EXPECT_FALSE(g.Dialling) << "mode 3 has no dialling state";
    TickFor(5);
    line.Add(2, "B");
    clock.Advance(0.5);
    Tick();
    EXPECT_FALSE(g.InCall);
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
    EXPECT_EQ(view.Label(MainLabel::Cost), pound + "00.02");
    // Of two rates with the same name the later one wins.
    g.Rates[4].Name = "Evening";
    Tick();
    EXPECT_EQ(g.CurrentRate, 4);
    view.Rate = "No such rate";
    Tick();
    EXPECT_EQ(g.CurrentRate, 4);
}

struct WallClockCase {
    const char* Name;
    int Year, Month, Day, Hour, Minute, Second;
    double WallJump; // seconds the wall clock jumps halfway through, besides running on
    const char* StartDate;
    double BaseDateAfter; // ClockBaseDate after the call
};

class WallClockTest : public TickTest, public testing::WithParamInterface<WallClockCase> {};

TEST_P(WallClockTest, CallTimeDoesNotJump) {
    const WallClockCase& c = GetParam();
    clock.Set(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
    g.ClockBaseDate = clock.Today();
    Connected();
    Tick();
    double shown = 0;
    for (int i = 1; i <= 40; ++i) {
        clock.Advance(0.5);
        if (i == 20) clock.SetNow(clock.Now() + c.WallJump / 86400);
        Tick();
        const double now = SessionTime(g, CallClock(g, clock));
        ASSERT_DOUBLE_EQ(now, shown + 0.5) << i;
        shown = now;
    }
    Idle();
    Tick();
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 20);
    EXPECT_EQ(Record()[1], c.StartDate);
    EXPECT_EQ(Record()[4], "20");
    EXPECT_EQ(g.ClockBaseDate, c.BaseDateAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WallClockTest,
    testing::Values(
        WallClockCase{"OverMidnight", 2026, 12, 2, 23, 59, 50, 0, "#2026-12-02#",
                      DateSerial::FromCivil(2026, 12, 3)},
        // The base date stays on the old month's last day, so the clock runs on into the new month.
        WallClockCase{"OverTheEndOfTheMonth", 2026, 12, 31, 23, 59, 50, 0, "#2026-12-31#",
                      DateSerial::FromCivil(2026, 12, 31)},
        WallClockCase{"DaylightSavingEnds", 2026, 10, 25, 1, 59, 50, -3600, "#2026-10-25#",
                      DateSerial::FromCivil(2026, 10, 25)},
        WallClockCase{"DaylightSavingBegins", 2027, 3, 28, 0, 59, 50, 3600, "#2027-03-28#",
                      DateSerial::FromCivil(2027, 3, 28)},
        WallClockCase{"SetBackAnHourByHand", 2026, 12, 2, 14, 0, 0, -3600, "#2026-12-02#",
                      DateSerial::FromCivil(2026, 12, 2)},
        WallClockCase{"SetForwardADayByHand", 2026, 12, 2, 14, 0, 0, 86400, "#2026-12-02#",
                      DateSerial::FromCivil(2026, 12, 3)}),
    [](const testing::TestParamInfo<WallClockCase>& row) { return std::string(row.param.Name); });

TEST_F(TickTest, CommentIsAskedWithTheTrayDisabledAndWrittenUnchanged) {
    g.LogComments = true;
    struct Asking : ScriptedUserInterface {
        Globals* G = nullptr;
        bool TrayEnabledWhileAsked = true;
        std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                            const std::string& defaultText) override {
            TrayEnabledWhileAsked = G->TrayEnabled;
            EXPECT_EQ(title, "Tallydial - Comments");
            EXPECT_EQ(defaultText, "");
            return ScriptedUserInterface::InputBox(prompt, title, defaultText);
        }
    } asking;
    asking.G = &g;
    asking.Inputs = {std::string("slow \"line\", again"), std::nullopt};
    Engine withPrompt{g, settings, clock, detect, asking, view};

    for (int call = 0; call < 2; ++call) {
        StartCall(withPrompt);
        clock.Advance(30);
        EndCall(withPrompt, false);
    }
    EXPECT_FALSE(asking.TrayEnabledWhileAsked);
    EXPECT_TRUE(g.TrayEnabled);
    EXPECT_EQ(asking.InputPrompts,
              std::vector<std::string>(2, "What comments would you like to add to the log for this dial?"));
    EXPECT_EQ(Record(0)[9], "\"slow \"line\", again\"");
    EXPECT_EQ(Record(1)[9], "\"\"") << "a cancelled comment is empty";
}

TEST_F(TickTest, UnwritableLogGivesOneMessagePerRunAndKeepsTheRecords) {
    g.LogComments = true;
    std::filesystem::create_directory(g.LogFilePath); // can't be opened as a file, even by root
    for (int call = 0; call < 2; ++call) {
        StartCall(engine);
        clock.Advance(30);
        EndCall(engine, false);
    }
    ASSERT_EQ(ui.Messages.size(), 1u);
    EXPECT_EQ(ui.Messages[0].Prompt, "Unable to open log file");
    EXPECT_EQ(ui.Messages[0].Buttons, MsgButtons::OK);
    EXPECT_EQ(ui.Messages[0].Title, "Tallydial");
    EXPECT_EQ(ui.InputPrompts.size(), 2u) << "the comment is kept with its record";
    std::ifstream pending(g.LogPendingPath, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(pending)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 20) << "both records whole";
    EXPECT_DOUBLE_EQ(g.SessionTimeBanked, 60) << "the call is banked all the same";
}

} // namespace
