#include "platform/linux/NetworkManagerDialUpService.h"
#include "connection/DUNStuff.h"
#include "platform/FakeMachine.h"
#include "platform/linux/MachineDialUpService.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sys/prctl.h>

// The mock is a Python process on a bus of its own: on a loaded machine its answers can take longer
// than Qt's default five seconds.
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 30000)

namespace {

constexpr uint Activating = 1;
constexpr uint Activated = 2;
constexpr uint DeviceTypeEthernet = 1;
constexpr uint DeviceTypeWifi = 2;
constexpr uint DeviceTypeModem = 8;
constexpr uint DeviceTypePpp = 23;
const QString Service = "org.freedesktop.NetworkManager";
const QString ManagerPath = "/org/freedesktop/NetworkManager";
const QString MockInterface = "org.freedesktop.DBus.Mock";

QString Read(DialUpService& service) {
    return QString::fromStdString(Reading(service));
}

// The bus and the mock end with the test, also when it is killed on a timeout.
void EndWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Waits, by the bus's own signal, until NetworkManager's name is owned or not; false on timeout.
bool NameOwned(bool owned) {
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusServiceWatcher watcher(Service, bus, QDBusServiceWatcher::WatchForOwnerChange);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (bus.interface()->isServiceRegistered(Service).value() != owned) loop.exec();
    return bus.interface()->isServiceRegistered(Service).value() == owned;
}

QVariant Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& args) {
    auto message = QDBusMessage::createMethodCall(Service, path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection::systemBus().call(message);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning("mock %s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
    return reply.arguments().value(0);
}

QString MockPath(const QString& method, const QVariantList& args) {
    return Call(ManagerPath, MockInterface, method, args).value<QDBusObjectPath>().path();
}

// A modem connection of NetworkManager beside a pppd of the machine.
struct MachineRow {
    QString DeviceInterface; // the modem device's IpInterface
    uint State;
    std::string Pppd;
    std::string PidFile;
    bool ChildOfManager;
    QString Listed;
    bool PppdEnded;
};

} // namespace

Q_DECLARE_METATYPE(MachineRow)

class NetworkManagerDialUpServiceTest : public QObject {
    Q_OBJECT

    // NetworkManager played by python-dbusmock with our dial-up template; the active connection starts
    // activating and goes to the state given.
    QString Dial(const QString& id, const QString& type = "gsm", uint state = Activated,
                 const QStringList& devices = {}, const QString& bluetoothType = {}) {
        QList<QDBusObjectPath> paths;
        for (const QString& device : devices)
            paths.append(QDBusObjectPath(device));
        const QString path =
            MockPath("AddDialUpConnection", {id, type, bluetoothType, QVariant::fromValue(paths)});
        SetState(path, state);
        return path;
    }
    void SetState(const QString& path, uint state) {
        Call(ManagerPath, MockInterface, "SetActiveState",
             {QVariant::fromValue(QDBusObjectPath(path)), state});
    }
    QString Modem(const QString& name, const QString& ipInterface, uint type = DeviceTypeModem) {
        return MockPath("AddDevice", {name, type, name, ipInterface});
    }
    bool StartMock() {
        // The previous mock may own the name for a moment after its process ended.
        if (!NameOwned(false)) return false;
        m_mock.start("/usr/bin/python3",
                     {"-m", "dbusmock", "--template", TALLYDIAL_NM_TEMPLATE, "-l", m_log});
        return NameOwned(true);
    }
    void KillMock() {
        m_mock.kill();
        m_mock.waitForFinished(5000);
    }
    // Round trips through the mock and the event loop, often enough for every answer the client waited
    // for in between to have been taken in.
    void Settle() {
        for (int round = 0; round < 6; ++round) {
            Call(ManagerPath, "org.freedesktop.DBus.Properties", "Get", {Service, "Version"});
            QCoreApplication::processEvents();
        }
    }
    QStringList LogLines(const QString& containing) const {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split('\n').filter(containing);
    }

private slots:
    void initTestCase() {
        EndWithParent(m_mock);
        m_mock.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_log = QString::fromStdString((m_folder->Path() / "mock.log").string());
        QVERIFY(StartMock());
        m_service = std::make_unique<NetworkManagerDialUpService>();
        QTRY_COMPARE(Read(*m_service), QString());
    }

    void cleanup() {
        m_service.reset();
        KillMock();
        m_folder.reset();
    }

    // Kinds that are not dial-up are neither listed nor established; every dial-up kind is both.
    void listsDialUpKindsOnly() {
        Dial("bluetooth network access", "bluetooth", Activated, {}, "panu");
        Dial("wifi", "802-11-wireless", Activated, {Modem("wlan0", "wlan0", DeviceTypeWifi)});
        Settle();
        QCOMPARE(Read(*m_service), QString());

        for (const char* type : {"gsm", "cdma", "pppoe"})
            Dial(type, type);
        Dial("bluetooth dial-up", "bluetooth", Activated, {}, "dun");
        Dial("any type on a modem device", "generic", Activated, {Modem("ttyUSB0", "ttyUSB0")});
        Dial("any type on a ppp interface", "802-3-ethernet", Activated,
             {Modem("eth0", "ppp0", DeviceTypeEthernet)});
        Dial("any type on a ppp device", "generic", Activated, {Modem("dsl0", "dsl0", DeviceTypePpp)});
        QTRY_COMPARE(Read(*m_service), "gsm, cdma, pppoe, bluetooth dial-up, any type on a modem device, "
                                       "any type on a ppp interface, any type on a ppp device (established)");
    }

    // The dial is seen from its first moment, the line once it is up; HangUpAll deactivates every line, first
    // listed first, and they go. A crash or restart of NetworkManager ends the call; the new one is followed
    // from its start, also by the machine's lines that began while NetworkManager was away.
    void followsDialHangUpAndNetworkManagerAwayAndBack() {
        const QString path = Dial("Orvane Dial", "gsm", Activating, {Modem("ttyUSB0", "ttyUSB0")});
        QTRY_COMPARE(Read(*m_service), "Orvane Dial");

        QSignalSpy changed(m_service.get(), &NetworkManagerDialUpService::MirrorChanged);
        SetState(path, Activated);
        QVERIFY(changed.wait());
        QTRY_COMPARE(Read(*m_service), "Orvane Dial (established)");
        const QString second = Dial("Second", "cdma", Activating);
        QTRY_COMPARE(Read(*m_service), "Orvane Dial, Second (established)");

        HangUpAll(*m_service);
        QTRY_COMPARE(Read(*m_service), QString());
        const QStringList calls = LogLines("DeactivateConnection");
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].contains(path));
        QVERIFY(calls[1].contains(second));
        QVERIFY(!m_service->HangUp(12345));

        Dial("Orvane Up");
        QTRY_COMPARE(Read(*m_service), "Orvane Up (established)");
        KillMock();
        QTRY_COMPARE(Read(*m_service), "unreadable");
        const FakeMachine root(m_folder->Path() / "root");
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QCOMPARE(Read(machine), QString());

        QVERIFY(StartMock());
        QTRY_COMPARE(Read(*m_service), QString());
        Dial("Orvane Again");
        QTRY_COMPARE(Read(*m_service), "Orvane Again (established)");
        QTRY_COMPARE(Read(machine), "Orvane Again (established)");
    }

    // The machine's lines: a pppd that NetworkManager runs for its connection is that connection, found
    // by interface or parentage, never by name, and hung up through NetworkManager; a pppd of its own is
    // a line of its own, ended by SIGTERM.
    void machineListsEachLineOnce_data() {
        QTest::addColumn<MachineRow>("row");
        QTest::newRow("pppd of its own beside a modem connection") << MachineRow{
            "ppp0", Activated, "pppd call provider", "ppp1.pid", false, "Mobile, provider (established)",
            true};
        QTest::newRow("manager's pppd on the connection's ppp unit") << MachineRow{
            "ppp0", Activated, "pppd call Orvane", "ppp0.pid", false, "Mobile (established)", false};
        QTest::newRow("manager's pppd dialling on the connection's tty")
            << MachineRow{"ttyUSB0", Activating, "pppd /dev/ttyUSB0 115200", "", false, "Mobile", false};
        QTest::newRow("manager's child on a tty the device doesn't name") << MachineRow{
            "ttyUSB3", Activating, "pppd /dev/ttyACM0 plugin nm-pppd-plugin.so", "", true, "Mobile", false};
    }

    void machineListsEachLineOnce() {
        QFETCH(MachineRow, row);
        StandInPppd process;
        QVERIFY(process.Pid() > 0);
        const FakeMachine root(m_folder->Path() / "root");
        root.Process(process.Pid(), row.Pppd, "pppd", row.ChildOfManager ? m_mock.processId() : 1)
            .Interface("ppp0", UpAndRunning)
            .Interface("ppp1", UpAndRunning);
        if (!row.PidFile.empty()) root.PidFile(row.PidFile, std::to_string(process.Pid()) + "\n");

        Dial("Mobile", "gsm", row.State, {Modem("wwan0", row.DeviceInterface)});
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QTRY_COMPARE(Read(machine), row.Listed);

        HangUpAll(machine);
        QTRY_COMPARE(LogLines("DeactivateConnection").size(), 1);
        if (row.PppdEnded)
            QCOMPARE(process.EndSignal(), SIGTERM);
        else
            QCOMPARE(::kill(process.Pid(), 0), 0);
    }

    // A property of an unexpected type reads as no connection, and the next connection is seen again.
    void unexpectedTypesReadAsNotConnected() {
        const QString path = Dial("Odd");
        QTRY_COMPARE(Read(*m_service), "Odd (established)");
        Call(path, MockInterface, "UpdateProperties",
             {Service + ".Connection.Active", QVariantMap{{"State", "up"}}});
        QTRY_COMPARE(Read(*m_service), QString());
        Call(ManagerPath, MockInterface, "UpdateProperties",
             {Service, QVariantMap{{"ActiveConnections", QStringList{"/x"}}}});
        QTRY_COMPARE(Read(*m_service), "unreadable");
        Dial("Next");
        QTRY_COMPARE(Read(*m_service), "Next (established)");
    }

private:
    std::unique_ptr<TempFolder> m_folder;
    QString m_log;
    QProcess m_mock;
    std::unique_ptr<NetworkManagerDialUpService> m_service;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // A session-type bus serves as the system bus: only its address tells them apart. It must be in
    // place before Qt first connects to the system bus.
    QProcess bus;
    EndWithParent(bus);
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!bus.waitForReadyRead(10000)) {
        qWarning("could not start a private dbus-daemon");
        return 1;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.readLine().trimmed());
    NetworkManagerDialUpServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NetworkManagerDialUpServiceTest.moc"
