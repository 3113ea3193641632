#include "engine/FreeTime.h"

#include "engine/CallFigures.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

// Two free hours a month, 1.00 an hour beyond, renewed this month already, the warning on.
class FreeTimeTest : public testing::Test, public EngineHarness {
protected:
    FreeTimeTest() {
        g.UnlimitedTime = false;
        g.FreeTimePerMonth = 7200;
        g.CostPerHour = 1;
        g.LastResetMonth = 12;
        g.ISPAlarm = true;
    }
    void Step() { FreeTimeStep(engine, CallClock(g, clock)); }
};

struct RenewalRow {
    const char* Name;
    int Month;
    int Day;
    std::int16_t ResetDay;
    std::int16_t LastResetMonth;
    bool Renewed;
};
class FreeTimeRenewal : public FreeTimeTest, public testing::WithParamInterface<RenewalRow> {};

TEST_P(FreeTimeRenewal, OnceAMonthFromTheResetDay) {
    const RenewalRow& row = GetParam();
    clock.Set(2026, row.Month, row.Day, 9, 0, 0);
    g.ResetDay = row.ResetDay;
    g.LastResetMonth = row.LastResetMonth;
    g.FreeTimeLeft = 100;
    g.FreeTimeRanOut = true;
    Step();
    EXPECT_EQ(g.FreeTimeLeft, row.Renewed ? 7200 : 100);
    EXPECT_EQ(g.FreeTimeRanOut, !row.Renewed) << "a renewed allowance is warned of again";
    EXPECT_EQ(g.LastResetMonth, row.Renewed ? row.Month : row.LastResetMonth);
    // Stored at once, as padded numbers.
    EXPECT_EQ(Stored("ISP Charges", "LastReset"), row.Renewed ? " " + std::to_string(row.Month) : "0");
    EXPECT_EQ(Stored("ISP Charges", "FreeTimeLeft"), row.Renewed ? " 7200" : "0");
}

const RenewalRow renewalRows[] = {
    {"NeverRenewedRenewsAtTheFirstTick", 12, 2, 1, 0, true},
    {"DayFifteenStartedOnTheTwentieth", 11, 20, 15, 10, true},
    {"DayFifteenNotYetReached", 11, 14, 15, 10, false},
    {"AlreadyRenewedThisMonth", 12, 2, 1, 12, false},
    {"DayThirtyOneSkipsAThirtyDayMonth", 11, 30, 31, 10, false},
    {"DayThirtyOneOnTheThirtyFirst", 12, 31, 31, 11, true},
};
INSTANTIATE_TEST_SUITE_P(Ticks, FreeTimeRenewal, testing::ValuesIn(renewalRows), RowName());

TEST_F(FreeTimeTest, UnlimitedShowsNoFiguresAndNeverWarnsYetStillRenews) {
    g.UnlimitedTime = true;
    g.LastResetMonth = 11;
    g.FreeTimeLeft = 0;
    g.FreeTimeRanOut = false;
    StartCall(engine);
    clock.Advance(600);
    Step();
    EXPECT_EQ(Shown(MainLabel::lblFreeTimeLeft, MainLabel::LblISPCostPerHour), "Unlimited n/a");
    EXPECT_TRUE(ui.Alarms.empty());
    EXPECT_FALSE(g.FreeTimeRanOut);
    EXPECT_EQ(ProviderCharge(g, CallClock(g, clock)), 0);
    EXPECT_EQ(Stored("ISP Charges", "LastReset"), " 12");
}

// One free hour left, a call of 90 minutes at 0.01 a minute: 0.90 for the phone, 0.50 for the provider.
TEST_F(FreeTimeTest, RunOutWarnsOnceAndLosesNoPhoneCost) {
    g.FreeTimeLeft = 3600;
    g.FreeTimeRanOut = false;
    Online(3599.5);
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "00:00:00");
    EXPECT_TRUE(ui.Alarms.empty());
    TickFor(0.5);
    EXPECT_EQ(ui.Alarms, std::vector<std::string>{"You have run out of ISP free time"});
    EXPECT_EQ(view.Label(MainLabel::Money), "\u00A300.60")
        << "the free hour's phone cost stays with the call";
    TickFor(1800);
    EXPECT_EQ(ui.Alarms.size(), 1u);
    EXPECT_EQ(view.TrayMessages, std::vector<std::string>{"Alarm: You have run out of ISP free time"});
    EXPECT_FALSE(g.AlarmSounded) << "the free-time warning leaves the money and time alarms armed";
    EXPECT_EQ(Shown(MainLabel::LblISPCostPerHour, MainLabel::Money), "\u00A301.00 \u00A301.40");

    LineDown();
    EXPECT_EQ(LogRecord(0).at(2), "#10:00:00#") << "the call keeps its start";
    EXPECT_EQ(LogRecord(0).at(4), "5400");
    EXPECT_EQ(LogRecord(0).at(5), "0.8999999999999999");
    EXPECT_NEAR(SessionMoney(g, CallClock(g, clock)), 1.40, 1e-9) << "the provider's charge counted once";
}

// Out of free time in November, a call from 23:00 that runs on past the renewal at midnight on the 1st.
TEST_F(FreeTimeTest, RenewalDuringACallBanksTheProviderChargeSoMoneyShownNeverFalls) {
    clock.Set(2026, 11, 30, 23, 0, 0);
    g.ClockBaseDate = clock.Today();
    g.ResetDay = 1;
    g.LastResetMonth = 11;
    g.FreeTimeLeft = 0;
    g.FreeTimeRanOut = true;
    g.DataAllowance = 10;
    g.DataUsed = 7e9;
    g.DataWarned = true;
    line.Traffic[1] = {};
    Online(3599.5);
    EXPECT_EQ(view.Label(MainLabel::Money), "\u00A301.60");
    line.Traffic[1] = {300'000'000, 0}; // read at midnight: last month's
    TickFor(1);
    line.Traffic[1] = {500'000'000, 0};
    TickFor(1799.5);
    EXPECT_EQ(view.Label(MainLabel::lblMonthData), "0.2 of 10 GB") << "the data allowance renewed with it";
    EXPECT_EQ(Stored("ISP Charges", "DataUsed"), "0");
    EXPECT_EQ(Stored("Alarm", "DataWarned"), "False");
    EXPECT_EQ(view.Label(MainLabel::Money), "\u00A301.90") << "the hour before midnight stays charged";
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "01:30:00") << "the new allowance from midnight on";
    EXPECT_EQ(Stored("ISP Charges", "FreeTimeLeft"), " 7200");
}

// "Set ISP Free Time Left" took -1 hours: that is no free time, never a charge of its own; it runs out
// without a word while the warning is off.
TEST_F(FreeTimeTest, NegativeFreeTimeLeftCountsAsNoneAndRunsOutSilentlyWithoutTheWarning) {
    g.ISPAlarm = false;
    g.FreeTimeLeft = -3600;
    g.FreeTimeRanOut = false;
    StartCall(engine);
    EXPECT_EQ(ProviderCharge(g, CallClock(g, clock)), 0);
    clock.Advance(360);
    EXPECT_NEAR(ProviderCharge(g, CallClock(g, clock)), 0.1, 1e-12);
    EXPECT_EQ(FreeTimeLeftNow(g, CallClock(g, clock)), 0);
    Step();
    EXPECT_TRUE(g.FreeTimeRanOut);
    EXPECT_TRUE(ui.Alarms.empty());
    EXPECT_TRUE(view.TrayMessages.empty());
}

} // namespace
