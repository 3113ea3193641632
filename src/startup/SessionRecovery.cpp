#include "startup/SessionRecovery.h"

#include "engine/CallFigures.h"
#include "engine/CallLog.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "startup/MainWindowCommands.h"

#include <algorithm>
#include <cmath>

namespace {

// The recovered call's record is looked for only near the log's end, where the last run wrote it.
constexpr std::size_t kLogTailBytes = 1 << 20;

std::string ProfileName(const Globals& g) {
    try {
        return g.Profiles.CurrentName();
    } catch (const RunTimeError&) {
        return {};
    }
}

// Whether the last run logged the call itself, wholly or up to its comment: its exit save had begun.
LoggedCall FindRecord(const Globals& g, const JournalCall& call) {
    if (!g.LogEnabled) return LoggedCall::Absent;
    return FindLoggedCall(ReadLogTail(g.LogFilePath, kLogTailBytes), call.StartDate, call.StartTime,
                          ProfileName(g), call.Connection);
}

// Logs the call as it stood at the journal's last write, or completes the record the last run began,
// so a call is never logged twice.
void LogRecoveredCall(const Globals& g, const JournalState& s, LoggedCall logged) {
    if (!g.LogEnabled || !s.Call) return;
    const JournalCall& call = *s.Call;
    switch (logged) {
    case LoggedCall::Whole:
        return;
    case LoggedCall::WithoutComment:
        AppendLogFields(g.LogFilePath, {LogField::String(kRecoveredComment)});
        return;
    case LoggedCall::Absent:
        AppendLogFields(g.LogFilePath, {LogField::String("TALLYD"), LogField::Date(call.StartDate),
                                        LogField::Time(call.StartTime), LogField::Time(s.Written),
                                        LogField::Number(call.Time), LogField::Number(call.Cost),
                                        LogField::String(ProfileName(g)), LogField::String(call.Connection),
                                        LogField::WholeNumber(0), LogField::String(kRecoveredComment)});
        return;
    }
}

void SetCall(Globals& g, const JournalCall& call) {
    g.InCall = true;
    g.CallStartDate = call.StartDate;
    g.CallStartTime = call.StartTime;
    g.ConnectionName = call.Connection;
    g.CallTimeBanked = call.Time;
    g.CallCostBanked = call.Cost;
}

} // namespace

std::optional<std::string> RecoverSession(Engine& e, SessionJournal& journal) {
    Globals& g = e.G;
    const std::optional<std::string> text = journal.File().Read();
    std::optional<JournalState> found = text ? ParseJournal(*text) : std::nullopt;
    const std::string profile = ProfileName(g);
    if (!found || !EqualsNoCase(found->Profile, profile)) {
        journal.Open(e);
        return std::nullopt;
    }
    const JournalState& s = *found;

    // The model as the last run left it.
    const std::int16_t loadedRate = g.CurrentRate;
    g.CumulativeTime = s.CumulativeTime;
    g.CumulativeMoney = s.CumulativeMoney;
    g.LastReset = s.LastReset;
    g.FreeTimeLeft = s.FreeTimeLeft;
    g.AlarmSounded = s.AlarmSounded;
    g.CurrentRate = s.CurrentRate;
    g.SessionTimeBanked = s.SessionTimeBanked;
    g.SessionMoneyBanked = s.SessionMoneyBanked;
    g.InCall = false;
    g.CallTimeBanked = 0;
    g.CallCostBanked = 0;

    const LoggedCall logged = s.Call ? FindRecord(g, *s.Call) : LoggedCall::Absent;
    // A call the last run began to log had ended, whatever the line does now.
    const bool goesOn = s.Call && logged == LoggedCall::Absent && g.AutoDetect &&
                        e.Detect.IsConnected(g.ConnectionDetectMode) &&
                        e.Detect.FirstConnectionName() == s.Call->Connection;
    // A call that ended with the last run counts as it stood at the journal's last write.
    if (s.Call && !goesOn) SetCall(g, *s.Call);
    double clock = CallClock(g, e.Time);
    g.SegmentStart = clock;

    // The exit save, with the figures of the journal's moment.
    const double sessionTime = SessionTime(g, clock);
    const double sessionMoney = SessionMoney(g, clock);
    g.FreeTimeLeft = FreeTimeLeftNow(g, clock);
    g.CumulativeMoney = TotalMoney(g, clock);
    g.CumulativeTime = TotalTime(g, clock);
    if (g.InCall) LogRecoveredCall(g, s, logged);
    g.InCall = false;
    g.CallTimeBanked = 0;
    g.CallCostBanked = 0;
    g.SessionTimeBanked = 0;
    g.SessionMoneyBanked = 0;
    SaveSessionTotals(e);
    g.CurrentRate = loadedRate;
    // The window shows the totals the message speaks of before the first tick.
    e.View.SetLabel(MainLabel::LastResetLabel, e.UserLocale().FormatShortDate(g.LastReset));
    e.View.SetLabel(MainLabel::CTime, FormatDuration(g.CumulativeTime));
    e.View.SetLabel(MainLabel::CMoney, FormatMoney(g.CumulativeMoney, g.CurrencyLetter, e.UserLocale()));

    if (goesOn) {
        // The call goes on from where the journal left it, with the time the program was gone.
        SetCall(g, *s.Call);
        clock = CallClock(g, e.Time);
        const double gone = std::max(0.0, (e.Time.Now() - s.Written) * 86400.0);
        g.SegmentStart = clock - gone;
    }
    journal.Open(e);

    if (sessionTime == 0 && sessionMoney == 0 && !s.Call) return std::nullopt;
    const Locale& locale = e.UserLocale();
    const auto money = [&](double amount) { return FormatMoney(amount, g.CurrencyLetter, locale); };
    std::string message = "Tallydial ended unexpectedly on " + locale.FormatShortDate(s.Written) + " at " +
                          locale.FormatTime(s.Written) + ".\n\nThis session's " +
                          FormatDuration(sessionTime) + " and " + money(sessionMoney) +
                          " have been added to the cumulative total.";
    if (s.Call) {
        message += "\n\nThe call on \"" + s.Call->Connection + "\" that started at " +
                   locale.FormatTime(s.Call->StartTime) + " ";
        message += goesOn ? "is still up and goes on being timed from its start."
                          : "was logged as ending then, after " + FormatDuration(s.Call->Time) + " costing " +
                                money(s.Call->Cost) + ".";
    }
    return message;
}
