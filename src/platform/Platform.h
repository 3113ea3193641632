#pragma once

#include "connection/DialUpService.h"
#include "engine/SessionJournal.h"
#include "settings/Autostart.h"
#include "settings/RegistryStore.h"
#include "startup/InstanceGuard.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Clock;

// Listens for a refused start's request that the running copy show itself; stops when it goes.
class ShowRequestListener {
public:
    virtual ~ShowRequestListener() = default;
};

// Everything that differs by operating system, built in one place. Each operating system has one
// implementation of these (platform/<os>/<Os>Platform.cpp), chosen by the build; the program and
// its tools name no class of a platform folder.
namespace Platform {

struct OpenedStore {
    std::unique_ptr<RegistryStore> Store;
    // What the user should hear about the store (a damaged file moved aside, a store kept in memory).
    std::optional<std::string> Notice;
};
// The settings store: the registry itself, or the file that stands for it. `told` hears, once, what
// happened to a store that worked: it stopped taking writes and keeps this run's changes in memory,
// or its file was deleted or replaced and is written again. `clock` outlives the store.
OpenedStore OpenSettingsStore(const Clock& clock, std::function<void(const std::string&)> told = {});

// The machine's dial-up lines together with the simulated line. `problem` is set when a source
// can't be used; the others are watched all the same.
std::unique_ptr<DialUpService> OpenDialUpLines(std::optional<std::string>& problem);

// The file of this user's simulated line, which tallydial-line drives.
std::filesystem::path SimulatedLineFile();

// The running-copy guard of this user.
std::unique_ptr<InstanceGuard> MakeInstanceGuard();

// Calls `show` from the event loop whenever a refused start asks this copy to show itself, for as
// long as the listener lives; nothing when no request could reach this copy.
std::unique_ptr<ShowRequestListener> ListenForShowRequests(const InstanceGuard& guard,
                                                           std::function<void()> show);
// Asks the copy that holds `guard` to show itself, waiting a second at most.
void RequestShow(const InstanceGuard& guard);

// The folder of the session journals and of the records the log couldn't take.
std::filesystem::path StateFolder();
// The journal of `profile` in `folder`, claimed for this run; nothing when another running copy
// still holds the profile after `waitSeconds`. Where `folder` can't be written, another folder
// stands in, or nothing when none can be: `notice` then says so, for the user to hear once. `told`
// hears, once, that a folder stopped taking the journal during the run.
std::unique_ptr<JournalFile> ClaimJournal(const std::filesystem::path& folder, const std::string& profile,
                                          double waitSeconds, std::optional<std::string>& notice,
                                          std::function<void(const std::string&)> told = {});

// The call log's folder, for a program in `programFolder`.
std::filesystem::path LogFolder(const std::filesystem::path& programFolder);
// The folder of the help collection, for a program in `programFolder`.
std::filesystem::path HelpFolder(const std::filesystem::path& programFolder);
// A program that comes with Tallydial (the viewer); empty when it isn't there.
std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder, const std::string& name);
// A library that comes with Tallydial and is loaded when first needed (the help window), by its name
// without the system's prefix and suffix; empty when it isn't there.
std::filesystem::path CompanionLibrary(const std::filesystem::path& programFolder, const std::string& name);
// The main program's folder as a companion in `companionFolder` sees it.
std::filesystem::path ProgramFolderOf(const std::filesystem::path& companionFolder);

// Starting at logon, as the options dialog sets it.
std::unique_ptr<Autostart> MakeAutostart();

// Calls `end` from the event loop when the system asks the program to end from outside (a signal,
// a console's close); the desktop session's end comes through the toolkit on every system.
void OnEndFromOutside(std::function<void()> end);

} // namespace Platform
