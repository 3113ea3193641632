#include "platform/linux/MachineDialUpService.h"

#include <algorithm>

MachineDialUpService::MachineDialUpService(const QDBusConnection& bus, std::filesystem::path root,
                                           const Clock* clock)
    : m_networkManager(bus), m_pppd(std::move(root), clock) {}

bool MachineDialUpService::RunsForNetworkManager(const PppdDialUpService::Link& link) const {
    const uint manager = m_networkManager.ProcessId();
    return (manager != 0 && link.ParentPid == static_cast<int>(manager)) ||
           m_networkManager.ListsInterface(link.Interface) || m_networkManager.ListsInterface(link.Tty);
}

bool MachineDialUpService::EstablishedFlag() {
    if (m_networkManager.EstablishedFlag()) return true;
    const std::vector<PppdDialUpService::Link>* links = m_pppd.Links();
    return links && std::any_of(links->begin(), links->end(), [this](const PppdDialUpService::Link& link) {
               return link.Established && !RunsForNetworkManager(link);
           });
}

bool MachineDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    const bool managerRead = m_networkManager.EnumConnections(connections);
    const std::vector<PppdDialUpService::Link>* links = m_pppd.Links();
    if (links)
        for (const PppdDialUpService::Link& link : *links)
            if (!RunsForNetworkManager(link))
                connections.push_back({PppdHandle | static_cast<std::uint64_t>(link.Pid), link.EntryName});
    return managerRead || links;
}

bool MachineDialUpService::HangUp(std::uint64_t handle) {
    if (handle & PppdHandle) return m_pppd.HangUp(handle & ~PppdHandle);
    return m_networkManager.HangUp(handle);
}

std::unique_ptr<DialUpService> MakeMachineDialUpService() {
    return std::make_unique<MachineDialUpService>(QDBusConnection::systemBus());
}
