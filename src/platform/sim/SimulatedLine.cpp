#include "platform/sim/SimulatedLine.h"

#include "platform/sim/LineFile.h"
#include "settings/PlainText.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace {
// A real line file is a few lines; anything past this is garbage and not worth reading.
constexpr std::size_t kMaxFileSize = std::size_t{64} * 1024;
} // namespace

SimulatedConnection* SimulatedLineState::Find(std::string_view name) {
    const auto found = std::find_if(Connections.begin(), Connections.end(),
                                    [name](const SimulatedConnection& c) { return c.Name == name; });
    return found == Connections.end() ? nullptr : &*found;
}

SimulatedConnection& SimulatedLineState::Add(std::string name, bool connected) {
    Connections.push_back({NextHandle++, std::move(name), connected, {}});
    return Connections.back();
}

std::string FormatLineState(const SimulatedLineState& state) {
    std::string text = "next " + std::to_string(state.NextHandle) + "\n";
    for (const SimulatedConnection& connection : state.Connections) {
        const std::string handle = std::to_string(connection.Handle);
        text += handle + (connection.Connected ? " connected " : " dialling ") + connection.Name + "\n";
        // Left out while zero, so a line without counters reads as it did before they existed.
        if (connection.Traffic.Received != 0 || connection.Traffic.Sent != 0)
            text += "traffic " + handle + " " + std::to_string(connection.Traffic.Received) + " " +
                    std::to_string(connection.Traffic.Sent) + "\n";
    }
    return text;
}

namespace {
// "HANDLE RECEIVED SENT" of a traffic line.
std::optional<std::pair<std::uint64_t, LineTraffic>> TrafficFrom(std::string_view rest) {
    std::optional<std::uint64_t> numbers[3];
    for (auto& number : numbers) {
        const std::size_t space = std::min(rest.find(' '), rest.size());
        number = NumberFrom<std::uint64_t>(rest.substr(0, space));
        if (!number) return std::nullopt;
        rest.remove_prefix(std::min(space + 1, rest.size()));
    }
    if (!rest.empty()) return std::nullopt;
    return std::pair{*numbers[0], LineTraffic{*numbers[1], *numbers[2]}};
}
} // namespace

SimulatedLineState ParseLineState(std::string_view text) {
    SimulatedLineState state;
    std::uint64_t next = 1;
    std::vector<std::pair<std::uint64_t, LineTraffic>> traffic;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        // Carriage returns at the end are the line break of an editor, never part of a name.
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (line.starts_with("next ")) {
            if (const auto number = NumberFrom<std::uint64_t>(line.substr(5))) next = std::max(next, *number);
            continue;
        }
        if (line.starts_with("traffic ")) {
            if (const auto counters = TrafficFrom(line.substr(8))) traffic.push_back(*counters);
            continue;
        }
        const std::size_t space = line.find(' ');
        // The largest handle leaves no next one to hand out.
        const auto handle =
            space == std::string_view::npos ? std::nullopt : NumberFrom<std::uint64_t>(line.substr(0, space));
        if (!handle || *handle == 0 || *handle == std::numeric_limits<std::uint64_t>::max()) continue;
        const std::string_view rest = line.substr(space + 1);
        bool connected = false;
        if (rest.starts_with("connected "))
            connected = true;
        else if (!rest.starts_with("dialling "))
            continue;
        const std::string_view name = rest.substr(rest.find(' ') + 1);
        const bool seen = std::any_of(state.Connections.begin(), state.Connections.end(),
                                      [&](const SimulatedConnection& c) { return c.Handle == *handle; });
        if (name.empty() || name.find('\0') != std::string_view::npos || seen) continue;
        state.Connections.push_back({*handle, std::string(name), connected, {}});
        next = std::max(next, *handle + 1);
    }
    for (const auto& [handle, counters] : traffic)
        for (SimulatedConnection& connection : state.Connections)
            if (connection.Handle == handle) connection.Traffic = counters;
    state.NextHandle = next;
    return state;
}

SimulatedLine::SimulatedLine(std::filesystem::path file) : m_file(std::move(file)) {}

std::optional<std::string> SimulatedLine::FolderProblem() const {
    return LineFile::FolderProblem(m_file.parent_path());
}

bool SimulatedLine::Refresh() {
    m_looked = Look();
    return m_looked;
}

bool SimulatedLine::Look() {
    LineFile::Stamp stamp;
    switch (LineFile::StampOf(m_file, stamp)) {
    case LineFile::Outcome::Failed:
        return false;
    case LineFile::Outcome::Absent:
        m_stamp.reset();
        m_state = {};
        return true;
    case LineFile::Outcome::Done:
        break;
    }
    if (m_stamp && *m_stamp == stamp) return true;
    if (FolderProblem()) return false;

    // The stamp is taken from the file that is read, so a replacement in between can't pair new
    // text with an old stamp.
    std::string text;
    switch (LineFile::Read(m_file, kMaxFileSize, text, stamp)) {
    case LineFile::Outcome::Failed:
        return false;
    case LineFile::Outcome::Absent:
        m_stamp.reset();
        m_state = {};
        return true;
    case LineFile::Outcome::Done:
        break;
    }
    m_stamp = stamp;
    m_state = ParseLineState(text);
    return true;
}

bool SimulatedLine::Read(SimulatedLineState& state) {
    if (!Refresh()) return false;
    state = m_state;
    return true;
}

bool SimulatedLine::EstablishedFlag() {
    return Refresh() && std::any_of(m_state.Connections.begin(), m_state.Connections.end(),
                                    [](const SimulatedConnection& c) { return c.Connected; });
}

bool SimulatedLine::EnumConnections(std::vector<DialUpConnection>& connections) {
    connections.clear();
    if (!Refresh()) return false;
    for (const SimulatedConnection& connection : m_state.Connections)
        connections.push_back({connection.Handle, connection.Name});
    return true;
}

bool SimulatedLine::HangUp(std::uint64_t handle) {
    bool found = false;
    const bool written = Edit([&](SimulatedLineState& state) {
        const auto before = state.Connections.size();
        std::erase_if(state.Connections,
                      [handle](const SimulatedConnection& c) { return c.Handle == handle; });
        found = state.Connections.size() != before;
        return found;
    });
    return written && found;
}

bool SimulatedLine::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    if (!m_looked && !Refresh()) return false;
    m_looked = false;
    const auto found = std::find_if(m_state.Connections.begin(), m_state.Connections.end(),
                                    [handle](const SimulatedConnection& c) { return c.Handle == handle; });
    if (found == m_state.Connections.end()) return false;
    counters = found->Traffic;
    return true;
}

bool SimulatedLine::Edit(const std::function<bool(SimulatedLineState&)>& change) {
    const std::filesystem::path folder = m_file.parent_path();
    if (FolderProblem()) return false;
    const LineFile::FolderLock lock(folder);
    if (!lock.Held()) return false;

    // Read afresh under the lock rather than trusting the cache.
    std::string text;
    LineFile::Stamp stamp;
    std::optional<LineFile::Stamp> older;
    switch (LineFile::Read(m_file, kMaxFileSize, text, stamp)) {
    case LineFile::Outcome::Failed:
        return false;
    case LineFile::Outcome::Absent:
        text.clear();
        break;
    case LineFile::Outcome::Done:
        older = stamp;
        break;
    }
    SimulatedLineState state = ParseLineState(text);
    if (!change(state)) return true;
    m_stamp.reset();
    m_looked = false;
    return LineFile::Replace(m_file, FormatLineState(state), older);
}
