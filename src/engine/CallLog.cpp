#include "engine/CallLog.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include <filesystem>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {
LogField Valued(LogField::Kind kind, double value) {
    LogField field;
    field.FieldKind = kind;
    field.Value = value;
    return field;
}

bool SyncToDisk(std::FILE* file) {
#ifdef _WIN32
    return ::_commit(::_fileno(file)) == 0;
#else
    return ::fsync(::fileno(file)) == 0;
#endif
}

// mkdir -p, each folder made owner-only: the log and what waits for it are the user's own.
void CreateFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || std::filesystem::exists(folder, error)) return;
    CreateFolder(folder.parent_path());
    if (std::filesystem::create_directory(folder, error))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
}

// Appends the bytes whole, synced, or not at all: what a failed write left is cut back off.
bool AppendWhole(const std::string& path, const std::string& bytes) {
    CreateFolder(std::filesystem::path(path).parent_path());
    std::error_code error;
    const std::uintmax_t found = std::filesystem::file_size(path, error);
    const std::uintmax_t before = error ? 0 : found;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && SyncToDisk(file);
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    std::filesystem::resize_file(path, before, error);
    return false;
}

// The text's lines, each without its CR LF or LF.
std::vector<std::string_view> LogLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::string RecordText(const std::vector<LogField>& fields) {
    std::string text;
    for (const LogField& field : fields)
        text += FormatLogField(field) + "\r\n";
    return text;
}
} // namespace

LogField LogField::String(std::string text) {
    LogField field;
    field.Text = std::move(text);
    return field;
}

LogField LogField::Date(double serial) {
    return Valued(Kind::Date, serial);
}

LogField LogField::Time(double serial) {
    return Valued(Kind::Time, serial);
}

LogField LogField::Number(double value) {
    return Valued(Kind::Number, value);
}

LogField LogField::WholeNumber(long long value) {
    LogField field;
    field.FieldKind = Kind::WholeNumber;
    field.Whole = value;
    return field;
}

std::string FormatLogField(const LogField& field) {
    switch (field.FieldKind) {
    case LogField::Kind::String:
        return "\"" + field.Text + "\"";
    case LogField::Kind::Date: {
        const CivilDate date = DateSerial::ToCivil(field.Value);
        return "#" + Padded(date.Year, 4) + "-" + Padded(date.Month, 2) + "-" + Padded(date.Day, 2) + "#";
    }
    case LogField::Kind::Time: {
        const TimeOfDay time = DateSerial::ToTime(field.Value);
        return "#" + Padded(time.Hour, 2) + ":" + Padded(time.Minute, 2) + ":" + Padded(time.Second, 2) + "#";
    }
    case LogField::Kind::Number:
        return ExactNumberText(field.Value);
    case LogField::Kind::WholeNumber:
        return std::to_string(field.Whole);
    }
    return {};
}

bool AppendLogFields(const std::string& path, const std::vector<LogField>& fields) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    bool ok = true;
    for (const LogField& field : fields) {
        // Each field goes out on its own: a record cut short by a failure keeps what was written,
        // and a reader resynchronises on the next record's marker.
        const std::string line = FormatLogField(field) + "\r\n";
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fflush(file) != 0) {
            ok = false;
            break;
        }
    }
    ok = ok && SyncToDisk(file);
    return std::fclose(file) == 0 && ok;
}

bool MovePendingIntoLog(const std::string& logPath, const std::string& pendingPath) {
    if (pendingPath.empty()) return true;
    std::error_code error;
    const auto kind = std::filesystem::symlink_status(pendingPath, error).type();
    if (kind == std::filesystem::file_type::not_found) return true;
    if (error) return false;
    // Anything but a file (a folder, say) holds no record of ours: the log takes the records.
    if (kind != std::filesystem::file_type::regular) return true;
    std::ifstream in(pendingPath, std::ios::binary);
    if (!in) return false;
    const std::string pending((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    in.close();
    // A move cut short after its append and before the removal left these records at the log's end
    // already: they go in once.
    const bool alreadyIn = !pending.empty() && ReadLogTail(logPath, pending.size()) == pending;
    if (!pending.empty() && !alreadyIn && !AppendWhole(logPath, pending)) return false;
    // Once in the log the records must leave the pending file, or the next move repeats them.
    if (std::filesystem::remove(pendingPath, error)) return true;
    std::ofstream emptied(pendingPath, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(emptied);
}

LogAppend AppendLogRecord(const std::string& logPath, const std::string& pendingPath,
                          const std::vector<LogField>& fields) {
    std::string unwritten;
    return AppendLogRecord(logPath, pendingPath, fields, unwritten);
}

LogAppend AppendLogRecord(const std::string& logPath, const std::string& pendingPath,
                          const std::vector<LogField>& fields, std::string& unwritten) {
    return AppendLogText(logPath, pendingPath, RecordText(fields), unwritten);
}

LogAppend AppendLogText(const std::string& logPath, const std::string& pendingPath, const std::string& record,
                        std::string& unwritten) {
    const std::string text = unwritten + record;
    if (text.empty()) return LogAppend::Logged;
    LogAppend result = LogAppend::Lost;
    if (MovePendingIntoLog(logPath, pendingPath) && AppendWhole(logPath, text))
        result = LogAppend::Logged;
    else if (!pendingPath.empty() && AppendWhole(pendingPath, text))
        result = LogAppend::Pending;
    unwritten = result == LogAppend::Lost ? text : std::string();
    return result;
}

LoggedCall FindLoggedCall(std::string_view text, double startDate, double startTime,
                          const std::string& profile, const std::string& connection) {
    const std::vector<std::string_view> lines = LogLines(text);
    const std::string marker = FormatLogField(LogField::String("TALLYD"));
    // The fields that tell this call from every other, by their place in the record.
    const std::pair<std::size_t, std::string> wanted[] = {
        {1, FormatLogField(LogField::Date(startDate))}, {2, FormatLogField(LogField::Time(startTime))},
        {6, FormatLogField(LogField::String(profile))}, {7, FormatLogField(LogField::String(connection))},
        {8, FormatLogField(LogField::WholeNumber(0))},
    };
    LoggedCall found = LoggedCall::Absent;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != marker) continue;
        bool same = true;
        for (const auto& [offset, field] : wanted)
            same = same && i + offset < lines.size() && lines[i + offset] == field;
        if (!same) continue;
        // Only a record that ends the log can still get its comment.
        found = i + 9 == lines.size() ? LoggedCall::WithoutComment : LoggedCall::Whole;
    }
    return found;
}

bool RecordCutAtEnd(std::string_view text) {
    const std::vector<std::string_view> lines = LogLines(text);
    if (lines.size() < 9) return false;
    const std::size_t first = lines.size() - 9;
    const std::string marker = FormatLogField(LogField::String("TALLYD"));
    // The record's own fields, as a call's record has them: a date after the marker, a flag last.
    const std::string_view date = lines[first + 1];
    const std::string_view flag = lines[first + 8];
    return lines[first] == marker && date.size() == 12 && date.front() == '#' && date.back() == '#' &&
           (flag == "0" || flag == "1");
}

std::string ReadLogTail(const std::string& path, std::size_t maxBytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    if (size <= 0) return {};
    const std::streamoff start =
        size > static_cast<std::streamoff>(maxBytes) ? size - static_cast<std::streamoff>(maxBytes) : 0;
    in.seekg(start);
    std::string text(static_cast<std::size_t>(size - start), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}
