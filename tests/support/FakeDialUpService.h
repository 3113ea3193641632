#pragma once

#include "connection/DialUpService.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// A dial-up service that tests script: the flag, the list, failures, counters; it records what it hung up.
class FakeDialUpService : public DialUpService {
public:
    bool EstablishedFlag() override { return Flag; }
    bool EnumConnections(std::vector<DialUpConnection>& connections) override {
        if (EnumFails) return false;
        connections = Connections;
        return true;
    }
    bool HangUp(std::uint64_t handle) override {
        HungUp.push_back(handle);
        return !FailingHangUps.contains(handle);
    }

    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override {
        const auto found = Traffic.find(handle);
        if (found == Traffic.end()) return false;
        counters = found->second;
        return true;
    }

    void Add(std::uint64_t handle, std::string name) { Connections.push_back({handle, std::move(name)}); }

    bool Flag = false;
    bool EnumFails = false;
    std::vector<DialUpConnection> Connections;
    std::set<std::uint64_t> FailingHangUps;
    std::vector<std::uint64_t> HungUp;
    std::map<std::uint64_t, LineTraffic> Traffic; // handles without counters read as unreadable
};

// What the tick would see of a service: the names listed, whether one is established, or that nothing can
// be read.
inline std::string Reading(DialUpService& service) {
    std::vector<DialUpConnection> connections;
    if (!service.EnumConnections(connections)) return "unreadable";
    std::string reading;
    for (const DialUpConnection& connection : connections)
        reading += (reading.empty() ? "" : ", ") + connection.EntryName;
    if (service.EstablishedFlag()) reading += " (established)";
    return reading;
}

// A connection's counters as the tick would read them: "received in, sent out", or that they can't be read.
inline std::string TrafficReading(DialUpService& service, std::uint64_t handle) {
    LineTraffic counters{424242, 424242}; // a reading that writes nothing shows
    if (!service.ReadTraffic(handle, counters)) return "unreadable";
    return std::to_string(counters.Received) + " in, " + std::to_string(counters.Sent) + " out";
}
