#include "engine/FreeTime.h"

#include "engine/Tick.h"

#include "engine/Alarms.h"
#include "engine/CallData.h"
#include "engine/CallFigures.h"
#include "engine/Values.h"
#include "settings/DateSerial.h"
#include "settings/SettingsTable.h"

namespace {

// The running call is banked as at a change of rate, so no time or cost accrued before this
// moment leaves the call, the session or the call's log record.
void RebaseCall(Engine& e) {
    Globals& g = e.G;
    if (!g.InCall) return;
    // A fresh reading: the warning may have held the tick for a while.
    const double now = TickClock(e);
    g.CallCostBanked = CallCost(g, now);
    g.CallTimeBanked = CallTime(g, now);
    g.SegmentStart = now;
}

void RenewMonthly(Engine& e) {
    Globals& g = e.G;
    const CivilDate today = DateSerial::ToCivil(e.Time.Now());
    if (g.LastResetMonth == today.Month || g.ResetDay > today.Day) return;
    g.LastResetMonth = static_cast<std::int16_t>(today.Month);
    SaveSetting(kLastResetMonth, g, e.Store);
    // The provider's charge earned so far is banked, and the new allowance covers only the time
    // after this moment: money once shown never falls.
    const double now = TickClock(e);
    const double sessionTime = SessionTime(g, now);
    g.SessionMoneyBanked += ProviderCharge(g, now);
    g.FreeTimeLeft = g.FreeTimePerMonth;
    SaveSetting(kFreeTimeLeft, g, e.Store);
    g.FreeTimeLeft += sessionTime;
    // The new allowance is warned of when it runs out, as the last month's was.
    g.FreeTimeRanOut = FreeTimeLeftNow(g, now) == 0;
    // The data allowance is renewed on the same day; the session's bytes so far were last month's.
    g.DataUsed = 0;
    g.DataWarned = false;
    SaveSetting(kDataUsed, g, e.Store);
    SaveSetting(kDataWarned, g, e.Store);
    g.SessionDataBeforeRenewal = SessionData(e);
}

} // namespace

void FreeTimeStep(Engine& e, double callClock) {
    Globals& g = e.G;
    const double left = FreeTimeLeftNow(g, callClock);
    e.View.SetLabel(MainLabel::lblFreeTimeLeft, g.UnlimitedTime ? "Unlimited" : FormatDuration(left));
    e.View.SetLabel(MainLabel::LblISPCostPerHour,
                    g.UnlimitedTime ? "n/a" : FormatMoney(g.CostPerHour, g.CurrencyLetter, e.UserLocale()));

    if (!g.UnlimitedTime && left == 0 && !g.FreeTimeRanOut) {
        g.FreeTimeRanOut = true;
        if (g.ISPAlarm) {
            g.AlarmMessage = "You have run out of ISP free time";
            ShowPlainAlarm(e, g.AlarmMessage);
        }
        RebaseCall(e);
    }

    RenewMonthly(e);
}
