#include "platform/linux/MachineDialUpService.h"

MachineDialUpService::MachineDialUpService(const QDBusConnection& bus, std::filesystem::path root,
                                           const Clock* clock)
    : m_networkManager(bus), m_pppd(std::move(root), clock) {
    QObject::connect(&m_networkManager, &NetworkManagerDialUpService::MirrorChanged, &m_networkManager,
                     [this] { m_managerChanged = true; });
}

bool MachineDialUpService::RunsForNetworkManager(const PppdDialUpService::Link& link) const {
    const uint manager = m_networkManager.ProcessId();
    return (manager != 0 && link.ParentPid == static_cast<int>(manager)) ||
           m_networkManager.ListsInterface(link.Interface) || m_networkManager.ListsInterface(link.Tty);
}

bool MachineDialUpService::ReadOwnLines() {
    const std::vector<PppdDialUpService::Link>* links = m_pppd.Links();
    if (!links) return false;
    if (!m_managerChanged && m_ownReading == m_pppd.Readings()) return true;
    m_managerChanged = false;
    m_ownReading = m_pppd.Readings();
    m_ownLines.clear();
    m_ownEstablished = false;
    for (const PppdDialUpService::Link& link : *links) {
        if (RunsForNetworkManager(link)) continue;
        m_ownLines.push_back({PppdHandle | static_cast<std::uint64_t>(link.Pid), link.EntryName});
        m_ownEstablished = m_ownEstablished || link.Established;
    }
    return true;
}

bool MachineDialUpService::EstablishedFlag() {
    if (m_networkManager.EstablishedFlag()) return true;
    return ReadOwnLines() && m_ownEstablished;
}

bool MachineDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    const bool managerRead = m_networkManager.EnumConnections(connections);
    const bool ownRead = ReadOwnLines();
    if (ownRead) connections.insert(connections.end(), m_ownLines.begin(), m_ownLines.end());
    return managerRead || ownRead;
}

bool MachineDialUpService::HangUp(std::uint64_t handle) {
    if (handle & PppdHandle) return m_pppd.HangUp(handle & ~PppdHandle);
    return m_networkManager.HangUp(handle);
}

bool MachineDialUpService::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    if (handle & PppdHandle) return m_pppd.ReadTraffic(handle & ~PppdHandle, counters);
    return m_networkManager.ReadTraffic(handle, counters);
}

std::unique_ptr<DialUpService> MakeMachineDialUpService() {
    return std::make_unique<MachineDialUpService>(QDBusConnection::systemBus());
}
