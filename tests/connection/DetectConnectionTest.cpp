#include "connection/DetectConnection.h"
#include "connection/DUNStuff.h"
#include "support/FakeDialUpService.h"

#include <gtest/gtest.h>

namespace {

struct ModeRow {
    const char* Behaviour;
    DetectMode Mode;
    bool Flag;
    int Listed;
    bool SeenConnected;
    bool Expected;
};

class IsConnectedRules : public testing::TestWithParam<ModeRow> {};

TEST_P(IsConnectedRules, CombinesFlagAndList) {
    const ModeRow& row = GetParam();
    FakeDialUpService service;
    service.Flag = row.Flag;
    for (int i = 0; i < row.Listed; ++i)
        service.Add(100 + i, "Entry");
    DetectConnection detect(service);
    detect.RegistrySeenConnected = row.SeenConnected;
    EXPECT_EQ(detect.IsConnected(row.Mode), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, IsConnectedRules,
    testing::Values(
        ModeRow{"Mode1_DiallingCountsFromFirstMoment", DetectMode::WhenDialling, false, 1, false, true},
        ModeRow{"Mode1_FlagDroppedWhileStillListed", DetectMode::WhenDialling, false, 1, true, false},
        ModeRow{"Mode2_DiallingIsNotConnected", DetectMode::WhenConnected, false, 1, false, false},
        ModeRow{"Mode2_FlagAloneIsConnected", DetectMode::WhenConnected, true, 0, false, true},
        ModeRow{"Mode3_TwoListedWithoutIndicator", DetectMode::Compatibility, false, 2, false, false},
        ModeRow{"Mode3_TwoListedWithFlag", DetectMode::Compatibility, true, 2, false, true},
        ModeRow{"OtherMode_ActsOnFlagOnly", DetectMode{0}, false, 1, false, false}),
    [](const testing::TestParamInfo<ModeRow>& row) { return std::string(row.param.Behaviour); });

TEST(DetectConnection, FirstConnectionName) {
    FakeDialUpService service;
    DetectConnection detect(service);
    EXPECT_EQ(detect.FirstConnectionName(), "");

    std::string accented;
    for (int i = 0; i < 257; ++i)
        accented += "\xC3\xA9";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(256, 'x'), std::string(256, 'x')},          // exactly 256 kept whole
        {std::string(256, 'y') + "tail", std::string(256, 'y')}, // longer cut to 256
        {std::string("Home\0junk", 9), "Home"},                  // a NUL ends the name
        {accented, accented.substr(0, 512)},                     // a cut never splits a character
    };
    for (const auto& [listed, expected] : cases) {
        service.Connections.clear();
        service.Add(1, listed);
        service.Add(2, "Second");
        EXPECT_EQ(detect.FirstConnectionName(), expected);
    }
    service.EnumFails = true;
    EXPECT_EQ(detect.FirstConnectionName(), "");
}

TEST(HangUpAll, HangsUpEachInListOrderDespiteFailures) {
    FakeDialUpService service;
    service.Add(30, "First");
    service.Add(10, "Second");
    service.Add(20, "Third");
    service.FailingHangUps = {30};
    HangUpAll(service);
    EXPECT_EQ(service.HungUp, (std::vector<std::uint64_t>{30, 10, 20}));

    service.HungUp.clear();
    service.EnumFails = true;
    HangUpAll(service);
    EXPECT_TRUE(service.HungUp.empty()) << "a failed list hangs up nothing";
}

} // namespace
