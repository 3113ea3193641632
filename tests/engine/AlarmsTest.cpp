#include "engine/Alarms.h"

#include "engine/AlarmCountdown.h"
#include "engine/CallFigures.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class AlarmsTest : public testing::Test, public EngineHarness {
protected:
    void Check() { CheckAlarms(engine, CallClock(g, clock)); }
    std::size_t Shown() const { return ui.Alarms.size() + ui.DisconnectAlarms.size(); }
};

TEST_F(AlarmsTest, SessionMoneyAlarmIsRaisedOnceWhenTheFigurePassesTheLimit) {
    g.AlarmKind = 1;
    g.AlarmTotal = 2;
    g.AlarmMoney = 1.00;
    g.Rates[1].Amount = 0.10; // 1.00 after ten minutes
    Connected();
    Tick();
    double raisedAt = -1;
    for (int n = 1; n <= 1400; ++n) {
        clock.Advance(0.5);
        Tick();
        if (raisedAt < 0 && Shown() > 0) raisedAt = n * 0.5;
    }
    EXPECT_EQ(raisedAt, 600.5) << "a figure equal to the limit is not past it";
    EXPECT_EQ(ui.Alarms, std::vector<std::string>{"You have spent more than \u00A301.00"});
    EXPECT_EQ(view.TrayMessages, std::vector<std::string>{"Alarm: You have spent more than \u00A301.00"});
    EXPECT_TRUE(g.AlarmSounded);
}

TEST_F(AlarmsTest, TimeAlarmTextGivesTheLimitAsADuration) {
    g.AlarmKind = 2;
    g.AlarmTotal = 1;
    g.AlarmTime = 3600;
    g.CumulativeTime = 3590;
    StartCall(engine);
    clock.Advance(11);
    Check();
    EXPECT_EQ(ui.Alarms, std::vector<std::string>{"You have spent longer than 01:00:00 on the internet"});
}

struct WatchCase {
    const char* Name;
    std::int16_t Kind;
    std::int16_t Total;
    bool InCall;
    bool Raised;
};
void PrintTo(const WatchCase& row, std::ostream* out) {
    *out << row.Name;
}

class WatchTest : public AlarmsTest, public testing::WithParamInterface<WatchCase> {};

// Five minutes of a call at 0.10 a minute: 0.50 and 300 s this session, on top of earlier totals
// of 0.60 and 3400 s. The limits are 1.00 and 3600 s.
TEST_P(WatchTest, WatchesTheChosenFigure) {
    const WatchCase& c = GetParam();
    g.AlarmKind = c.Kind;
    g.AlarmTotal = c.Total;
    g.AlarmMoney = 1.00;
    g.AlarmTime = 3600;
    g.CumulativeMoney = 0.60;
    g.CumulativeTime = 3400;
    g.Rates[1].Amount = 0.10;
    StartCall(engine);
    clock.Advance(300);
    if (!c.InCall) EndCall(engine, false, false);
    Check();
    EXPECT_EQ(Shown(), c.Raised ? 1u : 0u);
    EXPECT_EQ(g.AlarmSounded, c.Raised);
}

INSTANTIATE_TEST_SUITE_P(Limits, WatchTest,
                         testing::Values(WatchCase{"MoneyOfTheTotal", 1, 1, true, true},
                                         WatchCase{"MoneyOfTheSession", 1, 2, true, false},
                                         WatchCase{"TimeOfTheTotal", 2, 1, true, true},
                                         WatchCase{"TimeOfTheSession", 2, 2, true, false},
                                         WatchCase{"NeitherTotalNorSession", 1, 3, true, false},
                                         WatchCase{"NoAlarmKind", 3, 1, true, false},
                                         WatchCase{"NotDuringACall", 1, 1, false, false}),
                         [](const testing::TestParamInfo<WatchCase>& row) { return row.param.Name; });

struct WindowCase {
    const char* Name;
    bool Flag;
    int Listed;
    bool AutoDisconnect;
    bool Countdown;
};
void PrintTo(const WindowCase& row, std::ostream* out) {
    *out << row.Name;
}

class WindowTest : public AlarmsTest, public testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTest, CountdownOnlyWhenThereIsALineToHangUp) {
    const WindowCase& c = GetParam();
    line.Flag = c.Flag;
    for (int i = 0; i < c.Listed; ++i)
        line.Add(static_cast<std::uint64_t>(i + 1), "X");
    g.AutoDisconnect = c.AutoDisconnect;
    RaiseAlarm(engine, "limit");
    EXPECT_EQ(ui.DisconnectAlarms.size(), c.Countdown ? 1u : 0u);
    EXPECT_EQ(ui.Alarms.size(), c.Countdown ? 0u : 1u);
    EXPECT_EQ(g.AlarmMessage, "limit");
    EXPECT_EQ(view.TrayMessages, std::vector<std::string>{"Alarm: limit"});
    EXPECT_TRUE(g.AlarmSounded);
}

INSTANTIATE_TEST_SUITE_P(Lines, WindowTest,
                         testing::Values(WindowCase{"NothingConnectedGivesThePlainWindow", false, 0, true,
                                                    false},
                                         WindowCase{"EstablishedLineCountsDown", true, 1, true, true},
                                         WindowCase{"DiallingLineCountsDown", false, 1, true, true},
                                         WindowCase{"NoAutomaticDisconnection", true, 1, false, false}),
                         [](const testing::TestParamInfo<WindowCase>& row) { return row.param.Name; });

// The countdown hangs up at 85 s; the window stays open a while, the tick held meanwhile.
TEST_F(AlarmsTest, CallEndsWhenTheCountdownHungUpHoweverLongItsWindowStaysOpen) {
    g.AlarmKind = 2;
    g.AlarmTotal = 2;
    g.AlarmTime = 60;
    g.AutoDisconnect = true;
    g.AutoDisconnectTime = 25;
    for (const double openFor : {0.0, 60.0, 3600.0}) {
        SCOPED_TRACE(openFor);
        std::filesystem::remove(g.LogFilePath);
        g.AlarmSounded = false;
        g.SessionTimeBanked = 0;
        ui.OnAlarmDisconnect = [&](AlarmCountdown& countdown) {
            countdown.Start();
            while (!countdown.Done()) {
                clock.Advance(0.05);
                countdown.Timer1_Timer();
            }
            Idle(); // the line drops once hung up
            for (int i = 0; i < openFor * 2; ++i) {
                clock.Advance(0.5);
                WatchLineWhileHeld(engine); // the main window's timer while the tick is held
            }
        };
        Connected();
        Tick();
        TickFor(90);
        EXPECT_FALSE(g.InCall);
        const std::vector<std::string> log = LogLines();
        ASSERT_EQ(log.size(), 10u);
        EXPECT_NEAR(std::stod(log[4]), 85.3, 0.3) << "hung up at 85 s, seen down within the next half second";
    }
}

TEST_F(AlarmsTest, CountdownRaisedByTheTickHangsUpTheLineAndTheNextTickEndsTheCall) {
    g.AlarmKind = 1;
    g.AlarmTotal = 2;
    g.AlarmMoney = 0.001;
    g.AutoDisconnect = true;
    g.AutoDisconnectTime = 2;
    Connected();
    ui.OnAlarmDisconnect = [this](AlarmCountdown& countdown) {
        countdown.Start();
        while (!countdown.Done()) {
            clock.Advance(0.05);
            countdown.Timer1_Timer();
        }
        Idle(); // the line drops once hung up
    };
    Tick();
    for (int i = 0; i < 20 && ui.DisconnectAlarms.empty(); ++i)
        TickFor(0.5);
    ASSERT_EQ(ui.DisconnectAlarms.size(), 1u);
    EXPECT_EQ(line.HungUp, std::vector<std::uint64_t>{1});
    TickFor(0.5);
    EXPECT_FALSE(g.InCall);
    EXPECT_EQ(LogLines().size(), 10u);
}

// The countdown alone, on the harness's line with one connection.
class CountdownTest : public AlarmsTest {
protected:
    CountdownTest() {
        line.Add(7, "X");
        g.AutoDisconnect = true;
        g.AutoDisconnectTime = 25;
    }
    // Fires the 50 ms timer for `seconds`.
    void Count(double seconds) {
        for (int i = 0; i < static_cast<int>(std::lround(seconds / 0.05)); ++i) {
            clock.Advance(0.05);
            countdown.Timer1_Timer();
        }
    }
    AlarmCountdown countdown{g, settings, clock, line};
};

TEST_F(CountdownTest, CountsFromTwentyFiveToZeroThenHangsUpOnce) {
    countdown.Start();
    EXPECT_EQ(countdown.SecondsText(), "00");
    std::vector<std::string> shown;
    double hungUpAt = -1;
    for (int i = 1; i <= 600; ++i) {
        clock.Advance(0.05);
        countdown.Timer1_Timer();
        if (shown.empty() || shown.back() != countdown.SecondsText())
            shown.push_back(countdown.SecondsText());
        if (hungUpAt < 0 && !line.HungUp.empty()) hungUpAt = i * 0.05;
    }
    std::vector<std::string> expected;
    for (int s = 25; s >= 0; --s)
        expected.push_back((s < 10 ? "0" : "") + std::to_string(s));
    EXPECT_EQ(shown, expected);
    EXPECT_GT(hungUpAt, 24.0);
    EXPECT_LE(hungUpAt, 25.0);
    EXPECT_EQ(line.HungUp, std::vector<std::uint64_t>{7});
    EXPECT_TRUE(countdown.Done());
}

TEST_F(CountdownTest, RunsOnOverMidnight) {
    clock.Set(2026, 12, 2, 23, 59, 50);
    countdown.Start();
    Count(24);
    EXPECT_EQ(countdown.SecondsText(), "01");
    EXPECT_TRUE(line.HungUp.empty());
    Count(1);
    EXPECT_EQ(line.HungUp.size(), 1u);
}

TEST_F(CountdownTest, ZeroSecondsHangsUpAtTheFirstFiring) {
    g.AutoDisconnectTime = 0;
    countdown.Start();
    Count(0.05);
    EXPECT_EQ(line.HungUp.size(), 1u);
    EXPECT_TRUE(countdown.Done());
}

TEST_F(CountdownTest, UncheckingAfterTheTimeHasPassedHangsUpAtOnce) {
    countdown.Start();
    countdown.chkDontDisconnect_Click(true);
    Count(30);
    countdown.chkDontDisconnect_Click(false);
    EXPECT_TRUE(countdown.DisconnectNowEnabled());
    Count(0.05);
    EXPECT_EQ(line.HungUp.size(), 1u);
}

} // namespace
