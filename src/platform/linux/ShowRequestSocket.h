#pragma once

#include "platform/Platform.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>

class QSocketNotifier;

// A local stream socket that a refused start connects to, and that the running copy answers by
// showing itself. Plain POSIX with a socket notifier: the program links no network library for it.
class ShowRequestSocket final : public QObject, public ShowRequestListener {
public:
    // Nothing when the socket can't be made (a path too long for a socket, a folder not writable).
    static std::unique_ptr<ShowRequestSocket> Listen(const std::filesystem::path& file,
                                                     std::function<void()> show);
    // Connects and hangs up at once: the connection itself is the request.
    static void Knock(const std::filesystem::path& file);

    ~ShowRequestSocket() override;

private:
    ShowRequestSocket(int fd, std::filesystem::path file, std::function<void()> show);
    void Accept();

    int m_fd;
    std::filesystem::path m_file;
    std::function<void()> m_show;
    QSocketNotifier* m_notifier;
    // The socket file this copy made; a copy started after it may have put its own in its place.
    unsigned long m_device = 0;
    unsigned long m_inode = 0;
};
