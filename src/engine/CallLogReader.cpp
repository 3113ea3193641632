#include "engine/CallLogReader.h"

#include "settings/DateSerial.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

constexpr std::string_view kMarker = "\"TALLYD\"";
constexpr std::size_t npos = std::string_view::npos;

bool IsBreak(char c) {
    return c == '\r' || c == '\n';
}
bool IsSeparator(char c) {
    return c == ',' || IsBreak(c);
}
bool IsBlank(char c) {
    return IsSeparator(c) || c == ' ' || c == '\t';
}

// A marker field starts at `pos`: "TALLYD" in quotes, followed by a separator. Whatever comes before
// it doesn't matter: a record cut short in the middle of a field has the next marker right after it.
bool MarkerAt(std::string_view d, std::size_t pos) {
    if (d.size() - pos < kMarker.size() || d.compare(pos, kMarker.size(), kMarker) != 0) return false;
    const std::size_t after = pos + kMarker.size();
    return after == d.size() || IsSeparator(d[after]);
}

std::size_t NextMarker(std::string_view d, std::size_t from) {
    for (std::size_t pos = d.find(kMarker, from); pos != npos; pos = d.find(kMarker, pos + 1))
        if (MarkerAt(d, pos)) return pos;
    return npos;
}

// Past one field terminator at `pos`: a comma or a line break (CR LF, LF or CR).
std::size_t SkipTerminator(std::string_view d, std::size_t pos) {
    if (pos >= d.size()) return pos;
    if (d[pos] == '\r' && pos + 1 < d.size() && d[pos + 1] == '\n') return pos + 2;
    return pos + 1;
}

enum class Form { Lines, Commas };

struct Field {
    std::string_view Text; // as written, quotes included
    std::size_t Next = 0;  // the first byte after its terminator
};

Field ReadField(std::string_view d, std::size_t pos, Form form) {
    const std::size_t size = d.size();
    std::size_t end = pos;
    if (form == Form::Commas && pos < size && d[pos] == '"') {
        // Nothing inside quotes is escaped: the text ends at the first quote that a separator follows.
        end = size;
        for (std::size_t q = d.find('"', pos + 1); q != npos; q = d.find('"', q + 1))
            if (q + 1 == size || IsSeparator(d[q + 1])) {
                end = q + 1;
                break;
            }
    } else if (form == Form::Commas) {
        while (end < size && !IsSeparator(d[end]))
            ++end;
    } else {
        while (end < size && !IsBreak(d[end]))
            ++end;
    }
    return {d.substr(pos, end - pos), SkipTerminator(d, end)};
}

std::optional<int> Digits(std::string_view text) {
    if (text.starts_with('-')) return std::nullopt;
    return NumberFrom<int>(text);
}

} // namespace

std::optional<std::int32_t> ParseLogDate(std::string_view t) {
    if (t.size() != 12 || t[0] != '#' || t[5] != '-' || t[8] != '-' || t[11] != '#') return std::nullopt;
    const auto year = Digits(t.substr(1, 4));
    const auto month = Digits(t.substr(6, 2));
    const auto day = Digits(t.substr(9, 2));
    if (!year || !month || !day || *year < 100 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DateSerial::DaysInMonth(*year, *month))
        return std::nullopt;
    return static_cast<std::int32_t>(DateSerial::FromCivil(*year, *month, *day));
}

std::optional<std::int32_t> ParseLogTime(std::string_view t) {
    if (t.size() != 10 || t[0] != '#' || t[3] != ':' || t[6] != ':' || t[9] != '#') return std::nullopt;
    const auto hour = Digits(t.substr(1, 2));
    const auto minute = Digits(t.substr(4, 2));
    const auto second = Digits(t.substr(7, 2));
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return *hour * 3600 + *minute * 60 + *second;
}

namespace {

std::optional<std::string_view> Unquote(std::string_view t) {
    if (t.size() < 2 || t.front() != '"' || t.back() != '"') return std::nullopt;
    return t.substr(1, t.size() - 2);
}

enum class RecordEnd { Complete, NoComment, Pending, CutShort, BadField };

struct RecordResult {
    RecordEnd End = RecordEnd::Pending;
    std::size_t Next = 0; // where reading goes on; for a bad field, the field's start
};

const char* const kFieldNames[] = {"start date", "start time", "end time",    "duration", "cost",
                                   "profile",    "connection", "failed flag", "comment"};

std::string Describe(int field, std::string_view text) {
    static const char* const kWants[] = {"a date",      "a time of day", "a time of day",
                                         "a number",    "a number",      "quoted text",
                                         "quoted text", "0 or 1",        "quoted text"};
    constexpr std::size_t kShown = 40;
    std::string shown(text.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ') c = '?';
    if (text.size() > kShown) shown += "...";
    return std::string(kFieldNames[field]) + " \"" + shown + "\" is not " + kWants[field];
}

class RecordParser {
public:
    RecordParser(std::string_view data, bool atEnd, CallLogData& log) : d(data), m_atEnd(atEnd), m_log(log) {}

    // The record whose marker starts at `pos`.
    RecordResult Parse(std::size_t pos) {
        const std::size_t after = pos + kMarker.size();
        if (after >= d.size()) return Pending();
        const Form form = d[after] == ',' ? Form::Commas : Form::Lines;
        std::size_t cur = SkipTerminator(d, after);

        std::string_view profile;
        std::string_view connection;
        CallRecord record;
        for (int field = 0; field < 8; ++field) {
            if (cur >= d.size()) return Pending();
            if (MarkerAt(d, cur)) {
                // A profile or a connection may be named "TALLYD"; anywhere else a marker starts
                // the next record.
                const bool text = field == 5 || field == 6;
                const Marked marked =
                    text ? NewRecordAt(cur) : (AtEnd(cur) ? Marked::Undecided : Marked::NewRecord);
                if (marked == Marked::Undecided) return Pending();
                if (marked == Marked::NewRecord) return {RecordEnd::CutShort, cur};
            }
            const Field f = ReadField(d, cur, form);
            if (!m_atEnd && f.Next >= d.size()) return Pending();
            if (!Take(field, f.Text, record, profile, connection)) return Bad(field, f.Text, cur);
            cur = f.Next;
        }

        if (cur >= d.size()) return Pending();
        std::optional<std::string_view> comment;
        std::size_t next = cur;
        if (MarkerAt(d, cur)) {
            // The comment was never written, unless the comment is "TALLYD" itself.
            const Marked marked = NewRecordAt(cur);
            if (marked == Marked::Undecided) return Pending();
            if (marked == Marked::NewRecord) {
                record.HasComment = false;
                Keep(record, profile, connection, {});
                return {RecordEnd::NoComment, cur};
            }
        }
        if (form == Form::Lines) {
            const Field f = ReadField(d, cur, form);
            if (!m_atEnd && f.Next >= d.size()) return Pending();
            comment = Unquote(f.Text);
            next = f.Next;
            if (!comment) return Bad(8, f.Text, cur);
        } else {
            // The comment may hold commas and quotes: it runs to the next record or line break.
            const std::size_t marker = NextMarker(d, cur + 1);
            if (marker != npos && AtEnd(marker)) return Pending();
            std::size_t limit = marker == npos ? d.size() : marker;
            const auto lineBreak = std::find_if(d.begin() + cur, d.begin() + limit, IsBreak);
            const bool bounded = marker != npos || lineBreak != d.begin() + limit;
            limit = lineBreak - d.begin();
            if (!m_atEnd && !bounded) return Pending();
            std::string_view region = d.substr(cur, limit - cur);
            if (!region.empty() && region.back() == ',') region.remove_suffix(1);
            comment = Unquote(region);
            next = limit;
            if (!comment && !region.empty() && region.front() == '"') {
                // Text after the comment on its line: the comment ends at the first quote and comma.
                const std::size_t close = region.find("\",", 1);
                if (close != npos) {
                    comment = region.substr(1, close - 1);
                    next = cur + close + 2;
                }
            }
            if (!comment) return Bad(8, region, cur);
        }
        Keep(record, profile, connection, *comment);
        return {RecordEnd::Complete, next};
    }

private:
    static RecordResult Pending() { return {RecordEnd::Pending, 0}; }

    enum class Marked { NewRecord, Text, Undecided };
    // A marker at `pos` where a text field may say "TALLYD": a date after it tells a new record.
    Marked NewRecordAt(std::size_t pos) const {
        const std::size_t afterMarker = pos + kMarker.size();
        if (afterMarker >= d.size()) return Marked::Undecided;
        const Form nextForm = d[afterMarker] == ',' ? Form::Commas : Form::Lines;
        const Field date = ReadField(d, SkipTerminator(d, afterMarker), nextForm);
        if (!m_atEnd && date.Next >= d.size()) return Marked::Undecided;
        return ParseLogDate(date.Text) ? Marked::NewRecord : Marked::Text;
    }

    // A marker that ends where the data does may yet turn out to be the start of longer text.
    bool AtEnd(std::size_t marker) const { return !m_atEnd && marker + kMarker.size() >= d.size(); }

    RecordResult Bad(int field, std::string_view text, std::size_t at) {
        if (m_log.Skips.FirstBadField.empty()) m_log.Skips.FirstBadField = Describe(field, text);
        return {RecordEnd::BadField, at};
    }

    static bool Take(int field, std::string_view text, CallRecord& r, std::string_view& profile,
                     std::string_view& connection) {
        switch (field) {
        case 0: {
            const auto date = ParseLogDate(text);
            r.Date = date.value_or(0);
            return date.has_value();
        }
        case 1:
        case 2: {
            const auto time = ParseLogTime(text);
            (field == 1 ? r.Start : r.End) = time.value_or(0);
            return time.has_value();
        }
        case 3:
        case 4: {
            // No call lasts or costs more than this: a larger figure is damage, not an amount.
            constexpr double kLargest = 1e12;
            const auto number = NumberFrom<double>(text);
            const bool amount = number && std::fabs(*number) <= kLargest;
            (field == 3 ? r.Duration : r.Cost) = amount ? *number : 0;
            return amount;
        }
        case 5:
        case 6: {
            const auto name = Unquote(text);
            (field == 5 ? profile : connection) = name.value_or(std::string_view());
            return name.has_value();
        }
        default:
            r.Failed = text == "1";
            return text == "0" || text == "1";
        }
    }

    void Keep(CallRecord& record, std::string_view profile, std::string_view connection,
              std::string_view comment) {
        record.Profile = m_log.Intern(profile);
        record.Connection = m_log.Intern(connection);
        m_log.AddComment(record, comment);
        m_log.Records.push_back(record);
    }

    std::string_view d;
    bool m_atEnd;
    CallLogData& m_log;
};

// Where to stop in text without a marker, `pos` on, that the next block continues: a marker may be
// cut in two by the end of the block, so its first part stays.
std::size_t KeepMarkerStart(std::string_view d, std::size_t pos) {
    return std::max(pos, d.size() - std::min(d.size(), kMarker.size()));
}

} // namespace

CallLogData::CallLogData() {
    Intern({});
}

std::uint32_t CallLogData::Intern(std::string_view name) {
    if (const auto found = m_index.find(name); found != m_index.end()) return found->second;
    const auto index = static_cast<std::uint32_t>(m_names.size());
    m_names.emplace_back(name);
    m_index.emplace(m_names.back(), index);
    return index;
}

void CallLogData::AddComment(CallRecord& record, std::string_view comment) {
    record.CommentOffset = m_comments.size();
    record.CommentLength = static_cast<std::uint32_t>(std::min<std::size_t>(comment.size(), UINT32_MAX));
    m_comments.append(comment.substr(0, record.CommentLength));
}

void CallLogData::Clear() {
    *this = CallLogData();
}

std::size_t ParseCallLog(std::string_view d, bool atEnd, CallLogData& log) {
    RecordParser parser(d, atEnd, log);
    std::size_t pos = 0;
    while (true) {
        while (pos < d.size() && IsBlank(d[pos]))
            ++pos;
        if (pos >= d.size()) return d.size();
        if (!atEnd && d.size() - pos < kMarker.size() && kMarker.starts_with(d.substr(pos))) return pos;
        if (!MarkerAt(d, pos)) {
            const std::size_t marker = NextMarker(d, pos);
            if (!log.InGarbage) ++log.Skips.Garbage;
            log.InGarbage = true;
            if (marker != npos) {
                pos = marker;
            } else if (atEnd) {
                return d.size();
            } else {
                return KeepMarkerStart(d, pos);
            }
        }
        const RecordResult result = parser.Parse(pos);
        if (result.End == RecordEnd::Pending) return pos;
        pos = result.Next;
        // The rest of a bad record, up to the next marker, goes with it and isn't counted as garbage.
        log.InGarbage = result.End == RecordEnd::BadField;
        if (result.End == RecordEnd::NoComment) ++log.Skips.NoComment;
        if (result.End == RecordEnd::CutShort) ++log.Skips.CutShort;
        if (result.End == RecordEnd::BadField) {
            ++log.Skips.BadField;
            const std::size_t marker = NextMarker(d, pos);
            if (marker == npos) return atEnd ? d.size() : KeepMarkerStart(d, pos);
            pos = marker;
        }
    }
}

CallLogRead ReadCallLogFile(const std::string& path, std::uint64_t from, CallLogData& log,
                            const ReadProgress& progress) {
    return ReadGrowingFile(
        path, from, [&](std::string_view data, bool atEnd) { return ParseCallLog(data, atEnd, log); },
        progress);
}

CallLogRead ReadGrowingFile(const std::string& path, std::uint64_t from, const BlockParser& parse,
                            const ReadProgress& progress) {
    CallLogRead read;
    read.Next = from;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        read.Result = CallLogRead::Outcome::Missing;
        return read;
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        read.Result = CallLogRead::Outcome::Unreadable;
        read.Error = error ? error.message() : "not a file";
        return read;
    }
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (!error && size < from) {
        read.Result = CallLogRead::Outcome::Shrunk;
        return read;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        read.Result = CallLogRead::Outcome::Unreadable;
        read.Error = std::strerror(errno);
        return read;
    }
    in.seekg(static_cast<std::streamoff>(from));

    // Large blocks; an unfinished record at a block's end moves to the front of the next.
    constexpr std::size_t kBlock = std::size_t{8} << 20;
    std::string buffer;
    std::size_t carried = 0;
    std::uint64_t bufferStart = from;
    std::uint64_t left = error ? kBlock : size - from; // what the file held when asked; it may grow
    while (true) {
        const std::size_t want =
            std::max(carried, static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, left + 1)));
        if (buffer.size() < carried + want) buffer.resize(carried + want);
        in.read(buffer.data() + carried, static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        left = left > got ? left - got : 0;
        const bool atEnd = got < want;
        const std::size_t total = carried + got;
        const std::size_t used = parse(std::string_view(buffer.data(), total), atEnd);
        if (atEnd) {
            read.Next = bufferStart + used;
            read.Pending = total - used;
            return read;
        }
        std::memmove(buffer.data(), buffer.data() + used, total - used);
        carried = total - used;
        bufferStart += used;
        if (progress && !error && !progress(bufferStart + carried - from, size - from)) {
            read.Next = bufferStart;
            return read;
        }
    }
}
