#include "engine/CallLogRecords.h"

#include "engine/CallData.h"
#include "engine/CallDataLog.h"
#include "engine/CallFigures.h"
#include "engine/CallLog.h"
#include "engine/Values.h"
#include "settings/RunTimeError.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

bool Logged(const Globals& g, bool failed) {
    return g.LogEnabled && (!failed || g.LogFails);
}

// The profile's name, or nothing when the profile index is out of range.
std::optional<std::string> ProfileName(const Globals& g) {
    try {
        return g.Profiles.CurrentName();
    } catch (const RunTimeError&) {
        return std::nullopt;
    }
}

} // namespace

void WriteLogRecord(Engine& e, bool failed) {
    if (!Logged(e.G, failed)) return;
    WriteLogRecord(e, failed, failed ? 0.0 : CallClock(e.G, e.Time));
}

void WriteLogRecord(Engine& e, bool failed, double clock) {
    Globals& g = e.G;
    if (!Logged(g, failed)) return;
    const std::optional<std::string> profile = ProfileName(g);
    if (!profile) return;

    std::vector<LogField> fields;
    fields.push_back(LogField::String("TALLYD"));
    if (failed) {
        const double now = e.Time.Now();
        fields.push_back(LogField::Date(now));
        fields.push_back(LogField::Time(now));
        fields.push_back(LogField::Time(e.Time.Now()));
        fields.push_back(LogField::WholeNumber(0));
        fields.push_back(LogField::Number(g.FailCharge));
    } else {
        fields.push_back(LogField::Date(g.CallStartDate));
        fields.push_back(LogField::Time(g.CallStartTime));
        // A call that ended while a window held the tick ends at that earlier moment.
        fields.push_back(LogField::Time(e.Time.Now() - std::max(CallClock(g, e.Time) - clock, 0.0) / 86400));
        fields.push_back(LogField::Number(CallTime(g, clock)));
        fields.push_back(LogField::Number(CallCost(g, clock)));
    }
    fields.push_back(LogField::String(*profile));
    fields.push_back(LogField::String(g.ConnectionName));
    fields.push_back(LogField::WholeNumber(failed ? 1 : 0));
    g.LogRecordDiverted =
        AppendLogRecord(g.LogFilePath, g.LogPendingPath, fields, g.LogUnwritten) != LogAppend::Logged;
    // The call's bytes go beside the log, right after its record.
    if (!failed && AppendCallData(g, g.CallStartDate, g.CallStartTime, g.ConnectionName, CallVolume(e)) !=
                       LogAppend::Logged)
        g.LogRecordDiverted = true;
}

void WriteLogComment(Engine& e, bool failed, bool userPresent) {
    Globals& g = e.G;
    if (!Logged(g, failed)) return;
    std::string comment;
    if (g.LogComments && userPresent) {
        g.TrayEnabled = false;
        comment = e.Ui.InputBox("What comments would you like to add to the log for this dial?",
                                "Tallydial - Comments", "")
                      .value_or(std::string());
        g.TrayEnabled = true;
    }
    const bool diverted = AppendLogRecord(g.LogFilePath, g.LogPendingPath, {LogField::String(comment)},
                                          g.LogUnwritten) != LogAppend::Logged;
    // Once a run is enough: the records wait in the pending file and reach the log later.
    if ((diverted || g.LogRecordDiverted) && !g.LogTroubleShown) {
        g.LogTroubleShown = true;
        // An end from outside never waits for a click.
        if (userPresent)
            e.Ui.MsgBox("Unable to open log file", MsgButtons::OK, MsgIcon::None, kProgramTitle);
        else
            e.Ui.Unattended("Unable to open log file");
    }
    g.LogRecordDiverted = false;
}
