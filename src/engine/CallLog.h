#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One field of a call log record. A record is ten fields: the marker "TALLYD", start date, start
// time, end time, duration in seconds, cost, profile, connection, failed flag (0/1) and comment.
struct LogField {
    enum class Kind { String, Date, Time, Number, WholeNumber };

    Kind FieldKind = Kind::String;
    std::string Text; // String
    double Value = 0; // Date and Time as date serials, Number
    long long Whole = 0;

    static LogField String(std::string text);
    static LogField Date(double serial); // the date part of the serial
    static LogField Time(double serial); // the time of day of the serial, whole seconds
    static LogField Number(double value);
    static LogField WholeNumber(long long value);
};

// The field in write notation: "text" with nothing escaped, #yyyy-mm-dd#, #hh:mm:ss#, a number with a
// point and the fewest digits that read back to the same value, or plain digits.
std::string FormatLogField(const LogField& field);

// Appends the fields to the log, each followed by CR LF, so a record takes ten lines. The file is
// created when absent, opened and closed within this call and flushed to disk before it returns.
// False when it can't be opened or a write fails; fields written before the failure stay in the file.
bool AppendLogFields(const std::string& path, const std::vector<LogField>& fields);

enum class LogAppend { Logged, Pending, Lost };
// Appends the fields to the log, creating its folder (owner-only) when missing. Records kept in
// `pendingPath` are moved into the log first; while any remain, or when the log can't take these
// fields whole (nothing of them stays in it then), they go to the pending file, so the order holds.
LogAppend AppendLogRecord(const std::string& logPath, const std::string& pendingPath,
                          const std::vector<LogField>& fields);
// The same with `unwritten` first: what neither file took before. What neither takes now stays in it,
// to go first with the next record, so that a record is never lost while the program runs.
LogAppend AppendLogRecord(const std::string& logPath, const std::string& pendingPath,
                          const std::vector<LogField>& fields, std::string& unwritten);
// The same for text already in the log's form: a line of the data file beside the log, say.
LogAppend AppendLogText(const std::string& logPath, const std::string& pendingPath, const std::string& text,
                        std::string& unwritten);
// Appends the pending records to the log, synced, then removes the pending file: true when none
// remain. A failed append is cut back off the log, so a later move duplicates nothing.
bool MovePendingIntoLog(const std::string& logPath, const std::string& pendingPath);

// How the record of one call stands in a log.
enum class LoggedCall { Absent, Whole, WithoutComment };
// Looks through `logText`, the log or its end, for the record of a finished call with these start
// date and time (date serials), profile and connection. WithoutComment: the last such record ends
// the text just before its tenth field.
LoggedCall FindLoggedCall(std::string_view logText, double startDate, double startTime,
                          const std::string& profile, const std::string& connection);
// The text ends with a record of nine fields: a record whose comment a crash kept from being written.
bool RecordCutAtEnd(std::string_view text);
// The last `maxBytes` of the log, or less; empty when it can't be read.
std::string ReadLogTail(const std::string& path, std::size_t maxBytes);
