#include "connection/TrafficMeter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Received-counter readings of one call (nullopt: unreadable) and the volume expected after them.
struct MeterRow {
    std::string Name;
    std::vector<std::optional<std::uint64_t>> Readings;
    std::uint64_t Expected;
};

class TrafficMeterRows : public testing::TestWithParam<MeterRow> {};

TEST_P(TrafficMeterRows, VolumeAfterReadings) {
    TrafficMeter meter;
    meter.Start();
    for (const auto& reading : GetParam().Readings)
        meter.Read(reading.has_value(), {reading.value_or(0), 0});
    EXPECT_EQ(meter.Volume().Received, GetParam().Expected);
}

constexpr std::uint64_t kTop32 = 4'294'967'296;

INSTANTIATE_TEST_SUITE_P(
    Counters, TrafficMeterRows,
    testing::Values(MeterRow{"FirstReadingIsTheBase", {5000, 5600, 9000}, 4000},
                    MeterRow{"NothingReadableCountsNothing", {std::nullopt, std::nullopt}, 0},
                    MeterRow{"AGapAddsWhatTheCounterSaysAfterIt", {100, std::nullopt, 700}, 600},
                    MeterRow{"ThirtyTwoBitWrap", {kTop32 - 1000, 500}, 1500},
                    MeterRow{"ResetToZeroCountsOnlyNewBytes", {3'000'000, 3'500'000, 20}, 500'020},
                    MeterRow{"FallFarFromTheTopIsAResetNotAWrap", {kTop32 / 2, 10}, 10},
                    MeterRow{"SixtyFourBitCountersFallIsAReset", {kTop32 * 4, 1000}, 1000},
                    MeterRow{"VolumeStopsAtATerabyte", {0, kTop32 * 1000, UINT64_MAX}, 1'000'000'000'000}),
    [](const testing::TestParamInfo<MeterRow>& row) { return row.param.Name; });

TEST(TrafficMeter, ResumeKeepsTheVolumeAndTakesANewBase) {
    TrafficMeter meter;
    meter.Resume({1000, 400});
    meter.Read(true, {90'000, 80'000});
    meter.Read(true, {90'500, 80'100});
    EXPECT_EQ(meter.Volume().Received, 1500u);
    EXPECT_EQ(meter.Volume().Sent, 500u);
    meter.Start();
    EXPECT_EQ(meter.Volume().Received, 0u);
    meter.Start(LineTraffic{90'500, 80'100}); // the counters a profile switch handed on
    meter.Read(true, {91'000, 80'100});
    EXPECT_EQ(meter.Volume().Received, 500u) << "counted from the switch, with no gap";
}

} // namespace
