#include "platform/windows/RasDialUpService.h"
#include "connection/DUNStuff.h"
#include "connection/DetectConnection.h"
#include "platform/windows/Win32RegistryStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

// Before windows.h turns the name into a handle macro.
constexpr std::int32_t Machine = HKEY_LOCAL_MACHINE;

#include <windows.h>

#include <ras.h>

namespace {
constexpr unsigned long BufferTooSmall = 603; // RAS's ERROR_BUFFER_TOO_SMALL
// The 412-byte first form in 32-bit programs; 64-bit ones have none, so their headers' form.
constexpr std::size_t RecordSize = sizeof(void*) == 8 ? sizeof(RASCONNA) : 412;
constexpr const char* RemoteAccess = "System\\CurrentControlSet\\Services\\RemoteAccess";

RASCONNA Recorded(std::uintptr_t handle, const std::string& entryName) {
    RASCONNA record{};
    record.dwSize = static_cast<DWORD>(RecordSize);
    record.hrasconn = reinterpret_cast<HRASCONN>(handle);
    std::memcpy(record.szEntryName, entryName.data(), std::min(entryName.size(), sizeof(record.szEntryName)));
    return record;
}

// Replays a recorded connection list and its counters through the rasapi32 calls and notes the hang-ups.
struct RecordedRas {
    std::vector<RASCONNA> records;
    unsigned long result = 0;
    std::vector<std::uintptr_t> hungUp;
    std::map<std::uintptr_t, RAS_STATS> statistics; // handles without any fail

    RasDialUpService Service() {
        return RasDialUpService(
            {[this](void* buffer, unsigned long* size, unsigned long* count) {
                 auto* bytes = static_cast<unsigned char*>(buffer);
                 EXPECT_EQ(*size, RecordSize * 256) << "room for 256 records";
                 EXPECT_EQ(static_cast<RASCONNA*>(buffer)->dwSize, RecordSize);
                 if (result != 0) return result;
                 for (std::size_t i = 0; i < records.size(); ++i)
                     std::memcpy(bytes + i * RecordSize, &records[i], std::min(sizeof(RASCONNA), RecordSize));
                 *count = static_cast<unsigned long>(records.size());
                 return 0ul;
             },
             [this](void* handle) {
                 hungUp.push_back(reinterpret_cast<std::uintptr_t>(handle));
                 return 0ul;
             },
             [this](void* handle, void* buffer) {
                 auto* asked = static_cast<RAS_STATS*>(buffer);
                 EXPECT_EQ(asked->dwSize, sizeof(RAS_STATS));
                 const auto found = statistics.find(reinterpret_cast<std::uintptr_t>(handle));
                 if (found == statistics.end()) return 6ul; // ERROR_INVALID_HANDLE
                 *asked = found->second;
                 return 0ul;
             }});
    }
};

// "Remote Connection" in the real registry: absent, or these bytes.
void SetIndicator(const std::optional<std::vector<std::uint8_t>>& bytes) {
    Win32RegistryStore registry;
    if (bytes)
        registry.SetValue(Machine, RemoteAccess, "Remote Connection", REG_BINARY, *bytes);
    else
        registry.DeleteValue(Machine, RemoteAccess, "Remote Connection");
}
} // namespace

TEST(RasDialUpService, DetectionRulesOverRecordedLists) {
    using Bytes = std::optional<std::vector<std::uint8_t>>;
    struct Row {
        const char* behaviour;
        std::vector<RASCONNA> listed;
        unsigned long result;
        Bytes indicator;
        bool single, mode1, mode2, mode3;
        std::string name;
    };
    const std::string longest(256, 'N');
    const std::vector<RASCONNA> office{Recorded(7, "Office")};
    const std::vector<RASCONNA> two{Recorded(7, "A"), Recorded(9, "B")};
    const Bytes absent;
    const Row rows[] = {
        {"nothing listed", {}, 0, absent, false, false, false, false, ""},
        {"dialling", office, 0, absent, true, true, false, true, "Office"},
        {"established", office, 0, Bytes{{1, 0, 0, 0}}, true, true, true, true, "Office"},
        {"two lines, indicator zero", two, 0, Bytes{{0, 0, 0, 0}}, false, false, false, false, "A"},
        {"indicator longer than 4 bytes", {}, 0, Bytes{{1, 0, 0, 0, 1}}, false, false, false, false, ""},
        {"indicator of 2 non-zero bytes", {}, 0, Bytes{{1, 2}}, false, true, true, true, ""},
        {"list unreadable", office, BufferTooSmall, absent, false, false, false, false, ""},
        {"name of 256 characters", {Recorded(7, longest)}, 0, absent, true, true, false, true, longest},
        {"name filling its field", {Recorded(7, longest + "X")}, 0, absent, true, true, false, true, longest},
    };
    for (const Row& row : rows) {
        SetIndicator(row.indicator);
        RecordedRas ras{row.listed, row.result, {}, {}};
        RasDialUpService service = ras.Service();
        DetectConnection detect(service);
        EXPECT_EQ(detect.SingleRasConnection(), row.single) << row.behaviour;
        EXPECT_EQ(detect.IsConnected(DetectMode::WhenDialling), row.mode1) << row.behaviour;
        EXPECT_EQ(detect.IsConnected(DetectMode::WhenConnected), row.mode2) << row.behaviour;
        EXPECT_EQ(detect.IsConnected(DetectMode::Compatibility), row.mode3) << row.behaviour;
        EXPECT_EQ(detect.FirstConnectionName(), row.name) << row.behaviour;
    }
    SetIndicator(std::nullopt);
}

// Hang-up reaches every listed line in list order; a line's counters are its statistics.
TEST(RasDialUpService, HangsUpEveryListedLineInOrderAndReadsItsStatistics) {
    RecordedRas ras{{Recorded(9, "B"), Recorded(7, "A")}, 0, {}, {}};
    ras.statistics[7].dwBytesRcved = 4294967295u;
    ras.statistics[7].dwBytesXmited = 12;
    RasDialUpService service = ras.Service();
    LineTraffic counters;
    ASSERT_TRUE(service.ReadTraffic(7, counters));
    EXPECT_EQ(counters.Received, 4294967295u);
    EXPECT_EQ(counters.Sent, 12u);
    EXPECT_FALSE(service.ReadTraffic(9, counters)) << "a handle RAS has no statistics for";
    HangUpAll(service);
    EXPECT_EQ(ras.hungUp, (std::vector<std::uintptr_t>{9, 7}));
}

// Wine's remote access lists no connection; what runs here is the call and its buffer.
TEST(RasDialUpService, RealRemoteAccessAnswers) {
    RasDialUpService service;
    std::vector<DialUpConnection> connections{{1, "stale"}};
    EXPECT_TRUE(service.EnumConnections(connections));
    EXPECT_TRUE(connections.empty());
}
