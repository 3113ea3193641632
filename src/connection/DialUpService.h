#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One active dial-up connection: listed while it dials and while it is up.
struct DialUpConnection {
    std::uint64_t Handle = 0; // identifies the connection for a hang-up
    std::string EntryName;    // the name the user knows the connection by
};

// Bytes a line's own counters show, received and sent.
struct LineTraffic {
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
};
// A call's bytes each way go no further (a terabyte, as the largest amount): more would be a counter gone
// wrong, and a figure the log and the journal refuse.
inline constexpr std::uint64_t kMostCallBytes = 1'000'000'000'000;

// The two facts the program reads about dial-up lines, and hanging one up.
class DialUpService {
public:
    virtual ~DialUpService() = default;
    // Non-zero while a connection is established (not merely dialling); false when unreadable.
    virtual bool EstablishedFlag() = 0;
    // Active connections in list order; false when the list can't be read.
    virtual bool EnumConnections(std::vector<DialUpConnection>& connections) = 0;
    // Starts hanging up; does not wait for the line to drop. False when it could not be started.
    virtual bool HangUp(std::uint64_t handle) = 0;
    // The counters of the connection with this handle, as its line keeps them (they may wrap or start
    // again at zero); false when the line keeps none or they can't be read now.
    virtual bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
        (void)handle;
        (void)counters;
        return false;
    }
};
