#include "platform/Platform.h"

#include "connection/CombinedDialUpService.h"
#include "platform/linux/InstallLayout.h"
#include "platform/linux/LogFolder.h"
#include "platform/linux/MachineDialUpService.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "platform/linux/StateJournalFile.h"
#include "platform/linux/UnloadSignals.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgPaths.h"
#include "platform/sim/SimulatedLine.h"

#include <QObject>

namespace {

// NetworkManager and pppd beside the simulated line, owned together.
class LinuxDialUpLines final : public DialUpService {
public:
    explicit LinuxDialUpLines(std::optional<std::string>& problem)
        : m_machine(MakeMachineDialUpService()), m_simulated(Platform::SimulatedLineFile()),
          m_combined({m_machine.get(), &m_simulated}) {
        problem = m_simulated.FolderProblem();
    }
    bool EstablishedFlag() override { return m_combined.EstablishedFlag(); }
    bool EnumConnections(std::vector<DialUpConnection>& connections) override {
        return m_combined.EnumConnections(connections);
    }
    bool HangUp(std::uint64_t handle) override { return m_combined.HangUp(handle); }

private:
    std::unique_ptr<DialUpService> m_machine;
    SimulatedLine m_simulated;
    CombinedDialUpService m_combined;
};

} // namespace

namespace Platform {

OpenedStore OpenSettingsStore(const Clock& clock, std::function<void(const std::string&)> movedToMemory) {
    SqliteRegistryStore::OpenResult opened =
        SqliteRegistryStore::Open(SqliteRegistryStore::DefaultFile(), clock);
    if (movedToMemory) opened.Store->OnMovedToMemory(std::move(movedToMemory));
    return {std::move(opened.Store), std::move(opened.Notice)};
}

std::unique_ptr<DialUpService> OpenDialUpLines(std::optional<std::string>& problem) {
    return std::make_unique<LinuxDialUpLines>(problem);
}

std::filesystem::path SimulatedLineFile() {
    return XdgPaths::RuntimeFolder() / "line";
}

std::unique_ptr<InstanceGuard> MakeInstanceGuard() {
    return std::make_unique<SingleInstance>();
}

std::filesystem::path StateFolder() {
    return XdgPaths::StateFolder();
}

std::unique_ptr<JournalFile> ClaimJournal(const std::filesystem::path& folder, const std::string& profile,
                                          double waitSeconds) {
    return StateJournalFile::Claim(folder, profile, waitSeconds);
}

std::filesystem::path LogFolder(const std::filesystem::path& programFolder) {
    return ::LogFolder(programFolder);
}

std::filesystem::path HelpFolder(const std::filesystem::path& programFolder) {
    return InstallLayout::SharedFolder(programFolder) / "help";
}

std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder, const std::string& name) {
    return InstallLayout::CompanionProgram(programFolder, name);
}

std::filesystem::path CompanionLibrary(const std::filesystem::path& programFolder, const std::string& name) {
    return InstallLayout::CompanionLibrary(programFolder, name);
}

std::filesystem::path ProgramFolderOf(const std::filesystem::path& companionFolder) {
    return InstallLayout::ProgramFolderOf(companionFolder);
}

std::unique_ptr<Autostart> MakeAutostart() {
    return std::make_unique<XdgAutostart>(XdgAutostart::ForThisProgram());
}

void OnEndFromOutside(std::function<void()> end) {
    QObject::connect(&UnloadSignals::Instance(), &UnloadSignals::Arrived, &UnloadSignals::Instance(),
                     [end = std::move(end)](int) { end(); });
}

} // namespace Platform
