#include "connection/TrafficMeter.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint64_t kWrap32 = std::uint64_t{1} << 32;
// A 32-bit counter that reads lower than before wrapped only when it was near its top and is now near
// zero; any other fall is a counter that started again, whose reading is all new.
constexpr std::uint64_t kWrapMargin = std::uint64_t{1} << 28;

std::uint64_t Added(std::uint64_t last, std::uint64_t now) {
    if (now >= last) return now - last;
    if (last < kWrap32 && last >= kWrap32 - kWrapMargin && now < kWrapMargin) return kWrap32 - last + now;
    return now;
}

// A volume stops at the most a call carries.
std::uint64_t Plus(std::uint64_t volume, std::uint64_t added) {
    return added >= kMostCallBytes - std::min(volume, kMostCallBytes) ? kMostCallBytes : volume + added;
}

} // namespace

void TrafficMeter::Start(const std::optional<LineTraffic>& base) {
    Resume({});
    m_last = base.value_or(LineTraffic{});
    m_haveBase = base.has_value();
}

void TrafficMeter::Resume(const LineTraffic& counted) {
    m_volume = counted;
    m_last = {};
    m_haveBase = false;
}

void TrafficMeter::Read(bool readable, const LineTraffic& counters) {
    if (!readable) return;
    if (m_haveBase) {
        m_volume.Received = Plus(m_volume.Received, Added(m_last.Received, counters.Received));
        m_volume.Sent = Plus(m_volume.Sent, Added(m_last.Sent, counters.Sent));
    }
    m_last = counters;
    m_haveBase = true;
}
