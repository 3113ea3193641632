#include "platform/Platform.h"

#include "platform/sim/LinesWithSimulated.h"
#include "platform/windows/RasDialUpService.h"
#include "platform/windows/Win32RegistryStore.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QPointer>

// After Qt: windows.h defines macros that Qt's headers would trip over.
#include "platform/windows/LocalJournalFile.h"
#include "platform/windows/Win32File.h"

#include <shlobj.h>

namespace {

std::filesystem::path KnownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::filesystem::path folder;
    if (SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path) == S_OK) folder = path;
    CoTaskMemFree(path);
    return folder.empty() ? std::filesystem::temp_directory_path() : folder;
}

// %LOCALAPPDATA%\Tallydial: this user's, on this machine only.
std::filesystem::path LocalFolder() {
    std::filesystem::path folder = KnownFolder(FOLDERID_LocalAppData) / "Tallydial";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder;
}

// Where the session journal goes when %LOCALAPPDATA%\Tallydial can't take it, in order; made only
// when needed.
std::vector<std::filesystem::path> StandInFolders() {
    std::vector<std::filesystem::path> folders;
    PWSTR path = nullptr;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK)
        folders.push_back(std::filesystem::path(path) / "Tallydial");
    CoTaskMemFree(path);
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (!error) folders.push_back(temporary / "Tallydial");
    return folders;
}

std::string UserName() {
    wchar_t name[256 + 1] = {};
    DWORD size = 256 + 1;
    if (!GetUserNameW(name, &size)) return "user";
    return std::filesystem::path(name).string();
}

// A named mutex in the logon session: held by every running copy, tested by a starting one.
class NamedMutexInstance final : public InstanceGuard {
public:
    bool OtherInstanceRunning() const override {
        const Handle existing(OpenMutexW(SYNCHRONIZE, FALSE, kName));
        return existing.Valid();
    }
    void Register() override {
        if (!m_mutex.Valid()) m_mutex.Reset(CreateMutexW(nullptr, FALSE, kName));
    }
    // A named pipe: the machine's pipes are shared by every user, so the name carries the user's.
    std::string ShowRequestName() const override { return "Tallydial-show-" + UserName(); }

private:
    static constexpr const wchar_t* kName = L"Local\\Tallydial.Running";
    Handle m_mutex;
};

// The Run value itself starts the program at logon: nothing else to keep in step with it.
class RunValueAutostart final : public Autostart {
public:
    std::string ProgramEntry() const override {
        return QCoreApplication::applicationFilePath().replace(u'/', u'\\').toStdString();
    }
    bool Apply(const std::string&) override { return true; }
};

// A named pipe through Qt's local server; each connection is one request.
class LocalServerListener final : public ShowRequestListener {
public:
    LocalServerListener(const QString& name, std::function<void()> show) : m_show(std::move(show)) {
        QLocalServer::removeServer(name);
        Listening = m_server.listen(name);
        QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
            while (QLocalSocket* knock = m_server.nextPendingConnection())
                knock->deleteLater();
            m_show();
        });
    }
    bool Listening = false;

private:
    QLocalServer m_server;
    std::function<void()> m_show;
};

// Console control events arrive on a thread of their own; the end runs on the event loop.
std::function<void()>* g_endFromOutside = nullptr;

BOOL WINAPI ConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT &&
        event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !g_endFromOutside) return FALSE;
    // The process ends when this returns from a close, so wait for the end (the system allows 5 s).
    QMetaObject::invokeMethod(
        application, [] { (*g_endFromOutside)(); },
        event == CTRL_CLOSE_EVENT ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
    return TRUE;
}

} // namespace

namespace Platform {

OpenedStore OpenSettingsStore(const Clock&, std::function<void(const std::string&)>) {
    // The registry itself never moves to memory; there is nothing to hear.
    return {std::make_unique<Win32RegistryStore>(KEY_WOW64_32KEY), std::nullopt};
}

std::unique_ptr<DialUpService> OpenDialUpLines(std::optional<std::string>& problem) {
    return std::make_unique<LinesWithSimulated>(std::make_unique<RasDialUpService>(), SimulatedLineFile(),
                                                problem);
}

std::filesystem::path SimulatedLineFile() {
    return LocalFolder() / "line";
}

std::unique_ptr<InstanceGuard> MakeInstanceGuard() {
    return std::make_unique<NamedMutexInstance>();
}

std::unique_ptr<ShowRequestListener> ListenForShowRequests(const InstanceGuard& guard,
                                                           std::function<void()> show) {
    auto listener = std::make_unique<LocalServerListener>(QString::fromStdString(guard.ShowRequestName()),
                                                          std::move(show));
    if (!listener->Listening) return nullptr;
    return listener;
}

void RequestShow(const InstanceGuard& guard) {
    QLocalSocket knock;
    knock.connectToServer(QString::fromStdString(guard.ShowRequestName()));
    knock.waitForConnected(1000);
}

std::filesystem::path StateFolder() {
    return LocalFolder();
}

std::unique_ptr<JournalFile> ClaimJournal(const std::filesystem::path& folder, const std::string& profile,
                                          double waitSeconds, std::optional<std::string>& notice,
                                          std::function<void(const std::string&)> told) {
    // The roaming folder is on disk like the local one, so its journal outlives a power cut; the
    // temporary folder, which the system may clean, is the last resort.
    std::vector<std::filesystem::path> folders{folder};
    for (const auto& standIn : StandInFolders())
        if (standIn != folder) folders.push_back(standIn);
    JournalInFolders::Claimed claimed =
        JournalInFolders::ClaimWhereWritable<LocalJournalFile>(folders, profile, waitSeconds);
    notice = std::move(claimed.Notice);
    if (claimed.File && told) claimed.File->OnNotice(std::move(told));
    return std::move(claimed.File);
}

std::filesystem::path LogFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    if (std::filesystem::is_directory(programFolder, error) && CanWriteIn(programFolder))
        return programFolder;
    return LocalFolder();
}

std::filesystem::path HelpFolder(const std::filesystem::path& programFolder) {
    return programFolder;
}

std::filesystem::path CompanionProgram(const std::filesystem::path& programFolder, const std::string& name) {
    const std::filesystem::path program = programFolder / (name + ".exe");
    std::error_code error;
    return std::filesystem::is_regular_file(program, error) ? program : std::filesystem::path();
}

std::filesystem::path CompanionLibrary(const std::filesystem::path& programFolder, const std::string& name) {
    const std::filesystem::path library = programFolder / (name + ".dll");
    std::error_code error;
    return std::filesystem::is_regular_file(library, error) ? library : std::filesystem::path();
}

std::filesystem::path ProgramFolderOf(const std::filesystem::path& companionFolder) {
    return companionFolder;
}

std::unique_ptr<Autostart> MakeAutostart() {
    return std::make_unique<RunValueAutostart>();
}

void OnEndFromOutside(std::function<void()> end) {
    static std::function<void()> kept;
    kept = std::move(end);
    g_endFromOutside = &kept;
    SetConsoleCtrlHandler(ConsoleControl, TRUE);
}

} // namespace Platform
