#include "platform/Platform.h"

#include "platform/JournalFileName.h"
#include "platform/sim/LinesWithSimulated.h"
#include "platform/windows/RasDialUpService.h"
#include "platform/windows/Win32RegistryStore.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QPointer>

// After Qt: windows.h defines macros that Qt's headers would trip over.
#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <thread>

namespace {

// A journal is a few hundred bytes; a huge profile name makes it larger, but never this large.
constexpr std::size_t kMaxJournalSize = 16 << 20;

class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    bool Close() { return CloseHandle(Release()) != 0; }
    HANDLE Release() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Reset(HANDLE handle) {
        if (Valid()) CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

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

// Writing is what tells: a folder's attributes say nothing about its permissions.
bool CanWriteIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe =
        folder / ("tallydial-" + std::to_string(GetCurrentProcessId()) + ".tmp");
    const Handle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.Valid();
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

// A profile's session journal in %LOCALAPPDATA%\Tallydial. A lock beside it, held for the whole
// run, tells a journal of a copy that still runs from one left by a copy that has ended.
class LocalJournalFile final : public JournalFile {
public:
    LocalJournalFile(std::filesystem::path file, HANDLE lock) : m_file(std::move(file)), m_lock(lock) {}

    std::optional<std::string> Read() override {
        const Handle file(CreateFileW(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return std::nullopt;
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxJournalSize))
            return std::nullopt;
        std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t done = 0;
        while (done < text.size()) {
            DWORD got = 0;
            if (!ReadFile(file.Get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                          nullptr))
                return std::nullopt;
            if (got == 0) break;
            done += got;
        }
        text.resize(done);
        return text;
    }

    bool Write(const std::string& text) override {
        std::filesystem::path temporary = m_file;
        temporary += ".tmp";
        // The lock makes this copy the only writer, so one temporary name is enough.
        Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return false;
        DWORD wrote = 0;
        bool ok = text.empty() ||
                  (WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
                   wrote == text.size());
        // The new text must be on the disk before it replaces the old, or a power cut may leave neither.
        ok = FlushFileBuffers(file.Get()) && ok;
        ok = file.Close() && ok;
        if (ok)
            ok = MoveFileExW(temporary.c_str(), m_file.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!ok) DeleteFileW(temporary.c_str());
        return ok;
    }

    bool Remove() override { return DeleteFileW(m_file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; }
    std::optional<std::string> SetAside() override {
        std::filesystem::path aside = m_file;
        aside += ".unused";
        if (!MoveFileExW(m_file.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return std::nullopt;
        return aside.string();
    }

private:
    std::filesystem::path m_file;
    Handle m_lock;
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
                                          std::function<void(const std::string&)> /*told*/) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string stem = JournalFileStem(profile);
    Handle lock(CreateFileW((folder / (stem + ".lock")).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock.Valid()) {
        notice = "The folder " + folder.string() +
                 " can't be written. Tallydial can't keep a session journal, so an unexpected end would lose "
                 "what this session has counted.";
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(lock.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole))
            break;
        if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::make_unique<LocalJournalFile>(folder / (stem + ".journal"), lock.Release());
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
