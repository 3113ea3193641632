#include "engine/CallLog.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#if defined(__unix__)
#include <unistd.h>
#endif

namespace {
LogField Valued(LogField::Kind kind, double value) {
    LogField field;
    field.FieldKind = kind;
    field.Value = value;
    return field;
}

// Syncs what the stream wrote to the disk, where the platform allows asking for it.
bool SyncToDisk(std::FILE* file) {
#if defined(__unix__)
    return ::fsync(::fileno(file)) == 0;
#else
    (void)file;
    return true;
#endif
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

LoggedCall FindLoggedCall(std::string_view text, double startDate, double startTime,
                          const std::string& profile, const std::string& connection) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
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

std::string ReadLogTail(const std::string& path, std::size_t maxBytes) {
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
