#include "platform/linux/UnloadSignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Both ends stay open for the whole process: a handler may fire at any moment.
int g_pipe[2] = {-1, -1};

extern "C" void WriteSignal(int signalNumber) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void InstallHandlers() {
    if (g_pipe[0] >= 0) return;
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

UnloadSignals& UnloadSignals::Instance() {
    static QPointer<UnloadSignals> instance;
    if (!instance) instance = new UnloadSignals();
    return *instance;
}

UnloadSignals::UnloadSignals() : QObject(QCoreApplication::instance()) {
    InstallHandlers();
    if (g_pipe[0] < 0) return; // without a pipe the signals keep their default action
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnloadSignals::Drain);
}

void UnloadSignals::Drain() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit Arrived(byte);
}
