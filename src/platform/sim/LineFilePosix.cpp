#include "platform/sim/LineFile.h"

#include "platform/posix/PrivateFolder.h"
#include "platform/posix/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr std::int64_t kNanoseconds = 1'000'000'000;

// Closes a descriptor when leaving scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close() {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

LineFile::Stamp StampFrom(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNanoseconds + info.st_mtim.tv_nsec};
}
} // namespace

namespace LineFile {

Outcome StampOf(const std::filesystem::path& file, Stamp& stamp) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Outcome::Absent : Outcome::Failed;
    stamp = StampFrom(info);
    return Outcome::Done;
}

Outcome Read(const std::filesystem::path& file, std::size_t limit, std::string& text, Stamp& stamp) {
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? Outcome::Absent : Outcome::Failed;
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return Outcome::Failed;
    text.assign(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), limit), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Outcome::Failed;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    stamp = StampFrom(info);
    return Outcome::Done;
}

bool Replace(const std::filesystem::path& file, const std::string& text, const std::optional<Stamp>& older) {
    std::filesystem::path temporary = file;
    temporary += ".tmp-" + std::to_string(::getpid());
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.Get() < 0) return false;
    bool ok = WriteAll(fd.Get(), text);
    struct stat info {};
    if (ok && older && ::fstat(fd.Get(), &info) == 0 && StampFrom(info).Modified <= older->Modified) {
        const std::int64_t later = older->Modified + 1;
        const std::timespec times[2] = {
            {0, UTIME_OMIT},
            {static_cast<time_t>(later / kNanoseconds), static_cast<long>(later % kNanoseconds)}};
        ok = ::futimens(fd.Get(), times) == 0;
    }
    ok = fd.Close() && ok;
    if (ok) ok = ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

// Another user who could write the folder could make up connections.
std::optional<std::string> FolderProblem(const std::filesystem::path& folder) {
    return PrivateFolderProblem(folder);
}

FolderLock::FolderLock(const std::filesystem::path& folder)
    : m_handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    m_held = m_handle >= 0 && ::flock(static_cast<int>(m_handle), LOCK_EX) == 0;
}

FolderLock::~FolderLock() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
}

} // namespace LineFile
