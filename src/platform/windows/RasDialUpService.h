#pragma once

#include "connection/DialUpService.h"

#include <functional>

// Dial-up networking on Windows: the remote-access service's registry indicator for the
// established flag, and rasapi32 for the list of connections, their counters and hanging up. A
// connection's handle is its HRASCONN.
class RasDialUpService final : public DialUpService {
public:
    // The rasapi32 calls, with the arguments of RasEnumConnectionsA, RasHangUpA and
    // RasGetConnectionStatistics.
    struct RasCalls {
        std::function<unsigned long(void* records, unsigned long* size, unsigned long* count)>
            EnumConnections;
        std::function<unsigned long(void* handle)> HangUp;
        std::function<unsigned long(void* handle, void* statistics)> Statistics;
    };
    // Over rasapi32 itself.
    RasDialUpService();
    explicit RasDialUpService(RasCalls calls) : m_calls(std::move(calls)) {}

    // True while "Remote Connection" holds a non-zero number of at most four bytes.
    bool EstablishedFlag() override;
    // Every connection RAS lists, dialling or up; EntryName is the phone-book entry's ANSI name.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    bool HangUp(std::uint64_t handle) override;
    // The connection's bytes as RAS counts them, in 32 bits that wrap.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

private:
    RasCalls m_calls;
};
