#include "engine/Alarms.h"

#include "engine/AlarmCountdown.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

namespace {

class AlarmsTest : public testing::Test, public EngineHarness {
protected:
    // Lets the countdown run out on the fake clock; the line drops once it has hung up.
    void RunOut(AlarmCountdown& countdown) {
        countdown.Start();
        while (!countdown.Done()) {
            clock.Advance(0.05);
            countdown.Timer1_Timer();
        }
        Idle();
    }
};

// Five minutes (or Seconds) of a call at 0.10 a minute: 0.50 and 300 s this session, on top of earlier
// totals of 0.60 and 3400 s. The limits are 1.00 and 3600 s. Checked twice, raised once.
struct WatchRow {
    const char* Name;
    AlarmType Kind;
    std::int16_t Total;
    bool InCall;
    const char* Alarm; // or none
    double Seconds = 300;
};
class AlarmWatch : public AlarmsTest, public testing::WithParamInterface<WatchRow> {};

TEST_P(AlarmWatch, WatchesTheChosenFigure) {
    const WatchRow& row = GetParam();
    g.AlarmKind = row.Kind;
    g.AlarmTotal = row.Total;
    g.AlarmMoney = 1.00;
    g.AlarmTime = 3600;
    g.CumulativeMoney = 0.60;
    g.CumulativeTime = 3400;
    g.Rates[1].Amount = 0.10;
    StartCall(engine);
    clock.Advance(row.Seconds);
    if (!row.InCall) EndCall(engine, false, false);
    CheckAlarms(engine, CallClock(g, clock));
    CheckAlarms(engine, CallClock(g, clock));
    EXPECT_EQ(ui.Alarms, row.Alarm ? std::vector<std::string>{row.Alarm} : std::vector<std::string>{});
    EXPECT_EQ(g.AlarmSounded, row.Alarm != nullptr);
}

const WatchRow watchRows[] = {
    {"MoneyOfTheTotal", AlarmType::Money, 1, true, "You have spent more than \u00A301.00"},
    {"MoneyOfTheSessionEqualToTheLimitIsNotPast", AlarmType::Money, 2, true, nullptr, 600},
    {"MoneyOfTheSessionPastTheLimit", AlarmType::Money, 2, true, "You have spent more than \u00A301.00",
     600.5},
    {"TimeOfTheTotal", AlarmType::Time, 1, true, "You have spent longer than 01:00:00 on the internet"},
    {"TimeOfTheSession", AlarmType::Time, 2, true, nullptr},
    {"NeitherTotalNorSession", AlarmType::Money, 3, true, nullptr},
    {"NoAlarmKind", AlarmType::None, 1, true, nullptr},
    {"NotDuringACall", AlarmType::Money, 1, false, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Figures, AlarmWatch, testing::ValuesIn(watchRows), RowName());

struct WindowRow {
    const char* Name;
    bool Flag;
    bool Listed;
    bool AutoDisconnect;
    bool Countdown;
};
class AlarmWindow : public AlarmsTest, public testing::WithParamInterface<WindowRow> {};

TEST_P(AlarmWindow, CountsDownOnlyWhenThereIsALineToHangUp) {
    line.Flag = GetParam().Flag;
    if (GetParam().Listed) line.Add(1, "X");
    g.AutoDisconnect = GetParam().AutoDisconnect;
    RaiseAlarm(engine, "limit");
    EXPECT_EQ(ui.DisconnectAlarms.size(), GetParam().Countdown ? 1u : 0u);
    EXPECT_EQ(ui.Alarms.size(), GetParam().Countdown ? 0u : 1u);
    EXPECT_EQ(g.AlarmMessage, "limit");
    EXPECT_EQ(view.TrayMessages, std::vector<std::string>{"Alarm: limit"});
    EXPECT_TRUE(g.AlarmSounded);
}

const WindowRow windowRows[] = {
    {"NothingConnectedGivesThePlainWindow", false, false, true, false},
    {"EstablishedLineCountsDown", true, true, true, true},
    {"DiallingLineCountsDown", false, true, true, true},
    {"NoAutomaticDisconnection", true, true, false, false},
};
INSTANTIATE_TEST_SUITE_P(Lines, AlarmWindow, testing::ValuesIn(windowRows), RowName());

// The countdown hangs up at 85 s; the window stays open a while, the tick held meanwhile.
class CountdownWindow : public AlarmsTest, public testing::WithParamInterface<int> {};

TEST_P(CountdownWindow, CallEndsWhenTheCountdownHungUpHoweverLongItsWindowStaysOpen) {
    g.AlarmKind = AlarmType::Time;
    g.AlarmTotal = 2;
    g.AlarmTime = 60;
    g.AutoDisconnect = true;
    g.AutoDisconnectTime = 25;
    ui.OnAlarmDisconnect = [&](AlarmCountdown& countdown) {
        RunOut(countdown);
        for (int i = 0; i < GetParam() * 2; ++i) {
            clock.Advance(0.5);
            WatchLineWhileHeld(engine); // the main window's timer while the tick is held
        }
    };
    Online(90);
    EXPECT_EQ(line.HungUp, std::vector<std::uint64_t>{1});
    EXPECT_FALSE(g.InCall);
    ASSERT_EQ(LogLines().size(), 10u);
    EXPECT_NEAR(std::stod(LogRecord(0)[4]), 85.3, 0.3)
        << "hung up at 85 s, seen down within the next half second";
}

INSTANTIATE_TEST_SUITE_P(OpenFor, CountdownWindow, testing::Values(0, 60, 3600),
                         [](const auto& row) { return std::to_string(row.param) + "Seconds"; });

// A call's counters driven to 150, 160, 200 and 210 MB, a tenth of it sent, against an allowance.
struct DataRow {
    const char* Name;
    double AllowanceGB;
    std::int16_t Warning;
    std::int16_t HangUp;
    const char* Warned; // or none
    bool HungUp;
    const char* DataLine; // the call's line beside the log, once
};
class DataAllowance : public AlarmsTest, public testing::WithParamInterface<DataRow> {};

TEST_P(DataAllowance, WarnsOnceAndHangsUpWhenUsedUp) {
    const DataRow& row = GetParam();
    g.DataAllowance = row.AllowanceGB;
    g.DataWarning = row.Warning;
    g.DataHangUp = row.HangUp;
    g.AutoDisconnectTime = 25;
    ui.OnAlarmDisconnect = [&](AlarmCountdown& countdown) { RunOut(countdown); };
    line.Traffic[1] = {7000, 3000}; // the counters' base: not the call's
    Online(0);
    std::vector<std::string> warnedAt;
    for (const double megabytes : {150, 160, 200, 210}) {
        const auto bytes = static_cast<std::uint64_t>(megabytes * 1e6);
        line.Traffic[1] = {7000 + bytes - bytes / 10, 3000 + bytes / 10};
        TickFor(1);
        if (ui.Alarms.size() > warnedAt.size()) warnedAt.push_back(std::to_string(int(megabytes)));
    }
    LineDown();
    EXPECT_EQ(ui.Alarms, row.Warned ? std::vector<std::string>{row.Warned} : std::vector<std::string>{});
    EXPECT_EQ(warnedAt, row.Warned ? std::vector<std::string>{"160"} : std::vector<std::string>{});
    EXPECT_EQ(ui.DisconnectAlarms,
              row.HungUp ? std::vector<std::string>{"You have used all of this month's data allowance."}
                         : std::vector<std::string>{});
    EXPECT_EQ(line.HungUp, row.HungUp ? std::vector<std::uint64_t>{1} : std::vector<std::uint64_t>{});
    EXPECT_EQ(LogLines().size(), 10u);
    EXPECT_EQ(DataLines(), std::vector<std::string>{row.DataLine});
    EXPECT_EQ(Stored("Alarm", "DataWarned"),
              row.Warned || row.HungUp ? "True" : std::optional<std::string>("False"));
}

const DataRow dataRows[] = {
    {"WarnsAtItsLevel", 0.2, 80, 0, "You have used 80% of this month's data allowance.", false,
     "#2026-12-02#,#10:00:00#,\"X\",189000000,21000000"},
    {"CountdownHangsUpAtTheWhole", 0.2, 80, 1, "You have used 80% of this month's data allowance.", true,
     "#2026-12-02#,#10:00:00#,\"X\",180000000,20000000"},
    {"NoWarningStillHangsUp", 0.2, 0, 1, nullptr, true, "#2026-12-02#,#10:00:00#,\"X\",180000000,20000000"},
    {"NoAllowanceNoAlarm", 0, 80, 1, nullptr, false, "#2026-12-02#,#10:00:00#,\"X\",189000000,21000000"},
};
INSTANTIATE_TEST_SUITE_P(Volumes, DataAllowance, testing::ValuesIn(dataRows), RowName());

} // namespace
