#include "platform/linux/StateJournalFile.h"

#include "platform/JournalFileName.h"
#include "platform/posix/PrivateFolder.h"
#include "platform/posix/WriteAll.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A journal is a few hundred bytes; a huge profile name makes it larger, but never this large.
constexpr std::size_t kMaxJournalSize = 16 << 20;

// The rename must reach the disk too, or a power cut may bring the old journal back.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::unique_ptr<StateJournalFile> StateJournalFile::Claim(const std::filesystem::path& folder,
                                                          const std::string& profile, double waitSeconds) {
    std::optional<std::string> problem;
    return Claim(folder, profile, waitSeconds, problem);
}

std::unique_ptr<StateJournalFile> StateJournalFile::Claim(const std::filesystem::path& folder,
                                                          const std::string& profile, double waitSeconds,
                                                          std::optional<std::string>& problem) {
    problem = PrivateFolderProblem(folder);
    // A lock file left from before opens in a read-only folder, where no journal could be written.
    if (!problem && ::access(folder.c_str(), W_OK | X_OK) != 0)
        problem = "The folder " + folder.string() + " can't be written.";
    if (problem) return nullptr;
    const std::string stem = JournalFileStem(profile);
    const std::filesystem::path lockFile = folder / (stem + ".lock");
    const int lock = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) {
        problem = "The file " + lockFile.string() + " can't be opened.";
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    while (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            ::close(lock);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::unique_ptr<StateJournalFile>(new StateJournalFile(folder / (stem + ".journal"), lock));
}

StateJournalFile::~StateJournalFile() {
    ::close(m_lock);
}

std::optional<std::string> StateJournalFile::Read() {
    const int fd = ::open(m_file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kMaxJournalSize) {
            ::close(fd);
            return got == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

bool StateJournalFile::Write(const std::string& text) {
    std::filesystem::path temporary = m_file;
    temporary += ".tmp";
    // The lock makes this copy the only writer, so one temporary name is enough.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temporary.c_str(), m_file.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(m_file.parent_path());
    return true;
}

bool StateJournalFile::Remove() {
    const bool removed = ::unlink(m_file.c_str()) == 0 || errno == ENOENT;
    if (removed) SyncFolder(m_file.parent_path());
    return removed;
}

std::optional<std::string> StateJournalFile::SetAside() {
    std::filesystem::path aside = m_file;
    aside += ".unused";
    if (::rename(m_file.c_str(), aside.c_str()) != 0) return std::nullopt;
    SyncFolder(m_file.parent_path());
    return aside.string();
}
