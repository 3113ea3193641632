#pragma once

#include "connection/DialUpService.h"
#include "settings/Globals.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Whether a dial-up connection is up, read afresh from the dial-up service on every call.
// The established flag stands for the registry indicator, the connection list for RAS.
class DetectConnection {
public:
    // Entry names longer than this are cut, as the connection record has room for no more.
    static constexpr std::size_t kMaxEntryNameLength = 256;

    explicit DetectConnection(DialUpService& service) : m_service(service) {}

    // The established flag is set.
    bool RegistryConnected();
    // The list holds exactly one connection.
    bool SingleRasConnection();
    // The list holds exactly one connection that the established flag has not reported.
    bool RasOnlyConnection();
    // A connection is up in the sense of the mode: WhenDialling and Compatibility take the list or
    // the flag, every other mode the flag alone.
    bool IsConnected(DetectMode mode);
    // Entry name of the first listed connection; empty when none is listed or the list can't be read.
    std::string FirstConnectionName();

    DialUpService& Service() { return m_service; }
    // The handle of the first connection listed by the last enumeration that could be read; none
    // when it listed none.
    const std::optional<std::uint64_t>& FirstHandle() const { return m_firstHandle; }

    // Set by the tick while the flag reports the listed connection, cleared when the list no longer
    // holds a single connection; once set, the list alone no longer keeps that connection up.
    bool RegistrySeenConnected = false;

private:
    bool Enumerate(std::vector<DialUpConnection>& connections);

    DialUpService& m_service;
    std::optional<std::uint64_t> m_firstHandle;
};
