#include "platform/windows/RasDialUpService.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

// After our headers: windows.h defines macros that clash with names in them.
#include <windows.h>

#include <ras.h>

namespace {
constexpr std::size_t kRecordCount = 256;
#ifdef _WIN64
// No 412-byte form exists for 64-bit programs: the record of these headers.
constexpr std::size_t kRecordSize = sizeof(RASCONNA);
#else
// RASCONNA's first form, which every RAS version still accepts; newer headers declare a longer
// record. Only the leading fields, laid out alike in every form, are read.
constexpr std::size_t kRecordSize = 412;
#endif
constexpr std::size_t kMaxEntryName = 256;
static_assert(offsetof(RASCONNA, szEntryName) + kMaxEntryName < kRecordSize);

// The indicator holds a 4-byte value while the service has a connection established.
bool ReadRemoteConnection(HKEY key) {
    const char* const name = "Remote Connection";
    DWORD size = 0;
    // Size probe first; only the 4-byte read below decides.
    RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
    DWORD value = 0;
    size = sizeof(value);
    // A longer value fails here with ERROR_MORE_DATA; a shorter one leaves the rest zero.
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size) !=
        ERROR_SUCCESS)
        return false;
    return value != 0;
}
} // namespace

RasDialUpService::RasDialUpService()
    : m_calls{[](void* records, unsigned long* size, unsigned long* count) {
                  return RasEnumConnectionsA(static_cast<LPRASCONNA>(records), size, count);
              },
              [](void* handle) { return RasHangUpA(static_cast<HRASCONN>(handle)); },
              [](void* handle, void* statistics) {
                  return RasGetConnectionStatistics(static_cast<HRASCONN>(handle),
                                                    static_cast<RAS_STATS*>(statistics));
              }} {}

bool RasDialUpService::EstablishedFlag() {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess", &key) !=
        ERROR_SUCCESS)
        return false;
    const bool established = ReadRemoteConnection(key);
    RegCloseKey(key);
    return established;
}

bool RasDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    connections.clear();
    // Fresh and zero-filled for every call, so nothing of an earlier list can show through.
    const std::size_t bufferSize = kRecordSize * kRecordCount;
    const auto buffer = std::make_unique<unsigned char[]>(bufferSize);
    const DWORD recordSize = kRecordSize;
    std::memcpy(buffer.get() + offsetof(RASCONNA, dwSize), &recordSize, sizeof(recordSize));

    DWORD size = static_cast<DWORD>(bufferSize);
    DWORD count = 0;
    if (m_calls.EnumConnections(buffer.get(), &size, &count) != 0) return false;

    for (std::size_t index = 0; index < count && index < kRecordCount; ++index) {
        const unsigned char* const record = buffer.get() + index * kRecordSize;
        HRASCONN handle = nullptr;
        std::memcpy(&handle, record + offsetof(RASCONNA, hrasconn), sizeof(handle));
        const char* const entryName = reinterpret_cast<const char*>(record + offsetof(RASCONNA, szEntryName));
        DialUpConnection connection;
        connection.Handle = reinterpret_cast<std::uintptr_t>(handle);
        connection.EntryName.assign(entryName, std::find(entryName, entryName + kMaxEntryName, '\0'));
        connections.push_back(std::move(connection));
    }
    return true;
}

bool RasDialUpService::HangUp(std::uint64_t handle) {
    return m_calls.HangUp(reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(handle))) == 0;
}

bool RasDialUpService::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    if (!m_calls.Statistics) return false;
    RAS_STATS statistics{};
    statistics.dwSize = sizeof(statistics);
    if (m_calls.Statistics(reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(handle)), &statistics) != 0)
        return false;
    counters = {statistics.dwBytesRcved, statistics.dwBytesXmited};
    return true;
}
