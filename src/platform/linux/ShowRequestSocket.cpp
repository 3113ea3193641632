#include "platform/linux/ShowRequestSocket.h"

#include <QSocketNotifier>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool Address(const std::filesystem::path& file, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string& path = file.native();
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

std::unique_ptr<ShowRequestSocket> ShowRequestSocket::Listen(const std::filesystem::path& file,
                                                             std::function<void()> show) {
    sockaddr_un address;
    if (!Address(file, address)) return nullptr;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    // What a copy that ended without closing left behind answers no one.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ShowRequestSocket>(new ShowRequestSocket(fd, file, std::move(show)));
}

void ShowRequestSocket::Knock(const std::filesystem::path& file) {
    sockaddr_un address;
    if (!Address(file, address)) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    // A local connection is taken or refused at once; no copy listening is no error.
    [[maybe_unused]] const int connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(fd);
}

ShowRequestSocket::ShowRequestSocket(int fd, std::filesystem::path file, std::function<void()> show)
    : m_fd(fd), m_file(std::move(file)), m_show(std::move(show)),
      m_notifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {
    struct stat made {};
    if (::stat(m_file.c_str(), &made) == 0) {
        m_device = made.st_dev;
        m_inode = made.st_ino;
    }
    connect(m_notifier, &QSocketNotifier::activated, this, &ShowRequestSocket::Accept);
}

ShowRequestSocket::~ShowRequestSocket() {
    m_notifier->setEnabled(false);
    ::close(m_fd);
    struct stat now {};
    if (m_inode != 0 && ::stat(m_file.c_str(), &now) == 0 && now.st_dev == m_device && now.st_ino == m_inode)
        ::unlink(m_file.c_str());
}

void ShowRequestSocket::Accept() {
    bool knocked = false;
    for (int knock; (knock = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        ::close(knock);
        knocked = true;
    }
    if (knocked) m_show();
}
