#include "engine/FreeTime.h"

#include "engine/CallFigures.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class FreeTimeTest : public testing::Test, public EngineHarness {
protected:
    FreeTimeTest() {
        g.UnlimitedTime = false;
        g.FreeTimePerMonth = 7200;
        g.CostPerHour = 1;
        g.LastResetMonth = 12; // renewed this month already
        g.ISPAlarm = true;
    }
    void Step() { FreeTimeStep(engine, CallClock(g, clock)); }
};

struct RenewalCase {
    const char* Name;
    int Month;
    int Day;
    std::int16_t ResetDay;
    std::int16_t LastResetMonth;
    bool Renewed;
};
void PrintTo(const RenewalCase& row, std::ostream* out) {
    *out << row.Name;
}

class RenewalTest : public FreeTimeTest, public testing::WithParamInterface<RenewalCase> {};

TEST_P(RenewalTest, RenewsOnceAMonthFromTheResetDay) {
    const RenewalCase& c = GetParam();
    clock.Set(2026, c.Month, c.Day, 9, 0, 0);
    g.ResetDay = c.ResetDay;
    g.LastResetMonth = c.LastResetMonth;
    g.FreeTimeLeft = 100;
    Step();
    EXPECT_EQ(g.FreeTimeLeft, c.Renewed ? 7200 : 100);
    EXPECT_EQ(g.LastResetMonth, c.Renewed ? c.Month : c.LastResetMonth);
    // Stored at once, as padded numbers.
    EXPECT_EQ(Stored("ISP Charges", "LastReset"), c.Renewed ? " " + std::to_string(c.Month) : "0");
    EXPECT_EQ(Stored("ISP Charges", "FreeTimeLeft"), c.Renewed ? " 7200" : "0");
}

INSTANTIATE_TEST_SUITE_P(ResetDays, RenewalTest,
                         testing::Values(RenewalCase{"NeverRenewedRenewsAtTheFirstTick", 12, 2, 1, 0, true},
                                         RenewalCase{"DayFifteenStartedOnTheTwentieth", 11, 20, 15, 10, true},
                                         RenewalCase{"DayFifteenNotYetReached", 11, 14, 15, 10, false},
                                         RenewalCase{"AlreadyRenewedThisMonth", 12, 2, 1, 12, false},
                                         RenewalCase{"DayThirtyOneSkipsAThirtyDayMonth", 11, 30, 31, 10,
                                                     false},
                                         RenewalCase{"DayThirtyOneOnTheThirtyFirst", 12, 31, 31, 11, true}),
                         [](const testing::TestParamInfo<RenewalCase>& row) { return row.param.Name; });

TEST_F(FreeTimeTest, UnlimitedShowsNoFiguresAndNeverWarnsYetStillRenews) {
    g.UnlimitedTime = true;
    g.LastResetMonth = 11;
    g.FreeTimeLeft = 0;
    g.FreeTimeRanOut = false;
    StartCall(engine);
    clock.Advance(600);
    Step();
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "Unlimited");
    EXPECT_EQ(view.Label(MainLabel::LblISPCostPerHour), "n/a");
    EXPECT_TRUE(ui.Alarms.empty());
    EXPECT_FALSE(g.FreeTimeRanOut);
    EXPECT_EQ(ProviderCharge(g, CallClock(g, clock)), 0);
    EXPECT_EQ(Stored("ISP Charges", "LastReset"), " 12");
}

// One free hour left, 1.00 an hour beyond, a call of 90 minutes at 0.01 a minute.
TEST_F(FreeTimeTest, RunOutWarnsOnceAndLosesNoPhoneCost) {
    g.FreeTimeLeft = 3600;
    g.FreeTimeRanOut = false;
    Connected();
    Tick();
    double ranOutAt = -1;
    for (int n = 1; n <= 5400 * 2; ++n) {
        clock.Advance(0.5);
        Tick();
        if (ranOutAt < 0 && !ui.Alarms.empty()) {
            ranOutAt = n * 0.5;
            const double now = CallClock(g, clock);
            EXPECT_DOUBLE_EQ(ProviderCharge(g, now), 0) << "the free hour itself is not charged";
            EXPECT_NEAR(CallCost(g, now), 0.60, 1e-9) << "the hour's phone cost stays with the call";
            EXPECT_DOUBLE_EQ(SessionTime(g, now), 3600);
        }
    }
    EXPECT_EQ(ranOutAt, 3600);
    EXPECT_EQ(ui.Alarms, std::vector<std::string>{"You have run out of ISP free time"});
    EXPECT_EQ(view.TrayMessages, std::vector<std::string>{"Alarm: You have run out of ISP free time"});
    EXPECT_FALSE(g.AlarmSounded) << "the free-time warning leaves the money and time alarms armed";
    EXPECT_EQ(view.Label(MainLabel::lblFreeTimeLeft), "00:00:00");
    EXPECT_EQ(view.Label(MainLabel::LblISPCostPerHour), "\u00A301.00");

    const double end = CallClock(g, clock);
    EXPECT_DOUBLE_EQ(ProviderCharge(g, end), 0.50);
    EXPECT_NEAR(SessionMoney(g, end), 1.40, 1e-9);
    EXPECT_NEAR(TotalTime(g, end), 5400, 1e-9);

    Idle();
    Tick();
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[2], "#10:00:00#") << "the call keeps its start";
    EXPECT_EQ(log[4], "5400");
    EXPECT_NEAR(std::stod(log[5]), 0.90, 1e-9);
    EXPECT_NEAR(SessionMoney(g, CallClock(g, clock)), 1.40, 1e-9) << "the provider's charge counted once";
}

TEST_F(FreeTimeTest, RunOutWithoutTheWarningIsSilent) {
    g.ISPAlarm = false;
    g.FreeTimeLeft = 60;
    g.FreeTimeRanOut = false;
    StartCall(engine);
    clock.Advance(61);
    Step();
    EXPECT_TRUE(g.FreeTimeRanOut);
    EXPECT_TRUE(ui.Alarms.empty());
    EXPECT_TRUE(view.TrayMessages.empty());
}

} // namespace
