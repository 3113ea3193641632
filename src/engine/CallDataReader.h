#pragma once

#include "engine/CallLogReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class RegistryStore;

// The bytes of each call, kept in a file beside the log so that the log's records stay as they are:
// a line per call, #yyyy-mm-dd#,#hh:mm:ss#,"connection",received,sent, keyed by the start date,
// start time and connection of the call's record.

struct CallDataEntry {
    std::int32_t Date = 0;
    std::int32_t Start = 0;
    std::string_view Connection;
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
};

// One line without its line break; nothing when it isn't one.
std::optional<CallDataEntry> ParseCallDataLine(std::string_view line);

// The volumes read from a data file and the calls of a log they belong to. A volume read before
// its call waits for it; of two lines for one call the later counts.
class CallDataJoin {
public:
    // How a line finds its call in the log: the file's lines come in the order of the log's
    // records, so first by going along both; failing that, by looking for the latest call with its
    // start and connection (when following the files, where the call is nearly always among the
    // last), or not at all (when reading the whole file, where Join then finds what waits).
    enum class Search { Along, Latest };

    // Reads the whole lines of `data` and returns how many bytes they took: a line isn't whole until
    // its line break is written. True in `changed` when a call of `log` got a volume.
    std::size_t Parse(std::string_view data, CallLogData& log, Search search, bool& changed);
    // Gives the calls of `log` from `first` on the volumes waiting for them; true when one got one.
    bool Join(CallLogData& log, std::size_t first);

    std::size_t Malformed() const { return m_malformed; }
    std::size_t Waiting() const;

private:
    bool Along(CallLogData& log, const CallDataEntry& line);
    void Wait(const CallDataEntry& line);
    void StopWaiting(const CallDataEntry& line);

    using Starts = std::unordered_map<std::int64_t, CallBytes>; // by date and time, in seconds
    std::unordered_map<std::string, Starts> m_waiting;          // by connection
    std::size_t m_next = 0;                                     // the call after the last one found along
    std::size_t m_malformed = 0;
};

// Reads the data file from byte `from` on, as ReadCallLogFile reads the log.
CallLogRead ReadCallDataFile(const std::string& path, std::uint64_t from, CallDataJoin& join,
                             CallLogData& log, CallDataJoin::Search search, bool& changed,
                             const ReadProgress& progress = {});

// The monthly data allowance of `profile` in bytes, as its options store it; 0 for none. Only read:
// nothing is written to the store.
double StoredDataAllowance(RegistryStore& store, const std::string& profile);
