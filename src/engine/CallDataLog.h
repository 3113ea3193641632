#pragma once

#include "connection/DialUpService.h"
#include "engine/CallLog.h"
#include "settings/Globals.h"

#include <string>

// log-data.dat, beside the log, holds a line per logged call: its start date, start time and
// connection as the call's log record has them, then the bytes received and sent, each line ending
// in CR LF. The log's records stay as they are; a reader joins the two by those three fields.
std::string CallDataLine(double startDate, double startTime, const std::string& connection,
                         const LineTraffic& volume);
// The data file beside the log, and the file its lines wait in beside the log's pending file.
std::string CallDataPath(const std::string& logPath);
std::string CallDataPendingPath(const std::string& logPendingPath);

// Appends the call's line with the log's rules: waiting lines go first, a line the file can't take
// waits whole in the pending file, and what neither takes goes with the next line.
LogAppend AppendCallData(Globals& globals, double startDate, double startTime, const std::string& connection,
                         const LineTraffic& volume);
// The data file, or the lines waiting for it, already has a line for this call.
bool CallDataLogged(const Globals& globals, double startDate, double startTime,
                    const std::string& connection);
// Moves the waiting lines into the data file; true when none remain.
bool MoveCallDataPending(const Globals& globals);
