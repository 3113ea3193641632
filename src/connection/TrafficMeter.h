#pragma once

#include "connection/DialUpService.h"

// A call's volume from its line's counters, read at each tick. Counters may wrap at 32 bits, start
// again at zero when the interface comes back, or vanish for a while: the volume never goes backwards,
// and a reading that can't be trusted adds nothing rather than a jump.
class TrafficMeter {
public:
    // A new call with nothing counted; its first reading is the base.
    void Start();
    // Goes on from a volume already counted (a call taken over after a restart or a profile switch);
    // the next reading is a new base.
    void Resume(const LineTraffic& counted);
    // A reading of the counters; `readable` false when the line gave none this time.
    void Read(bool readable, const LineTraffic& counters);
    // The call's bytes so far.
    const LineTraffic& Volume() const { return m_volume; }

private:
    LineTraffic m_volume;
    LineTraffic m_last;
    bool m_haveBase = false;
};
