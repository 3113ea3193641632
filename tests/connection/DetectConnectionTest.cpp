#include "connection/DetectConnection.h"
#include "connection/DUNStuff.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct ModeRow {
    const char* Name;
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
    RowName());

// 257 two-byte characters.
const std::string kAccented = Repeated("\xC3\xA9", 257);
struct NameRow {
    const char* Name;
    std::string Listed, Expected;
};
class FirstConnectionName : public testing::TestWithParam<NameRow> {};

TEST_P(FirstConnectionName, IsTheFirstListedCutToSize) {
    FakeDialUpService service;
    DetectConnection detect(service);
    service.Add(1, GetParam().Listed);
    service.Add(2, "Second");
    EXPECT_EQ(detect.FirstConnectionName(), GetParam().Expected);
}

const NameRow nameRows[] = {
    {"ExactlyTheLimitKeptWhole", std::string(256, 'x'), std::string(256, 'x')},
    {"LongerCutToTheLimit", std::string(256, 'y') + "tail", std::string(256, 'y')},
    {"NulEndsTheName", std::string("Home\0junk", 9), "Home"},
    {"CutNeverSplitsACharacter", kAccented, kAccented.substr(0, 512)},
};
INSTANTIATE_TEST_SUITE_P(Lists, FirstConnectionName, testing::ValuesIn(nameRows), RowName());

TEST(HangUpAll, HangsUpEachInListOrderDespiteFailures) {
    FakeDialUpService service;
    DetectConnection detect(service);
    EXPECT_EQ(detect.FirstConnectionName(), "");
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
    EXPECT_EQ(detect.FirstConnectionName(), "") << "and names none";
}

} // namespace
