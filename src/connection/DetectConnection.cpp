#include "connection/DetectConnection.h"

namespace {
// Cuts at the first NUL and after kMaxEntryNameLength characters. Names are UTF-8, so a
// character is a lead byte with its continuation bytes and a cut never splits one.
std::string CutEntryName(const std::string& name) {
    std::size_t characters = 0;
    std::size_t end = 0;
    for (; end < name.size() && name[end] != '\0'; ++end) {
        const bool continuation = (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80;
        if (!continuation && ++characters > DetectConnection::kMaxEntryNameLength) break;
    }
    return name.substr(0, end);
}
} // namespace

bool DetectConnection::Enumerate(std::vector<DialUpConnection>& connections) {
    connections.clear();
    if (!m_service.EnumConnections(connections)) return false;
    m_firstHandle.reset();
    if (!connections.empty()) m_firstHandle = connections.front().Handle;
    return true;
}

bool DetectConnection::RegistryConnected() {
    return m_service.EstablishedFlag();
}

bool DetectConnection::SingleRasConnection() {
    std::vector<DialUpConnection> connections;
    return Enumerate(connections) && connections.size() == 1;
}

bool DetectConnection::RasOnlyConnection() {
    std::vector<DialUpConnection> connections;
    const bool listed = Enumerate(connections);
    // The flag is read only after the cheaper tests pass, and always after the enumeration.
    if (RegistrySeenConnected || !listed) return false;
    if (RegistryConnected()) return false;
    return connections.size() == 1;
}

bool DetectConnection::IsConnected(DetectMode mode) {
    if (mode == DetectMode::WhenDialling || mode == DetectMode::Compatibility) {
        const bool rasOnly = RasOnlyConnection();
        const bool registry = RegistryConnected();
        return rasOnly || registry;
    }
    return RegistryConnected();
}

std::string DetectConnection::FirstConnectionName() {
    std::vector<DialUpConnection> connections;
    if (!Enumerate(connections) || connections.empty()) return {};
    return CutEntryName(connections.front().EntryName);
}
