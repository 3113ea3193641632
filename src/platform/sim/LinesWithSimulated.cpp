#include "platform/sim/LinesWithSimulated.h"

#include <utility>

LinesWithSimulated::LinesWithSimulated(std::unique_ptr<DialUpService> machine,
                                       const std::filesystem::path& lineFile,
                                       std::optional<std::string>& problem)
    : m_machine(std::move(machine)), m_simulated(lineFile), m_combined({m_machine.get(), &m_simulated}) {
    problem = m_simulated.FolderProblem();
}
