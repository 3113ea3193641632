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

} // namespace
