#include "platform/sim/LineFile.h"

#include <windows.h>

#include <algorithm>

namespace {
// Others may read, replace or remove the file while it is open: a reader never blocks the writer.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool Close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE m_handle;
};

// Puts `from` in place of `to`. A reader that has the old file open for a moment holds the
// replacement up; it is tried again for a while rather than failing the change.
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 40) return false;
        Sleep(25);
    }
}

bool Missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::int64_t FromFileTime(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

bool StampFrom(HANDLE file, LineFile::Stamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    // A folder opened by mistake reads as a failure, not as an empty line.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    stamp = {
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
        static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow),
        FromFileTime(info.ftLastWriteTime)};
    return true;
}

HANDLE OpenForReading(const std::filesystem::path& file) {
    // Backup semantics let a folder open too, so that it is told apart from a missing file.
    return CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
} // namespace

namespace LineFile {

Outcome StampOf(const std::filesystem::path& file, Stamp& stamp) {
    Handle handle(OpenForReading(file));
    if (handle.Get() == INVALID_HANDLE_VALUE)
        return Missing(GetLastError()) ? Outcome::Absent : Outcome::Failed;
    return StampFrom(handle.Get(), stamp) ? Outcome::Done : Outcome::Failed;
}

Outcome Read(const std::filesystem::path& file, std::size_t limit, std::string& text, Stamp& stamp) {
    Handle handle(OpenForReading(file));
    if (handle.Get() == INVALID_HANDLE_VALUE)
        return Missing(GetLastError()) ? Outcome::Absent : Outcome::Failed;
    if (!StampFrom(handle.Get(), stamp)) return Outcome::Failed;
    text.assign(std::min<std::size_t>(static_cast<std::size_t>(stamp.Size), limit), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD got = 0;
        if (!ReadFile(handle.Get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                      nullptr))
            return Outcome::Failed;
        if (got == 0) break;
        done += got;
    }
    text.resize(done);
    return Outcome::Done;
}

bool Replace(const std::filesystem::path& file, const std::string& text, const std::optional<Stamp>& older) {
    std::filesystem::path temporary = file;
    temporary += ".tmp-" + std::to_string(GetCurrentProcessId());
    Handle handle(CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle.Get() == INVALID_HANDLE_VALUE) return false;
    DWORD wrote = 0;
    bool ok = text.empty() ||
              (WriteFile(handle.Get(), text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
               wrote == text.size());
    Stamp stamp;
    if (ok && older && StampFrom(handle.Get(), stamp) && stamp.Modified <= older->Modified) {
        const auto later = static_cast<std::uint64_t>(older->Modified + 1);
        FILETIME time{static_cast<DWORD>(later & 0xFFFFFFFFu), static_cast<DWORD>(later >> 32)};
        ok = SetFileTime(handle.Get(), nullptr, nullptr, &time) != 0;
    }
    ok = handle.Close() && ok;
    if (ok) ok = MoveOver(temporary, file);
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

// The folder lies in the user's own profile, which other users can't write.
std::optional<std::string> FolderProblem(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder, error)) return std::nullopt;
    if (std::filesystem::exists(folder, error))
        return folder.string() + " is not a folder; Tallydial doesn't use it.";
    return "The folder " + folder.string() + " can't be created.";
}

FolderLock::FolderLock(const std::filesystem::path& folder)
    : m_handle(reinterpret_cast<std::intptr_t>(CreateFileW((folder / "line.lock").c_str(),
                                                           GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))) {
    const auto handle = reinterpret_cast<HANDLE>(m_handle);
    OVERLAPPED whole{};
    m_held = handle != INVALID_HANDLE_VALUE && LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole);
}

FolderLock::~FolderLock() {
    const auto handle = reinterpret_cast<HANDLE>(m_handle);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle); // drops the lock
}

} // namespace LineFile
