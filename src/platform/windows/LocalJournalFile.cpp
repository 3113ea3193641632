#include "platform/windows/LocalJournalFile.h"

#include "platform/JournalFileName.h"
#include "platform/windows/Win32File.h"

#include <chrono>
#include <thread>

namespace {

// A journal is a few hundred bytes; a huge profile name makes it larger, but never this large.
constexpr std::size_t kMaxJournalSize = 16 << 20;

} // namespace

std::unique_ptr<LocalJournalFile> LocalJournalFile::Claim(const std::filesystem::path& folder,
                                                          const std::string& profile, double waitSeconds,
                                                          std::optional<std::string>& problem) {
    problem.reset();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        problem = std::filesystem::exists(folder, error)
                      ? folder.string() + " is not a folder; Tallydial doesn't use it."
                      : "The folder " + folder.string() + " can't be created.";
        return nullptr;
    }
    // A lock file left from before opens in a folder that takes no new files, where no journal could be
    // written.
    if (!CanWriteIn(folder)) {
        problem = "The folder " + folder.string() + " can't be written.";
        return nullptr;
    }
    const std::filesystem::path lockFile = folder / (JournalFileStem(profile) + ".lock");
    Handle lock(CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock.Valid()) {
        problem = "The file " + lockFile.string() + " can't be opened.";
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
    std::filesystem::path file = folder / (JournalFileStem(profile) + ".journal");
    return std::unique_ptr<LocalJournalFile>(new LocalJournalFile(std::move(file), lock.Release()));
}

LocalJournalFile::~LocalJournalFile() {
    CloseHandle(m_lock);
}

std::optional<std::string> LocalJournalFile::Read() {
    const Handle file(CreateFileW(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > static_cast<LONGLONG>(kMaxJournalSize))
        return std::nullopt;
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    text.resize(done);
    return text;
}

bool LocalJournalFile::Write(const std::string& text) {
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

bool LocalJournalFile::Remove() {
    return DeleteFileW(m_file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::optional<std::string> LocalJournalFile::SetAside() {
    std::filesystem::path aside = m_file;
    aside += ".unused";
    if (!MoveFileExW(m_file.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    return aside.string();
}
