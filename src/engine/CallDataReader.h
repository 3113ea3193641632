#pragma once

#include "engine/CallLogReader.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class RegistryStore;

// The bytes of each call, kept in a file beside the log so that the log's records stay as they are:
// a line per call, #yyyy-mm-dd#,#hh:mm:ss#,"connection",received,sent, keyed by the start date,
// start time and connection of the call's record.

struct CallDataLine {
    std::int32_t Date = 0;
    std::int32_t Start = 0;
    std::string_view Connection;
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
};

// One line without its line break; nothing when it isn't one.
std::optional<CallDataLine> ParseCallDataLine(std::string_view line);

// The data file of a log: log-data.dat beside log.dat.
std::filesystem::path CallDataPathFor(const std::filesystem::path& log);

// "999 B", "1.50 kB", "12.4 MB", "150 GB": decimal units, three figures from a kilobyte on.
std::string FormatBytes(std::uint64_t bytes);

// The volumes read from a data file and the calls of a log they belong to. A volume read before
// its call waits for it; of two lines for one call the later counts.
class CallDataJoin {
public:
    // Reads the whole lines of `data` and returns how many bytes they took: a line isn't whole until
    // its line break is written. With `log` a volume goes to its call at once, looked for from the
    // latest call back; without, every volume waits for Join. True in `changed` when a call of
    // `log` got a volume.
    std::size_t Parse(std::string_view data, CallLogData* log, bool& changed);
    // Gives the calls of `log` from `first` on the volumes waiting for them; true when one got one.
    bool Join(CallLogData& log, std::size_t first);

    std::size_t Malformed() const { return m_malformed; }
    std::size_t Waiting() const;

private:
    void Wait(const CallDataLine& line);

    using Starts = std::unordered_map<std::int64_t, CallVolume>; // by date and time, in seconds
    std::unordered_map<std::string, Starts> m_waiting;           // by connection
    std::size_t m_malformed = 0;
};

// Reads the data file from byte `from` on, as ReadCallLogFile reads the log.
CallLogRead ReadCallDataFile(const std::string& path, std::uint64_t from, CallDataJoin& join,
                             CallLogData* log, bool& changed, const ReadProgress& progress = {});

// The monthly data allowance of `profile` in bytes, as its options store it; 0 for none. Only read:
// nothing is written to the store.
double StoredDataAllowance(RegistryStore& store, const std::string& profile);
