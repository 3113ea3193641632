#include "support/NetworkManagerStandIn.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {
const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString StatisticsInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Statistics");

void EndWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Waits, by the bus's own signal, until NetworkManager's name is owned or not; false on timeout. A
// Python process on a loaded machine can take long.
bool NameOwned(bool owned) {
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusServiceWatcher watcher(Service, bus, QDBusServiceWatcher::WatchForOwnerChange);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (bus.interface()->isServiceRegistered(Service).value() != owned) loop.exec();
    return bus.interface()->isServiceRegistered(Service).value() == owned;
}
} // namespace

PrivateSystemBus::PrivateSystemBus() {
    EndWithParent(m_daemon);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address=1")});
    if (m_daemon.waitForReadyRead(10000)) qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_daemon.readLine().trimmed());
}

PrivateSystemBus::~PrivateSystemBus() {
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

bool PrivateSystemBus::StartedOrSaySo() const {
    const bool started =
        !qgetenv("DBUS_SYSTEM_BUS_ADDRESS").isEmpty() && m_daemon.state() == QProcess::Running;
    if (!started) std::fprintf(stderr, "could not start a private dbus-daemon\n");
    return started;
}

NetworkManagerStandIn::NetworkManagerStandIn(QString log) : m_log(std::move(log)) {
    EndWithParent(m_process);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

NetworkManagerStandIn::~NetworkManagerStandIn() {
    Kill();
}

bool NetworkManagerStandIn::Start() {
    if (!NameOwned(false)) return false;
    m_process.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(TALLYDIAL_NM_STANDIN), QStringLiteral("serve"), QStringLiteral("--log"), m_log});
    return NameOwned(true);
}

void NetworkManagerStandIn::Kill() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QVariant NetworkManagerStandIn::Call(const QString& path, const QString& interface, const QString& method,
                                     const QVariantList& args) {
    auto message = QDBusMessage::createMethodCall(Service, path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection::systemBus().call(message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning("stand-in %s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
    return reply.arguments().value(0);
}

QString NetworkManagerStandIn::AddDevice(const QString& name, const QString& ipInterface, uint type) {
    return Call(ManagerPath, MockInterface, QStringLiteral("AddDevice"), {name, type, name, ipInterface})
        .value<QDBusObjectPath>()
        .path();
}

QString NetworkManagerStandIn::Dial(const QString& id, const QString& type, uint state,
                                    const QStringList& devices, const QString& bluetoothType) {
    QList<QDBusObjectPath> paths;
    for (const QString& device : devices)
        paths.append(QDBusObjectPath(device));
    const QString path = Call(ManagerPath, MockInterface, QStringLiteral("AddDialUpConnection"),
                              {id, type, bluetoothType, QVariant::fromValue(paths)})
                             .value<QDBusObjectPath>()
                             .path();
    SetState(path, state);
    return path;
}

void NetworkManagerStandIn::SetState(const QString& activePath, uint state) {
    Call(ManagerPath, MockInterface, QStringLiteral("SetActiveState"),
         {QVariant::fromValue(QDBusObjectPath(activePath)), state});
}

void NetworkManagerStandIn::SetTraffic(const QString& devicePath, quint64 received, quint64 sent) {
    Call(ManagerPath, MockInterface, QStringLiteral("SetTraffic"),
         {QVariant::fromValue(QDBusObjectPath(devicePath)), received, sent});
}

uint NetworkManagerStandIn::RefreshRate(const QString& devicePath) {
    return Call(devicePath, PropertiesInterface, QStringLiteral("Get"),
                {StatisticsInterface, QStringLiteral("RefreshRateMs")})
        .value<QDBusVariant>()
        .variant()
        .toUInt();
}

void NetworkManagerStandIn::SetRefreshRate(const QString& devicePath, uint milliseconds) {
    Call(devicePath, PropertiesInterface, QStringLiteral("Set"),
         {StatisticsInterface, QStringLiteral("RefreshRateMs"),
          QVariant::fromValue(QDBusVariant(milliseconds))});
}

QStringList NetworkManagerStandIn::LogLines(const QString& containing) const {
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).filter(containing);
}
