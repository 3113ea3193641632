#include "platform/linux/SingleInstance.h"

#include "platform/linux/XdgPaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
int OpenMarker(const std::filesystem::path& file) {
    XdgPaths::EnsureFolder(file.parent_path());
    return ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}
} // namespace

std::filesystem::path SingleInstance::DefaultFile() {
    return XdgPaths::RuntimeFolder() / "instance.lock";
}

SingleInstance::SingleInstance(std::filesystem::path markerFile) : m_file(std::move(markerFile)) {}

SingleInstance::~SingleInstance() {
    if (m_fd >= 0) ::close(m_fd);
}

bool SingleInstance::OtherInstanceRunning() const {
    const int fd = OpenMarker(m_file);
    if (fd < 0) return false;
    bool running = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) running = errno == EWOULDBLOCK;
    ::close(fd); // also drops the test's own lock
    return running;
}

std::string SingleInstance::ShowRequestName() const {
    return (m_file.parent_path() / "instance.socket").string();
}

void SingleInstance::Register() {
    if (m_fd < 0) m_fd = OpenMarker(m_file);
    if (m_fd >= 0) ::flock(m_fd, LOCK_SH);
}
