#include "engine/CallDataReader.h"

#include "connection/DialUpService.h"
#include "settings/Settings.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::optional<std::uint64_t> Count(std::string_view digits) {
    // from_chars takes no sign and no blank before an unsigned number: the digits alone.
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value > kMostCallBytes)
        return std::nullopt;
    return value;
}

std::int64_t When(std::int32_t date, std::int32_t start) {
    return std::int64_t{date} * 86400 + start;
}

} // namespace

std::optional<CallDataEntry> ParseCallDataLine(std::string_view line) {
    // The fixed-width date and time, then the connection, whose text may hold quotes and commas:
    // it runs to the last quote.
    constexpr std::size_t kConnection = 24;
    if (line.size() < kConnection + 2 || line[12] != ',' || line[23] != ',' || line[kConnection] != '"')
        return std::nullopt;
    const auto date = ParseLogDate(line.substr(0, 12));
    const auto start = ParseLogTime(line.substr(13, 10));
    const std::size_t close = line.rfind('"');
    if (!date || !start || close == kConnection) return std::nullopt;
    const std::string_view counts = line.substr(close + 1);
    const std::size_t comma = counts.find(',', 1);
    if (counts.empty() || counts.front() != ',' || comma == std::string_view::npos) return std::nullopt;
    const auto received = Count(counts.substr(1, comma - 1));
    const auto sent = Count(counts.substr(comma + 1));
    if (!received || !sent) return std::nullopt;
    return CallDataEntry{*date, *start, line.substr(kConnection + 1, close - kConnection - 1), *received,
                         *sent};
}

void CallDataJoin::Wait(const CallDataEntry& line) {
    auto found = m_waiting.find(std::string(line.Connection));
    if (found == m_waiting.end()) found = m_waiting.emplace(std::string(line.Connection), Starts()).first;
    found->second[When(line.Date, line.Start)] = {line.Received, line.Sent};
}

std::size_t CallDataJoin::Waiting() const {
    std::size_t waiting = 0;
    for (const auto& [connection, starts] : m_waiting)
        waiting += starts.size();
    return waiting;
}

void CallDataJoin::StopWaiting(const CallDataEntry& line) {
    if (m_waiting.empty()) return;
    if (const auto found = m_waiting.find(std::string(line.Connection)); found != m_waiting.end())
        found->second.erase(When(line.Date, line.Start));
}

namespace {

void Give(CallLogData& log, std::size_t record, CallBytes volume) {
    if (log.Volumes.size() <= record) log.Volumes.resize(log.Records.size());
    log.Volumes[record] = volume;
}

std::int64_t When(const CallRecord& r) {
    return When(r.Date, r.Start);
}

bool IsCallOf(const CallLogData& log, const CallRecord& r, const CallDataEntry& line) {
    return r.Start == line.Start && r.Date == line.Date && !r.Failed &&
           log.Name(r.Connection) == line.Connection;
}

// The latest call with this start and connection; the one just logged is nearly always last.
std::optional<std::size_t> LatestCall(const CallLogData& log, const CallDataEntry& line) {
    for (std::size_t i = log.Records.size(); i-- > 0;)
        if (IsCallOf(log, log.Records[i], line)) return i;
    return std::nullopt;
}

} // namespace

bool CallDataJoin::Along(CallLogData& log, const CallDataEntry& line) {
    // Calls before this line's start have no line of their own (failed dials, calls from before
    // bytes were counted); several calls may start in the same second.
    const std::int64_t when = When(line.Date, line.Start);
    const std::vector<CallRecord>& r = log.Records;
    while (m_next < r.size() && When(r[m_next]) < when)
        ++m_next;
    for (std::size_t i = m_next; i < r.size() && When(r[i]) == when; ++i)
        if (IsCallOf(log, r[i], line)) {
            Give(log, i, {line.Received, line.Sent});
            m_next = i + 1;
            return true;
        }
    return false;
}

std::size_t CallDataJoin::Parse(std::string_view data, CallLogData& log, Search search, bool& changed) {
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t end = data.find('\n', pos);
        if (end == std::string_view::npos) break;
        std::string_view text = data.substr(pos, end - pos);
        pos = end + 1;
        if (text.ends_with('\r')) text.remove_suffix(1);
        if (text.empty()) continue;
        const auto line = ParseCallDataLine(text);
        if (!line) {
            ++m_malformed;
            continue;
        }
        if (Along(log, *line)) {
            // An earlier line for the same call may be waiting: this one counts.
            StopWaiting(*line);
            changed = true;
        } else if (const auto call = search == Search::Latest ? LatestCall(log, *line) : std::nullopt) {
            Give(log, *call, {line->Received, line->Sent});
            changed = true;
        } else {
            Wait(*line);
        }
    }
    return pos;
}

bool CallDataJoin::Join(CallLogData& log, std::size_t first) {
    if (m_waiting.empty()) return false;
    // Each connection's volumes found once, not once a call.
    std::vector<Starts*> byName(log.NameCount(), nullptr);
    for (std::uint32_t name = 0; name < byName.size(); ++name)
        if (const auto found = m_waiting.find(std::string(log.Name(name))); found != m_waiting.end())
            byName[name] = &found->second;
    bool joined = false;
    for (std::size_t i = first; i < log.Records.size(); ++i) {
        const CallRecord& r = log.Records[i];
        Starts* starts = byName[r.Connection];
        if (!starts || r.Failed) continue;
        const auto found = starts->find(When(r.Date, r.Start));
        if (found == starts->end()) continue;
        Give(log, i, found->second);
        starts->erase(found);
        joined = true;
    }
    // What was joined no longer waits; emptied connections give their memory back.
    std::erase_if(m_waiting, [](const auto& entry) { return entry.second.empty(); });
    return joined;
}

CallLogRead ReadCallDataFile(const std::string& path, std::uint64_t from, CallDataJoin& join,
                             CallLogData& log, CallDataJoin::Search search, bool& changed,
                             const ReadProgress& progress) {
    return ReadGrowingFile(
        path, from, [&](std::string_view data, bool) { return join.Parse(data, log, search, changed); },
        progress);
}

double StoredDataAllowance(RegistryStore& store, const std::string& profile) {
    const Locale locale = Locale::DecimalPoint();
    const ProfileList none;
    const Settings settings(store, locale, none);
    const std::string key = std::string(Settings::BaseKey) + profile;
    // A profile made from another reads that one's values, as the program does.
    const std::string base = settings.ReadRegistryValue(key, "Base", REG_SZ).ToText(locale);
    const std::string section =
        (base.empty() ? key : std::string(Settings::BaseKey) + base) + "\\ISP Charges";
    const Variant stored = settings.ReadRegistryValue(section, "DataAllowance", REG_SZ);
    const double gigabytes = ParseStoredNumber(stored, locale).ToDouble(locale);
    return std::isfinite(gigabytes) && gigabytes > 0 ? gigabytes * 1e9 : 0;
}
