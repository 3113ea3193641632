#include "startup/SessionRecovery.h"

#include "engine/CallData.h"
#include "engine/CallDataLog.h"
#include "engine/CallFigures.h"
#include "engine/CallLog.h"
#include "engine/Values.h"
#include "settings/PlainText.h"
#include "settings/RunTimeError.h"
#include "startup/MainWindowCommands.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

// The log as it will stand once the records waiting for it are in: the log's end, then those records.
std::string LogAndPending(const Globals& g) {
    return ReadLogTail(g.LogFilePath, kLogTailBytes) + ReadLogTail(g.LogPendingPath, kLogTailBytes);
}

// Appends through the one path that keeps what the log can't take; "Unable to open log file" once.
void AppendRecord(Engine& e, const std::vector<LogField>& fields) {
    Globals& g = e.G;
    if (AppendLogRecord(g.LogFilePath, g.LogPendingPath, fields, g.LogUnwritten) == LogAppend::Logged ||
        g.LogTroubleShown)
        return;
    g.LogTroubleShown = true;
    e.Ui.MsgBox("Unable to open log file", MsgButtons::OK, MsgIcon::None, kProgramTitle);
}

// Whether the last run logged the call itself, wholly or up to its comment: its exit save had begun.
LoggedCall FindRecord(const Globals& g, const std::string& logText, const JournalCall& call) {
    return FindLoggedCall(logText, call.StartDate, call.StartTime, ProfileName(g), call.Connection);
}

// Logs the call as it stood at the journal's last write, unless the last run logged it already.
void LogRecoveredCall(Engine& e, const JournalCall& call, double endedAt) {
    if (!e.G.LogEnabled) return;
    AppendRecord(e,
                 {LogField::String("TALLYD"), LogField::Date(call.StartDate), LogField::Time(call.StartTime),
                  LogField::Time(endedAt), LogField::Number(call.Time), LogField::Number(call.Cost),
                  LogField::String(ProfileName(e.G)), LogField::String(call.Connection),
                  LogField::WholeNumber(0), LogField::String(kRecoveredComment)});
}

// The bytes of a logged call follow its record: a crash between the two leaves the journal's figures
// to write. A line already there is never written twice.
void LogRecoveredCallData(Engine& e, const JournalCall& call) {
    Globals& g = e.G;
    if (!g.LogEnabled || CallDataLogged(g, call.StartDate, call.StartTime, call.Connection)) return;
    AppendCallData(g, call.StartDate, call.StartTime, call.Connection, {call.Received, call.Sent});
}

bool SameAmount(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

// The release before this one journalled the totals themselves. Its session is added as this
// release's is, once: when the store still holds the totals that session started from, or its mark
// names it (added, but the old journal not yet replaced). Otherwise its exit save may have stored it
// already, or the totals were changed since: the journal is kept aside and the user told.
std::optional<JournalState> FromFirstJournal(Engine& e, SessionJournal& journal, const FirstJournal& old) {
    const Globals& g = e.G;
    if (!SessionFolded(e, old.State.Session) &&
        !(SameAmount(g.CumulativeTime, old.CumulativeTime) &&
          SameAmount(g.CumulativeMoney, old.CumulativeMoney) && SameAmount(g.LastReset, old.LastReset))) {
        const auto aside = journal.File().SetAside();
        std::string told =
            "A session journal of an earlier version of Tallydial was found, but the cumulative total has "
            "changed since it was written, so its session was not added.";
        if (aside) told += "\n\nIt was kept as " + *aside + ".";
        e.Ui.MsgBox(told, MsgButtons::OK, MsgIcon::Exclamation, kProgramTitle);
        return std::nullopt;
    }
    JournalState s = old.State;
    const double gone = std::max(0.0, (e.Time.Now() - old.WrittenLocal) * 86400);
    s.Written = std::max(0.0, e.Time.UtcSeconds() - gone);
    return s;
}

void SetCall(Globals& g, const JournalCall& call) {
    g.InCall = true;
    g.CallStartDate = call.StartDate;
    g.CallStartTime = call.StartTime;
    g.ConnectionName = call.Connection;
    g.CallTimeBanked = call.Time;
    g.CallCostBanked = call.Cost;
}

double Bytes(const JournalCall& call) {
    return double(call.Received) + double(call.Sent);
}

} // namespace

std::optional<std::string> RecoverSession(Engine& e, SessionJournal& journal) {
    Globals& g = e.G;
    const std::optional<std::string> text = journal.File().Read();
    std::optional<JournalState> found = text ? ParseJournal(*text) : std::nullopt;
    bool usable = found.has_value();
    if (!found && text) {
        if (const auto old = ParseFirstJournal(*text)) {
            usable = true;
            if (EqualsNoCase(old->State.Profile, ProfileName(g))) found = FromFirstJournal(e, journal, *old);
        }
    }
    if (found && !EqualsNoCase(found->Profile, ProfileName(g))) found.reset();
    // What can't be read as a journal of either form (garbage, a folder) is moved out of the way, so
    // that this run can keep its own journal and the user hears of it once.
    if (!usable) {
        if (const auto aside = journal.File().SetAside())
            e.Ui.MsgBox(
                "Tallydial could not use its session journal: it is damaged or not a file, so nothing "
                "was recovered from it.\n\nIt was kept as " +
                    *aside + ".",
                MsgButtons::OK, MsgIcon::Exclamation, kProgramTitle);
    }

    // A record that a crash cut before its comment gets one, so the log stays ten lines a call: the
    // journal's own call its "recovered" comment, any other an empty one, as the viewer reads it.
    std::string logText = LogAndPending(g);
    LoggedCall logged = found && found->Call ? FindRecord(g, logText, *found->Call) : LoggedCall::Absent;
    if (RecordCutAtEnd(logText)) {
        AppendRecord(e, {LogField::String(logged == LoggedCall::WithoutComment ? kRecoveredComment : "")});
        if (logged == LoggedCall::WithoutComment) logged = LoggedCall::Whole;
    }
    // The store's mark names the session its totals hold: a session folded in already (the exit
    // save finished, its journal not yet removed) is never added again.
    if (!found || (!found->Session.empty() && SessionFolded(e, found->Session))) {
        journal.Open(e);
        return std::nullopt;
    }
    const JournalState& s = *found;
    // The instants are UTC, so summer time or a clock set by hand changes no figure; the times shown
    // are local, as the clock shows them now.
    const double gone = std::max(0.0, e.Time.UtcSeconds() - s.Written);
    const double writtenLocal = e.Time.Now() - gone / 86400;

    // The last run's session over the totals the store holds.
    const std::int16_t loadedRate = g.CurrentRate;
    g.FreeTimeLeft = s.FreeTimeLeft;
    g.AlarmSounded = s.AlarmSounded;
    g.CurrentRate = s.CurrentRate;
    g.SessionTimeBanked = s.SessionTimeBanked;
    g.SessionMoneyBanked = s.SessionMoneyBanked;
    g.SessionDataBanked = 0;
    g.SessionDataBeforeRenewal = 0;
    g.InCall = false;
    g.CallTimeBanked = 0;
    g.CallCostBanked = 0;

    // A call the last run began to log had ended, whatever the line does now.
    const bool goesOn = s.Call && logged == LoggedCall::Absent && g.AutoDetect &&
                        e.Detect.IsConnected(g.ConnectionDetectMode) &&
                        e.Detect.FirstConnectionName() == s.Call->Connection;
    // A call that ended with the last run counts as it stood at the journal's last write.
    if (s.Call && !goesOn) SetCall(g, *s.Call);
    double clock = CallClock(g, e.Time);
    g.SegmentStart = clock;

    // The exit save, with the figures of the journal's moment, all taken before any is changed:
    // the provider's charge is for the time beyond the free time left at the session's start.
    const double sessionTime = SessionTime(g, clock) + s.CarriedTime;
    const double sessionMoney = SessionMoney(g, clock) + s.CarriedMoney;
    const double freeTimeLeft = FreeTimeLeftNow(g, clock);
    g.CumulativeMoney = TotalMoney(g, clock) + s.CarriedMoney;
    g.CumulativeTime = TotalTime(g, clock) + s.CarriedTime;
    g.FreeTimeLeft = freeTimeLeft;
    // The month's bytes as the exit save would have stored them: the session's once.
    const double sessionData =
        s.SessionData - s.SessionDataBeforeRenewal + s.CarriedData + (g.InCall ? Bytes(*s.Call) : 0);
    g.DataUsed += sessionData;
    if (g.InCall && logged == LoggedCall::Absent) LogRecoveredCall(e, *s.Call, writtenLocal);
    if (s.Call && !goesOn) LogRecoveredCallData(e, *s.Call);
    g.InCall = false;
    g.CallTimeBanked = 0;
    g.CallCostBanked = 0;
    g.SessionTimeBanked = 0;
    g.SessionMoneyBanked = 0;
    // The totals and the mark of the session they now hold, in one transaction. A store that can't
    // keep them leaves the session in this run's journal, to be added once it can.
    journal.Continue(s.Session.empty() ? journal.Session() : s.Session);
    journal.Folded(SaveSessionTotals(e, journal.Session()), sessionTime, sessionMoney, sessionData);
    g.CurrentRate = loadedRate;
    // The window shows the totals the message speaks of before the first tick.
    e.View.SetLabel(MainLabel::LastResetLabel, e.UserLocale().FormatShortDate(g.LastReset));
    e.View.SetLabel(MainLabel::CTime, FormatDuration(g.CumulativeTime));
    e.View.SetLabel(MainLabel::CMoney, FormatMoney(g.CumulativeMoney, g.CurrencyLetter, e.UserLocale()));

    if (goesOn) {
        // The call goes on from where the journal left it, with the time the program was gone.
        SetCall(g, *s.Call);
        clock = CallClock(g, e.Time);
        g.SegmentStart = clock - gone;
        e.Traffic.Resume({s.Call->Received, s.Call->Sent});
        e.TrafficHandle = e.Detect.FirstHandle().value_or(0);
    }
    // The load judged the free time before the last run's session was taken from it: a run-out
    // that run warned of is not warned of again.
    g.FreeTimeRanOut = FreeTimeLeftNow(g, CallClock(g, e.Time)) == 0;
    journal.Open(e);

    if (sessionTime == 0 && sessionMoney == 0 && !s.Call) return std::nullopt;
    const Locale& locale = e.UserLocale();
    const auto money = [&](double amount) { return FormatMoney(amount, g.CurrencyLetter, locale); };
    std::string message = "Tallydial ended unexpectedly on " + locale.FormatShortDate(writtenLocal) + " at " +
                          locale.FormatTime(writtenLocal) + ".\n\nThis session's " +
                          FormatDuration(sessionTime) + " and " + money(sessionMoney) +
                          " have been added to the cumulative total.";
    if (sessionData > 0)
        message += "\n\nThis session's " + FormatBytes(sessionData, locale) +
                   " of data have been added to this month's.";
    if (s.Call) {
        message += "\n\nThe call on \"" + s.Call->Connection + "\" that started at " +
                   locale.FormatTime(s.Call->StartTime) + " ";
        message += goesOn ? "is still up and goes on being timed from its start."
                          : "was logged as ending then, after " + FormatDuration(s.Call->Time) + " costing " +
                                money(s.Call->Cost) + ".";
    }
    return message;
}
