#include "NetworkManagerMock.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {
const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
} // namespace

// A session-type bus does: nothing on it tells a system bus apart except its address. It forks, so the
// pipe ends once it has said where it listens and who it is.
PrivateSystemBus::PrivateSystemBus() {
    FILE* said = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!said) return;
    char address[1024] = {};
    if (std::fscanf(said, "%1023s %d", address, &m_pid) == 2) ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address, 1);
    ::pclose(said);
}

bool PrivateSystemBus::StartedOrSaySo() const {
    if (m_pid <= 0) std::fprintf(stderr, "could not start a private dbus-daemon\n");
    return m_pid > 0;
}

PrivateSystemBus::~PrivateSystemBus() {
    if (m_pid > 0) ::kill(m_pid, SIGTERM);
}

NetworkManagerMock::NetworkManagerMock(QString logFile) : m_logFile(std::move(logFile)) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

NetworkManagerMock::~NetworkManagerMock() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) Kill();
}

bool NetworkManagerMock::Start() {
    QDBusConnection bus = QDBusConnection::systemBus();
    // The previous test's mock may own the name for a moment after its process ended; a new one
    // started meanwhile would be taken for it.
    if (bus.interface()->isServiceRegistered(Service).value()) {
        QDBusServiceWatcher gone(Service, bus, QDBusServiceWatcher::WatchForUnregistration);
        QEventLoop wait;
        QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &wait, &QEventLoop::quit);
        QTimer::singleShot(20000, &wait, &QEventLoop::quit);
        if (bus.interface()->isServiceRegistered(Service).value()) wait.exec();
    }
    QDBusServiceWatcher watcher(Service, bus, QDBusServiceWatcher::WatchForRegistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);

    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                     QStringLiteral(TALLYDIAL_NM_TEMPLATE), QStringLiteral("-l"), m_logFile});
    if (!m_process.waitForStarted(10000)) return false;
    if (!bus.interface()->isServiceRegistered(Service).value()) loop.exec();
    return bus.interface()->isServiceRegistered(Service).value();
}

void NetworkManagerMock::Kill() {
    m_process.kill();
    m_process.waitForFinished(5000);
}

QVariant NetworkManagerMock::Call(const QString& path, const QString& interface, const QString& method,
                                  const QVariantList& args) {
    auto message = QDBusMessage::createMethodCall(Service, path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection::systemBus().call(message);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning("mock %s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return {};
    }
    return reply.arguments().value(0);
}

QString NetworkManagerMock::AddDevice(const QString& name, uint deviceType, const QString& interface,
                                      const QString& ipInterface) {
    return Call(ManagerPath, MockInterface, QStringLiteral("AddDevice"),
                {name, deviceType, interface, ipInterface})
        .value<QDBusObjectPath>()
        .path();
}

QString NetworkManagerMock::AddDialUpConnection(const QString& id, const QString& type,
                                                const QString& bluetoothType, const QStringList& devices) {
    QList<QDBusObjectPath> paths;
    for (const QString& device : devices)
        paths.append(QDBusObjectPath(device));
    return Call(ManagerPath, MockInterface, QStringLiteral("AddDialUpConnection"),
                {id, type, bluetoothType, QVariant::fromValue(paths)})
        .value<QDBusObjectPath>()
        .path();
}

void NetworkManagerMock::SetActiveState(const QString& activePath, uint state) {
    Call(ManagerPath, MockInterface, QStringLiteral("SetActiveState"),
         {QVariant::fromValue(QDBusObjectPath(activePath)), state});
}
