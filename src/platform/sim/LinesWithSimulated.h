#pragma once

#include "connection/CombinedDialUpService.h"
#include "platform/sim/SimulatedLine.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// The machine's own lines beside the simulated line, owned together: what the program watches on
// every system. The machine's lines come first, so a real connection wins a shared name.
class LinesWithSimulated final : public DialUpService {
public:
    // `problem` says why the simulated line's folder can't be used, if it can't.
    LinesWithSimulated(std::unique_ptr<DialUpService> machine, const std::filesystem::path& lineFile,
                       std::optional<std::string>& problem);

    bool EstablishedFlag() override { return m_combined.EstablishedFlag(); }
    bool EnumConnections(std::vector<DialUpConnection>& connections) override {
        return m_combined.EnumConnections(connections);
    }
    bool HangUp(std::uint64_t handle) override { return m_combined.HangUp(handle); }
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override {
        return m_combined.ReadTraffic(handle, counters);
    }

private:
    std::unique_ptr<DialUpService> m_machine;
    SimulatedLine m_simulated;
    CombinedDialUpService m_combined;
};
