#include "startup/MainWindowCommands.h"

#include "engine/CallData.h"
#include "engine/CallDataLog.h"
#include "engine/CallFigures.h"
#include "engine/CallLog.h"
#include "engine/SessionJournal.h"
#include "engine/Tick.h"
#include "engine/Values.h"
#include "settings/RunTimeError.h"
#include "settings/SettingsTable.h"
#include "startup/SubMain.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

std::string Money(const Engine& e, double amount) {
    return FormatMoney(amount, e.G.CurrencyLetter, e.UserLocale());
}

// Starts or stops a call by hand and gives the caption the control should show.
std::string StartStop(Engine& e) {
    if (e.G.InCall) {
        EndCall(e, false);
        return "Start";
    }
    StartCall(e);
    return "Stop";
}

constexpr const char* kFoldedSessionValue = "FoldedSession";
constexpr size_t kFoldedSessionsKept = 8;

// The session, the totals and the free time of one moment, taken before any of them is changed.
struct Fold {
    double FreeTimeLeft;
    double TotalMoney;
    double TotalTime;
    double SessionTime;
    double SessionMoney;
    double MonthData;
    double SessionData;
};

// The sessions the stored totals hold, the latest first; none when the mark is absent or unreadable.
std::vector<std::string> FoldedSessions(const Engine& e) {
    std::string marks;
    try {
        marks = e.Store.GetProfileSetting("CumulativeTotal", kFoldedSessionValue, Variant(std::string()))
                    .ToText(e.UserLocale());
    } catch (const RunTimeError&) {
    }
    std::vector<std::string> sessions = SplitCommandLine(marks, static_cast<int>(kFoldedSessionsKept));
    sessions.erase(sessions.begin());
    return sessions;
}

Fold FoldNow(Engine& e) {
    const double clock = TickClock(e);
    return {FreeTimeLeftNow(e.G, clock), TotalMoney(e.G, clock),   TotalTime(e.G, clock),
            SessionTime(e.G, clock),     SessionMoney(e.G, clock), MonthData(e),
            MonthData(e) - e.G.DataUsed};
}

} // namespace

bool SaveSessionTotals(Engine& e, const std::string& foldedSession) {
    const Globals& g = e.G;
    const Settings& s = e.Store;
    const long result = s.Store().Batch([&]() -> long {
        try {
            for (const Setting* row : {&kLastChargeRate, &kCumulativeTime, &kCumulativeMoney,
                                       &kCumulativeLastReset, &kFreeTimeLeft, &kAlarmSounded, &kDataUsed})
                SaveSetting(*row, g, s);
            // Last: a store without transactions has every total before it names the session.
            if (!foldedSession.empty()) {
                std::string marks = foldedSession;
                size_t kept = 1;
                for (const std::string& earlier : FoldedSessions(e))
                    if (earlier != foldedSession && kept++ < kFoldedSessionsKept) marks += " " + earlier;
                s.SetProfileSetting("CumulativeTotal", kFoldedSessionValue, marks);
            }
        } catch (const RunTimeError&) {
            return ERROR_WRITE_FAULT;
        }
        return ERROR_SUCCESS;
    });
    return result == ERROR_SUCCESS && s.Store().Persistent();
}

bool SessionFolded(const Engine& e, const std::string& session) {
    const std::vector<std::string> folded = FoldedSessions(e);
    if (session.empty()) return folded.empty();
    return std::find(folded.begin(), folded.end(), session) != folded.end();
}

void MainWindowCommands::StartStop_Click() {
    m_engine.View.SetStartStopCaption(StartStop(m_engine));
}

void MainWindowCommands::mStartStop_Click() {
    m_engine.View.SetMenuStartStopCaption(StartStop(m_engine));
}

void MainWindowCommands::Command2_Click() {
    Engine& e = m_engine;
    Globals& g = e.G;
    if (!m_command3Value &&
        e.Ui.MsgBox("Are you sure you went to reset your total for this session? (It will be retained in the "
                    "cumulative total)",
                    MsgButtons::OKCancel) != MsgResult::OK)
        return;

    bool wasInCall = false;
    {
        // The session is in the cumulative total before it is cleared: nothing is journalled between.
        const SessionJournal::Hold hold(e.Journal);
        const Fold fold = FoldNow(e);
        g.FreeTimeLeft = fold.FreeTimeLeft;
        g.CumulativeMoney = fold.TotalMoney;
        g.CumulativeTime = fold.TotalTime;
        g.DataUsed = fold.MonthData;

        wasInCall = g.InCall;
        if (wasInCall) EndCall(e, false);
        g.SessionTimeBanked = 0;
        g.SessionMoneyBanked = 0;
        g.SessionDataBanked = 0;
        g.SessionDataBeforeRenewal = 0;
        // The fold and the mark of the session it ends go to the store together; what it refuses
        // stays in the journal.
        const bool stored = SaveSessionTotals(e, e.Journal ? e.Journal->Session() : std::string());
        if (e.Journal) e.Journal->Folded(stored, fold.SessionTime, fold.SessionMoney, fold.SessionData);
    }
    e.View.SetLabel(MainLabel::Time, FormatDuration(0));
    e.View.SetLabel(MainLabel::Money, Money(e, 0));
    if (wasInCall) StartCall(e);
    if (g.AlarmTotal == 2) g.AlarmSounded = false;
    if (e.Journal) e.Journal->Write(e);
}

void MainWindowCommands::Command3_Click() {
    Engine& e = m_engine;
    Globals& g = e.G;
    m_command3Value = true;
    struct Release {
        bool& Value;
        ~Release() { Value = false; }
    } release{m_command3Value};

    if (e.Ui.MsgBox("Are you sure you went to reset your cumulative total? ", MsgButtons::OKCancel) !=
        MsgResult::OK)
        return;
    // Pressing the session's reset folds the session in just before the cumulative total is cleared.
    if (e.Ui.MsgBox("Do you want to also reset the total for this session?", MsgButtons::YesNo) ==
        MsgResult::Yes)
        Command2_Click();
    g.CumulativeMoney = 0;
    g.CumulativeTime = 0;
    e.View.SetLabel(MainLabel::CTime, FormatDuration(0));
    e.View.SetLabel(MainLabel::CMoney, Money(e, 0));
    g.LastReset = e.Time.Today();
    e.View.SetLabel(MainLabel::LastResetLabel, e.UserLocale().FormatShortDate(g.LastReset));
    if (g.AlarmTotal == 1) g.AlarmSounded = false;
    // Stored at once: the journal holds only what the session adds to the totals.
    SaveSessionTotals(e);
    if (e.Journal) {
        e.Journal->Cleared();
        e.Journal->Write(e);
    }
}

void MainWindowCommands::hide_Click() {
    m_engine.G.TrayEnabled = true;
    m_engine.View.HideMainWindow();
}

void MainWindowCommands::cmdLogViewer_Click() {
    if (!m_host.StartLogViewer())
        m_engine.Ui.MsgBox("Unable to run log viewer. Try starting it from the start menu.", MsgButtons::OK);
}

void MainWindowCommands::cmdChangeProfile_Click() {
    m_engine.G.ProfileSwitchPending = true;
    m_host.UnloadMainWindow();
}

TrayClickAction MainWindowCommands::ZTray_Click(std::int16_t button) {
    if (!m_engine.G.TrayEnabled) {
        m_engine.Ui.Beep();
        return TrayClickAction::None;
    }
    if (button == 1) {
        m_engine.View.ShowMainWindow();
        return TrayClickAction::None;
    }
    return TrayClickAction::PopUpMenu;
}

bool MainWindowCommands::Form_QueryUnload(int unloadMode) {
    if (unloadMode == UnloadModes::SessionEnding || unloadMode == UnloadModes::TaskManager ||
        m_engine.G.ProfileSwitchPending)
        return false;
    return m_engine.Ui.MsgBox(kCloseQuestion, MsgButtons::YesNo, MsgIcon::None, "Close Tallydial?") ==
           MsgResult::No;
}

void MainWindowCommands::Form_Unload(int unloadMode) {
    Engine& e = m_engine;
    Globals& g = e.G;
    // Nobody is there to answer a comment question when the session ends or a signal ends the program.
    const bool userPresent =
        unloadMode != UnloadModes::SessionEnding && unloadMode != UnloadModes::TaskManager;

    // A call that a profile switch ends goes on in the next profile from this moment, its bytes from
    // the counters read now.
    const bool callGoesOn = g.ProfileSwitchPending && g.InCall && g.LineSeenDownAt < 0;
    if (callGoesOn) ReadCallTraffic(e);
    const std::optional<LineTraffic> switchCounters = callGoesOn ? e.Traffic.Base() : std::nullopt;
    // Should the saving not finish, the next start finishes it from the journal as it stands now.
    if (e.Journal) {
        e.Journal->Write(e);
        e.Journal->Stop();
    }
    const Fold fold = FoldNow(e);
    const double switchedAt = e.Time.UtcSeconds();
    g.FreeTimeLeft = fold.FreeTimeLeft;
    g.CumulativeMoney = fold.TotalMoney;
    g.CumulativeTime = fold.TotalTime;
    g.DataUsed = fold.MonthData;
    // The totals above already hold the call.
    if (g.InCall) EndCall(e, false, userPresent);
    // Records that nothing took so far get a last try.
    if (!g.LogUnwritten.empty()) AppendLogRecord(g.LogFilePath, g.LogPendingPath, {}, g.LogUnwritten);
    if (!g.LogDataUnwritten.empty())
        AppendLogText(CallDataPath(g.LogFilePath), CallDataPendingPath(g.LogPendingPath), {},
                      g.LogDataUnwritten);
    // Totals that only reached the in-memory copy stay in the journal, for the next start to fold in.
    const bool saved = SaveSessionTotals(e, e.Journal ? e.Journal->Session() : std::string());
    if (saved && e.Journal) e.Journal->Remove();
    if (!saved) {
        const std::string message =
            "Tallydial could not save its totals. Not saved: the cumulative total of " +
            FormatDuration(g.CumulativeTime) + " and " + Money(e, g.CumulativeMoney) +
            ", with this session's " + FormatDuration(fold.SessionTime) + " and " +
            Money(e, fold.SessionMoney) + ".";
        // An end from outside (a logout, a signal) never waits for a click.
        if (userPresent)
            e.Ui.MsgBox(message, MsgButtons::OK, MsgIcon::Exclamation, kProgramTitle);
        else
            e.Ui.Unattended(message);
    }

    e.View.SetTrayIconVisible(false);

    if (g.ProfileSwitchPending) {
        std::string arguments = std::string(" ") + kRestartToken;
        if (callGoesOn) arguments += " " + std::to_string(static_cast<long long>(std::floor(switchedAt)));
        if (switchCounters) arguments += " " + SwitchCountersWord(*switchCounters);
        const long error = m_host.StartOwnExecutable(arguments);
        if (error != 0)
            e.Ui.MsgBox("Error #" + std::to_string(error) +
                            " in profile switch code. Please contact me at: " + kSupportEmail,
                        MsgButtons::OK);
    }
    m_host.EndProgram();
}
