#include "engine/Alarms.h"

#include "engine/AlarmCountdown.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class AlarmsTest : public testing::Test, public EngineHarness {};

TEST_F(AlarmsTest, SessionMoneyAlarmIsRaisedOnceWhenTheFigurePassesTheLimit) {
    g.AlarmKind = AlarmType::Money;
    g.AlarmTotal = 2;
    g.AlarmMoney = 1.00;
    g.Rates[1].Amount = 0.10; // 1.00 after ten minutes
    Connected();
    Tick();
    TickFor(600);
    EXPECT_TRUE(ui.Alarms.empty()) << "a figure equal to the limit is not past it";
    TickFor(0.5);
    EXPECT_EQ(ui.Alarms.size(), 1u);
    TickFor(100);
    EXPECT_EQ(ui.Alarms, std::vector<std::string>{"You have spent more than \u00A301.00"});
    EXPECT_TRUE(g.AlarmSounded);
}

// Five minutes of a call at 0.10 a minute: 0.50 and 300 s this session, on top of earlier totals
// of 0.60 and 3400 s. The limits are 1.00 and 3600 s.
TEST(AlarmWatch, WatchesTheChosenFigure) {
    const struct {
        const char* Name;
        AlarmType Kind;
        std::int16_t Total;
        bool InCall;
        const char* Alarm; // or none
    } rows[] = {
        {"MoneyOfTheTotal", AlarmType::Money, 1, true, "You have spent more than \u00A301.00"},
        {"MoneyOfTheSession", AlarmType::Money, 2, true, nullptr},
        {"TimeOfTheTotal", AlarmType::Time, 1, true, "You have spent longer than 01:00:00 on the internet"},
        {"TimeOfTheSession", AlarmType::Time, 2, true, nullptr},
        {"NeitherTotalNorSession", AlarmType::Money, 3, true, nullptr},
        {"NoAlarmKind", AlarmType::None, 1, true, nullptr},
        {"NotDuringACall", AlarmType::Money, 1, false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EngineHarness h;
        h.g.AlarmKind = row.Kind;
        h.g.AlarmTotal = row.Total;
        h.g.AlarmMoney = 1.00;
        h.g.AlarmTime = 3600;
        h.g.CumulativeMoney = 0.60;
        h.g.CumulativeTime = 3400;
        h.g.Rates[1].Amount = 0.10;
        StartCall(h.engine);
        h.clock.Advance(300);
        if (!row.InCall) EndCall(h.engine, false, false);
        CheckAlarms(h.engine, CallClock(h.g, h.clock));
        EXPECT_EQ(h.ui.Alarms, row.Alarm ? std::vector<std::string>{row.Alarm} : std::vector<std::string>{});
        EXPECT_EQ(h.g.AlarmSounded, row.Alarm != nullptr);
    }
}

TEST(AlarmWindow, CountsDownOnlyWhenThereIsALineToHangUp) {
    const struct {
        const char* Name;
        bool Flag;
        bool Listed;
        bool AutoDisconnect;
        bool Countdown;
    } rows[] = {
        {"NothingConnectedGivesThePlainWindow", false, false, true, false},
        {"EstablishedLineCountsDown", true, true, true, true},
        {"DiallingLineCountsDown", false, true, true, true},
        {"NoAutomaticDisconnection", true, true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EngineHarness h;
        h.line.Flag = row.Flag;
        if (row.Listed) h.line.Add(1, "X");
        h.g.AutoDisconnect = row.AutoDisconnect;
        RaiseAlarm(h.engine, "limit");
        EXPECT_EQ(h.ui.DisconnectAlarms.size(), row.Countdown ? 1u : 0u);
        EXPECT_EQ(h.ui.Alarms.size(), row.Countdown ? 0u : 1u);
        EXPECT_EQ(h.g.AlarmMessage, "limit");
        EXPECT_EQ(h.view.TrayMessages, std::vector<std::string>{"Alarm: limit"});
        EXPECT_TRUE(h.g.AlarmSounded);
    }
}

// The countdown hangs up at 85 s; the window stays open a while, the tick held meanwhile.
TEST_F(AlarmsTest, CallEndsWhenTheCountdownHungUpHoweverLongItsWindowStaysOpen) {
    g.AlarmKind = AlarmType::Time;
    g.AlarmTotal = 2;
    g.AlarmTime = 60;
    g.AutoDisconnect = true;
    g.AutoDisconnectTime = 25;
    for (const double openFor : {0.0, 60.0, 3600.0}) {
        SCOPED_TRACE(openFor);
        std::filesystem::remove(g.LogFilePath);
        g.AlarmSounded = false;
        g.SessionTimeBanked = 0;
        line.HungUp.clear();
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
        EXPECT_EQ(line.HungUp, std::vector<std::uint64_t>{1});
        EXPECT_FALSE(g.InCall);
        ASSERT_EQ(LogLines().size(), 10u);
        EXPECT_NEAR(std::stod(LogRecord(0)[4]), 85.3, 0.3)
            << "hung up at 85 s, seen down within the next half second";
    }
}

} // namespace
