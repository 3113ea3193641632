#include "connection/CombinedDialUpService.h"

#include <algorithm>
#include <string>

CombinedDialUpService::CombinedDialUpService(const std::vector<DialUpService*>& sources) {
    for (DialUpService* source : sources)
        if (source) m_sources.push_back(source);
}

bool CombinedDialUpService::EstablishedFlag() {
    return std::any_of(m_sources.begin(), m_sources.end(),
                       [](DialUpService* source) { return source->EstablishedFlag(); });
}

bool CombinedDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    std::map<SourceHandle, std::uint64_t> handles;
    std::map<std::uint64_t, std::vector<SourceHandle>> hangUps;
    std::map<std::string, std::uint64_t> byName; // the combined handle listed for each name
    bool anyRead = m_sources.empty();
    connections.clear();

    for (std::size_t index = 0; index < m_sources.size(); ++index) {
        std::vector<DialUpConnection> listed;
        if (!m_sources[index]->EnumConnections(listed)) continue;
        anyRead = true;
        for (const DialUpConnection& connection : listed) {
            const SourceHandle key{index, connection.Handle};
            // Handles carry over from the last enumeration so that a handle once given stays valid.
            const auto known = m_handles.find(key);
            const std::uint64_t handle = known != m_handles.end() ? known->second : m_nextHandle++;
            handles[key] = handle;

            // Within one source equal names are distinct connections; across sources they are one.
            const auto same = byName.find(connection.EntryName);
            if (same != byName.end() && hangUps[same->second].front().first != index) {
                hangUps[same->second].push_back(key);
                continue;
            }
            byName.emplace(connection.EntryName, handle);
            hangUps[handle].push_back(key);
            connections.push_back({handle, connection.EntryName});
        }
    }
    m_handles = std::move(handles);
    m_hangUps = std::move(hangUps);
    return anyRead;
}

bool CombinedDialUpService::HangUp(std::uint64_t handle) {
    const auto found = m_hangUps.find(handle);
    if (found == m_hangUps.end()) return false;
    bool started = true;
    for (const auto& [index, sourceHandle] : found->second)
        started = m_sources[index]->HangUp(sourceHandle) && started;
    return started;
}

bool CombinedDialUpService::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    const auto found = m_hangUps.find(handle);
    if (found == m_hangUps.end()) return false;
    // The source that lists the connection comes first; another may still count it when that one can't.
    for (const auto& [index, sourceHandle] : found->second)
        if (m_sources[index]->ReadTraffic(sourceHandle, counters)) return true;
    return false;
}
