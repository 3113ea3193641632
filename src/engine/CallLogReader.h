#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One call (or failed dial) read back from the call log.
struct CallRecord {
    std::int32_t Date = 0;        // start date, whole days since 30 December 1899
    std::int32_t Start = 0;       // start time, seconds since midnight
    std::int32_t End = 0;         // end time, seconds since midnight
    std::uint32_t Profile = 0;    // index into CallLogData::Names
    std::uint32_t Connection = 0; // index into CallLogData::Names
    std::uint32_t CommentLength = 0;
    std::size_t CommentOffset = 0; // into CallLogData::Comments
    double Duration = 0;           // seconds
    double Cost = 0;
    bool Failed = false;
    bool HasComment = true; // false: the record ended before its comment was written
};

// The bytes received and sent during a call, when they were counted.
struct CallBytes {
    static constexpr std::uint64_t kUnknown = UINT64_MAX;
    std::uint64_t Received = kUnknown;
    std::uint64_t Sent = 0;
    bool Known() const { return Received != kUnknown; }
    std::uint64_t Total() const { return Known() ? Received + Sent : 0; }
};

// What the reader passed over, and why.
struct CallLogSkips {
    std::size_t CutShort = 0;  // records that ended before their ninth field
    std::size_t BadField = 0;  // records with a field of the wrong kind
    std::size_t Garbage = 0;   // stretches of text outside any record
    std::size_t NoComment = 0; // records kept although their comment is missing
    std::uint64_t GarbageBytes = 0;
    std::string FirstBadField; // the first wrong field, for example: cost "abc" is not a number

    std::size_t SkippedRecords() const { return CutShort + BadField; }
    bool Clean() const { return CutShort + BadField + Garbage + NoComment == 0; }
};

// The calls of a log: records, with the profile and connection names stored once each and the
// comments in one block of text.
class CallLogData {
public:
    CallLogData();
    CallLogData(const CallLogData&) = delete; // the name index points into the names
    CallLogData& operator=(const CallLogData&) = delete;
    CallLogData(CallLogData&&) = default;
    CallLogData& operator=(CallLogData&&) = default;

    std::vector<CallRecord> Records;
    CallLogSkips Skips;
    // Beside the records, indexed alike; empty until a call has a volume, shorter than the records
    // when the latest have none, so that a log without volumes costs nothing.
    std::vector<CallBytes> Volumes;
    CallBytes Volume(std::size_t record) const {
        return record < Volumes.size() ? Volumes[record] : CallBytes();
    }

    std::string_view Name(std::uint32_t index) const { return m_names[index]; }
    std::size_t NameCount() const { return m_names.size(); }
    std::string_view Comment(const CallRecord& record) const {
        return std::string_view(m_comments).substr(record.CommentOffset, record.CommentLength);
    }

    std::uint32_t Intern(std::string_view name);
    void AddComment(CallRecord& record, std::string_view comment);
    void Clear();

    // True while the text last read ended inside a stretch of garbage, so that its continuation
    // is not counted again.
    bool InGarbage = false;

private:
    std::deque<std::string> m_names; // a deque keeps the strings, and the views of the index, in place
    std::unordered_map<std::string_view, std::uint32_t> m_index;
    std::string m_comments;
};

// Reads the records in `data`, bytes of the log, and appends them to `log`. Fields end at a line
// break, or at a comma in a record whose marker is followed by a comma. `atEnd` says that `data`
// runs to the end of the file as it stands; otherwise a record touching the end of `data` is left
// for the next call. Returns how many bytes were used: everything but a record that isn't
// complete yet, which is read again once the rest of it is there.
std::size_t ParseCallLog(std::string_view data, bool atEnd, CallLogData& log);

// #yyyy-mm-dd# as whole days since 30 December 1899, and #hh:mm:ss# as seconds since midnight.
std::optional<std::int32_t> ParseLogDate(std::string_view text);
std::optional<std::int32_t> ParseLogTime(std::string_view text);

struct CallLogRead {
    enum class Outcome { Read, Missing, Unreadable, Shrunk };
    Outcome Result = Outcome::Read;
    std::string Error;         // why the file could not be read
    std::uint64_t Next = 0;    // where the next read starts: the first byte of an unfinished record
    std::uint64_t Pending = 0; // bytes of an unfinished record at the end of the file
};

// Reads the log file from byte `from` on (the `Next` of the previous read) into `log`, in large
// blocks. The file is only ever opened for reading. A file now shorter than `from` has been
// replaced or emptied: nothing is read and the outcome is Shrunk.
// `progress`, when given, hears after each block how many of the bytes to read have been read, and
// stops the read by answering false.
using ReadProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
CallLogRead ReadCallLogFile(const std::string& path, std::uint64_t from, CallLogData& log,
                            const ReadProgress& progress = {});

// The same for any file read as it grows: `parse` takes the bytes from where it stopped last, with
// `atEnd` as for ParseCallLog, and answers how many it used.
using BlockParser = std::function<std::size_t(std::string_view data, bool atEnd)>;
CallLogRead ReadGrowingFile(const std::string& path, std::uint64_t from, const BlockParser& parse,
                            const ReadProgress& progress = {});
