#pragma once

#include "connection/DialUpService.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// Several sources of dial-up connections seen as one: the machine's own lines and the simulated line.
// Connections with the same entry name in different sources count as one connection, listed where the
// first source lists it; a hang-up of it reaches every source that lists that name. Handles are the
// combined service's own, stable while a connection stays listed.
class CombinedDialUpService final : public DialUpService {
public:
    // Sources in order of precedence; null entries are skipped. The sources must outlive this object.
    explicit CombinedDialUpService(const std::vector<DialUpService*>& sources);

    // True when any source has an established connection.
    bool EstablishedFlag() override;
    // False only when every source fails; a failing source then lists nothing.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Hangs up what the handle stood for in the last enumeration; false when it is unknown or any
    // source could not start its hang-up.
    bool HangUp(std::uint64_t handle) override;
    // The counters of the first source behind the handle that can read them.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

private:
    using SourceHandle = std::pair<std::size_t, std::uint64_t>; // source index, the source's handle

    std::vector<DialUpService*> m_sources;
    std::map<SourceHandle, std::uint64_t> m_handles;              // the combined handle of each
    std::map<std::uint64_t, std::vector<SourceHandle>> m_hangUps; // what a listed handle hangs up
    std::uint64_t m_nextHandle = 1;
};
