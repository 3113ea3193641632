#pragma once

#include <string>

// Whether another copy of the program runs for this user. The test never stops a copy from running
// beside another: a copy restarted by a profile switch registers while the old one is still closing.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    virtual bool OtherInstanceRunning() const = 0;
    // Held until this object goes or the process ends.
    virtual void Register() = 0;
    // The local socket on which the running copy listens for a second start's knock.
    virtual std::string ShowRequestName() const = 0;
};
