#pragma once

#include "connection/DialUpService.h"
#include "platform/linux/NetworkManagerDialUpService.h"
#include "platform/linux/PppdDialUpService.h"

#include <filesystem>
#include <memory>

class Clock;

// The dial-up lines of this machine: NetworkManager's and those of every pppd it did not start, watched
// together whenever either is there. A pppd that NetworkManager runs for one of its connections is that
// connection's line: it is NetworkManager's child or runs on an interface of the connection's device.
// Needs a QCoreApplication, whose event loop keeps NetworkManager's mirror current.
class MachineDialUpService final : public DialUpService {
public:
    // pppd's own lines carry this bit in their handle, beside the pid.
    static constexpr std::uint64_t PppdHandle = std::uint64_t{1} << 32;

    explicit MachineDialUpService(const QDBusConnection& bus, std::filesystem::path root = "/",
                                  const Clock* clock = nullptr);

    bool EstablishedFlag() override;
    // NetworkManager's lines first, then pppd's own; false when neither can be read.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Deactivates a NetworkManager connection, or ends a pppd of its own with SIGTERM.
    bool HangUp(std::uint64_t handle) override;
    // NetworkManager's device statistics, or the interface counters of a pppd of its own.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

    NetworkManagerDialUpService& NetworkManager() { return m_networkManager; }

private:
    bool RunsForNetworkManager(const PppdDialUpService::Link& link) const;
    // pppd's lines that are not NetworkManager's, worked out again only when either source has news;
    // false when pppd's lines can't be read.
    bool ReadOwnLines();

    NetworkManagerDialUpService m_networkManager;
    PppdDialUpService m_pppd;
    std::vector<DialUpConnection> m_ownLines;
    bool m_ownEstablished = false;
    bool m_managerChanged = true;
    std::uint64_t m_ownReading = 0;
};

// The machine's lines on the system bus and the real root folder.
std::unique_ptr<DialUpService> MakeMachineDialUpService();
