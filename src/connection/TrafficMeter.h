#pragma once

#include "connection/DialUpService.h"

#include <optional>

// A call's volume from its line's counters, read at each tick. Counters may wrap at 32 bits, start
// again at zero when the interface comes back, or vanish for a while: the volume never goes backwards,
// and a reading that can't be trusted adds nothing rather than a jump.
class TrafficMeter {
public:
    // A new call with nothing counted; its first reading is the base, unless the counters as the call
    // came in are known (a profile switch hands them on).
    void Start(const std::optional<LineTraffic>& base = std::nullopt);
    // Goes on from a volume already counted (a call taken over after a restart or a profile switch);
    // the next reading is a new base.
    void Resume(const LineTraffic& counted);
    // A reading of the counters; `readable` false when the line gave none this time.
    void Read(bool readable, const LineTraffic& counters);
    // The call's bytes so far.
    const LineTraffic& Volume() const { return m_volume; }
    // The counters as last read, against which the next reading counts; none before the first.
    std::optional<LineTraffic> Base() const { return m_haveBase ? std::optional(m_last) : std::nullopt; }

private:
    LineTraffic m_volume;
    LineTraffic m_last;
    bool m_haveBase = false;
};
