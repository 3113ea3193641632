#include "engine/Tick.h"

#include "engine/Alarms.h"
#include "engine/CallData.h"
#include "engine/CallFigures.h"
#include "engine/CallLogRecords.h"
#include "engine/ChargeRates.h"
#include "engine/FreeTime.h"
#include "engine/SessionJournal.h"
#include "engine/Values.h"
#include "settings/DateSerial.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

std::string Money(const Engine& e, double amount) {
    return FormatMoney(amount, e.G.CurrencyLetter, e.UserLocale());
}

// The connection's state starts and ends calls; a dial that drops before it is established
// is a failed dial.
void DetectCalls(Engine& e) {
    Globals& g = e.G;
    DetectConnection& d = e.Detect;
    if (g.ConnectionDetectMode != DetectMode::Compatibility) {
        if (d.RasOnlyConnection()) {
            g.Dialling = true;
        } else if (!d.RegistryConnected() && g.Dialling) {
            if (g.InCall) {
                EndCall(e, true);
            } else {
                WriteLogRecord(e, true);
                WriteLogComment(e, true);
            }
            g.Dialling = false;
            return;
        } else {
            g.Dialling = false;
        }
    }
    if (d.RegistryConnected()) d.RegistrySeenConnected = true;
    if (d.IsConnected(g.ConnectionDetectMode)) {
        if (!g.InCall) StartCall(e);
    } else if (g.InCall) {
        EndCall(e, false);
    }
}

} // namespace

void WatchLineWhileHeld(Engine& e) {
    Globals& g = e.G;
    if (g.AutoDetect) {
        const bool up = e.Detect.IsConnected(g.ConnectionDetectMode);
        if (g.InCall && !up && g.LineSeenDownAt < 0) g.LineSeenDownAt = CallClock(g, e.Time);
        if (!g.InCall && up && g.LineSeenUpAt < 0) {
            g.LineSeenUpAt = CallClock(g, e.Time);
            g.LineSeenUpWall = e.Time.Now();
        }
    }
    ReadCallTraffic(e);
    // A crash while the window waits loses no more than the journal's interval.
    if (e.Journal) e.Journal->Keep(e);
}

double TickClock(Engine& e) {
    Globals& g = e.G;
    return g.InCall && g.LineSeenDownAt >= 0 ? g.LineSeenDownAt : CallClock(g, e.Time);
}

void Timer1_Timer(Engine& e) {
    Globals& g = e.G;
    // A line that came back before the tick resumed keeps its call running.
    if (g.LineSeenDownAt >= 0 && (!g.InCall || e.Detect.IsConnected(g.ConnectionDetectMode)))
        g.LineSeenDownAt = -1;
    // A line seen up behind a window counts from then only if it is still up.
    if (g.LineSeenUpAt >= 0 && (g.InCall || !e.Detect.IsConnected(g.ConnectionDetectMode)))
        g.LineSeenUpAt = -1;
    // A switch's call goes on only if its line is still up at this run's first tick.
    if (g.SwitchedAtUtc >= 0 && (g.InCall || !e.Detect.IsConnected(g.ConnectionDetectMode)))
        g.SwitchedAtUtc = -1;

    const double today = e.Time.Today();
    if (DateSerial::ToCivil(g.ClockBaseDate).Month == DateSerial::ToCivil(today).Month)
        g.ClockBaseDate = today;

    // Every rate is compared, so of two rates with the picked name the later one wins.
    const std::string picked = e.View.RateText();
    for (std::int16_t i = 1; i <= 5; ++i)
        if (picked == g.Rates[static_cast<size_t>(i)].Name) SetCurrentRate(e, i);

    e.View.SetLabel(MainLabel::Cost, Money(e, RateAmount(g)));

    ReadCallTraffic(e);
    // The session and the totals shown are of one moment.
    const double clock = TickClock(e);
    if (g.InCall) {
        e.View.SetLabel(MainLabel::Time, FormatDuration(SessionTime(g, clock)));
        e.View.SetLabel(MainLabel::Money, Money(e, SessionMoney(g, clock)));
    }
    e.View.SetLabel(MainLabel::CMoney, Money(e, TotalMoney(g, clock)));
    e.View.SetLabel(MainLabel::CTime, FormatDuration(TotalTime(g, clock)));
    ShowData(e);

    CheckAlarms(e, TickClock(e));
    CheckDataAlarms(e);

    if (g.AutoDetect) DetectCalls(e);

    if (!e.Detect.SingleRasConnection()) e.Detect.RegistrySeenConnected = false;

    FreeTimeStep(e, TickClock(e));

    if (e.Journal) e.Journal->Keep(e);
}

void StartCall(Engine& e) {
    Globals& g = e.G;
    // A call whose line came up while a window held the tick started then; one that a profile
    // switch carried over started at the switch.
    const bool seenEarlier = g.LineSeenUpAt >= 0;
    const bool carried = !seenEarlier && g.SwitchedAtUtc >= 0;
    const double switched = carried ? std::max(0.0, e.Time.UtcSeconds() - g.SwitchedAtUtc) : 0;
    g.InCall = true;
    g.SegmentStart = seenEarlier ? g.LineSeenUpAt : CallClock(g, e.Time) - switched;
    const double now = seenEarlier ? g.LineSeenUpWall : e.Time.Now() - switched / 86400;
    g.LineSeenUpAt = -1;
    g.SwitchedAtUtc = -1;
    g.CallStartTime = now - std::floor(now);
    g.CallStartDate = std::floor(now);
    if (g.HideOnLogon) e.View.HideMainWindow();
    g.ConnectionName = e.Detect.FirstConnectionName();
    // Only that call goes on from the switch's counters.
    if (!carried) g.SwitchedCountersKnown = false;
    StartCallTraffic(e);
    if (e.Journal) e.Journal->Write(e);
}

void EndCall(Engine& e, bool failed, bool userPresent) {
    Globals& g = e.G;
    const double clock = TickClock(e);
    g.LineSeenDownAt = -1;
    // Only the phone cost is banked: the provider's charge follows from the session's time.
    const double money = g.SessionMoneyBanked + CallCost(g, clock);
    const double time = SessionTime(g, clock);
    // The record takes the call's figures of the same moment as the session's.
    WriteLogRecord(e, failed, clock);
    const LineTraffic volume = CallVolume(e);
    g.SessionDataBanked += double(volume.Received) + double(volume.Sent);
    g.SessionMoneyBanked = money;
    g.InCall = false;
    g.SessionTimeBanked = time;
    g.CallCostBanked = 0;
    g.CallTimeBanked = 0;
    if (e.Journal) e.Journal->Write(e);
    WriteLogComment(e, failed, userPresent);
}
