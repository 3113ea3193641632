#include "engine/Alarms.h"

#include "engine/AlarmCountdown.h"
#include "engine/CallFigures.h"
#include "engine/Values.h"

namespace {
constexpr const char* kAlarmTitle = "Alarm";
} // namespace

void CheckAlarms(Engine& e, double callClock) {
    const Globals& g = e.G;
    if (g.AlarmSounded || !g.InCall) return;
    if (g.AlarmKind == AlarmType::Money) {
        const bool passed = (g.AlarmTotal == 1 && TotalMoney(g, callClock) > g.AlarmMoney) ||
                            (g.AlarmTotal == 2 && SessionMoney(g, callClock) > g.AlarmMoney);
        if (passed)
            RaiseAlarm(e, "You have spent more than " +
                              FormatMoney(g.AlarmMoney, g.CurrencyLetter, e.UserLocale()));
    } else if (g.AlarmKind == AlarmType::Time) {
        const bool passed = (g.AlarmTotal == 1 && TotalTime(g, callClock) > g.AlarmTime) ||
                            (g.AlarmTotal == 2 && SessionTime(g, callClock) > g.AlarmTime);
        if (passed)
            RaiseAlarm(e, "You have spent longer than " + FormatDuration(static_cast<float>(g.AlarmTime)) +
                              " on the internet");
    }
}

void RaiseAlarm(Engine& e, const std::string& message) {
    Globals& g = e.G;
    g.AlarmMessage = message;
    // All three are asked, in this order, even when the first already answers.
    const bool registry = e.Detect.RegistryConnected();
    const bool single = e.Detect.SingleRasConnection();
    const bool connected = e.Detect.IsConnected(g.ConnectionDetectMode);
    if ((registry || single || connected) && g.AutoDisconnect) {
        e.View.ShowTrayMessage(kAlarmTitle, message);
        AlarmCountdown countdown(g, e.Store, e.Time, e.Detect.Service());
        e.Ui.ShowAlarmDisconnect(countdown);
    } else {
        ShowPlainAlarm(e, message);
    }
    g.AlarmSounded = true;
}

void ShowPlainAlarm(Engine& e, const std::string& message) {
    // The window is modal but the program usually sits hidden in the tray.
    e.View.ShowTrayMessage(kAlarmTitle, message);
    e.Ui.ShowAlarm(message);
}
