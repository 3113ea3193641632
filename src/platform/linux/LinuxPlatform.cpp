#include "platform/Platform.h"

#include "platform/linux/InstallLayout.h"
#include "platform/linux/LogFolder.h"
#include "platform/linux/MachineDialUpService.h"
#include "platform/linux/ShowRequestSocket.h"
#include "platform/linux/SingleInstance.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "platform/linux/StateJournalFile.h"
#include "platform/linux/UnloadSignals.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgPaths.h"
#include "platform/sim/LinesWithSimulated.h"

#include <QObject>

namespace Platform {

OpenedStore OpenSettingsStore(const Clock& clock, std::function<void(const std::string&)> told) {
    SqliteRegistryStore::OpenResult opened =
        SqliteRegistryStore::Open(SqliteRegistryStore::DefaultFile(), clock);
    if (told) opened.Store->OnNotice(std::move(told));
    return {std::move(opened.Store), std::move(opened.Notice)};
}

std::unique_ptr<DialUpService> OpenDialUpLines(std::optional<std::string>& problem) {
    return std::make_unique<LinesWithSimulated>(MakeMachineDialUpService(), SimulatedLineFile(), problem);
}

std::filesystem::path SimulatedLineFile() {
    return XdgPaths::RuntimeFolder() / "line";
}

std::unique_ptr<InstanceGuard> MakeInstanceGuard() {
    return std::make_unique<SingleInstance>();
}

std::unique_ptr<ShowRequestListener> ListenForShowRequests(const InstanceGuard& guard,
                                                           std::function<void()> show) {
    return ShowRequestSocket::Listen(guard.ShowRequestName(), std::move(show));
}

void RequestShow(const InstanceGuard& guard) {
    ShowRequestSocket::Knock(guard.ShowRequestName());
}

std::filesystem::path StateFolder() {
    return XdgPaths::StateFolder();
}

std::unique_ptr<JournalFile> ClaimJournal(const std::filesystem::path& folder, const std::string& profile,
                                          double waitSeconds, std::optional<std::string>& notice,
                                          std::function<void(const std::string&)> told) {
    // The cache folder is on disk like the state folder, so its journal outlives a power cut; the
    // runtime folder, in memory, is the last resort when the whole home can't be written.
    std::vector<std::filesystem::path> folders{folder};
    for (const auto& standIn : {XdgPaths::CacheFolder(), XdgPaths::RuntimeFolder()})
        if (standIn != folder) folders.push_back(standIn);
    StateJournalFile::Claimed claimed =
        JournalInFolders::ClaimWhereWritable<StateJournalFile>(folders, profile, waitSeconds);
    notice = std::move(claimed.Notice);
    if (claimed.File && told) claimed.File->OnNotice(std::move(told));
    return std::move(claimed.File);
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
