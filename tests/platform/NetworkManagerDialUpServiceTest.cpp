#include "platform/linux/NetworkManagerDialUpService.h"
#include "connection/DUNStuff.h"
#include "platform/FakeMachine.h"
#include "platform/linux/MachineDialUpService.h"
#include "support/FakeDialUpService.h"
#include "support/NetworkManagerStandIn.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The stand-in is a Python process on a bus of its own: on a loaded machine its answers can take longer
// than Qt's default five seconds.
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 30000)

namespace {

constexpr uint Activating = NetworkManagerStandIn::Activating;
constexpr uint Activated = NetworkManagerStandIn::Activated;
const QString Service = "org.freedesktop.NetworkManager";
const QString ManagerPath = "/org/freedesktop/NetworkManager";

QString Read(DialUpService& service) {
    return QString::fromStdString(Reading(service));
}

QString Traffic(DialUpService& service, std::uint64_t handle) {
    return QString::fromStdString(TrafficReading(service, handle));
}

std::uint64_t FirstHandle(DialUpService& service) {
    std::vector<DialUpConnection> connections;
    return service.EnumConnections(connections) && !connections.empty() ? connections[0].Handle : 0;
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

    // Round trips through the mock and the event loop, often enough for every answer the client waited
    // for in between to have been taken in.
    void Settle() {
        for (int round = 0; round < 6; ++round) {
            m_mock->Call(ManagerPath, "org.freedesktop.DBus.Properties", "Get", {Service, "Version"});
            QCoreApplication::processEvents();
        }
    }

private slots:
    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_mock = std::make_unique<NetworkManagerStandIn>(
            QString::fromStdString((m_folder->Path() / "mock.log").string()));
        QVERIFY(m_mock->Start());
        m_service = std::make_unique<NetworkManagerDialUpService>();
        QTRY_COMPARE(Read(*m_service), QString());
    }

    void cleanup() {
        m_service.reset();
        m_mock.reset();
        m_folder.reset();
    }

    // Kinds that are not dial-up are neither listed nor established; every dial-up kind is both.
    void listsDialUpKindsOnly() {
        m_mock->Dial("bluetooth network access", "bluetooth", Activated, {}, "panu");
        m_mock->Dial("wifi", "802-11-wireless", Activated,
                     {m_mock->AddDevice("wlan0", "wlan0", NetworkManagerStandIn::DeviceTypeWifi)});
        Settle();
        QCOMPARE(Read(*m_service), QString());

        for (const char* type : {"gsm", "cdma", "pppoe"})
            m_mock->Dial(type, type);
        m_mock->Dial("bluetooth dial-up", "bluetooth", Activated, {}, "dun");
        m_mock->Dial("any type on a modem device", "generic", Activated,
                     {m_mock->AddDevice("ttyUSB0", "ttyUSB0")});
        m_mock->Dial("any type on a ppp interface", "802-3-ethernet", Activated,
                     {m_mock->AddDevice("eth0", "ppp0", NetworkManagerStandIn::DeviceTypeEthernet)});
        m_mock->Dial("any type on a ppp device", "generic", Activated,
                     {m_mock->AddDevice("dsl0", "dsl0", NetworkManagerStandIn::DeviceTypePpp)});
        QTRY_COMPARE(Read(*m_service), "gsm, cdma, pppoe, bluetooth dial-up, any type on a modem device, "
                                       "any type on a ppp interface, any type on a ppp device (established)");
    }

    // The dial is seen from its first moment, the line once it is up; HangUpAll deactivates every line, first
    // listed first, and they go. A crash or restart of NetworkManager ends the call; the new one is followed
    // from its start, also by the machine's lines that began while NetworkManager was away.
    void followsDialHangUpNetworkManagerAwayAndBackAndOddAnswers() {
        const QString path =
            m_mock->Dial("Orvane Dial", "gsm", Activating, {m_mock->AddDevice("ttyUSB0", "ttyUSB0")});
        QTRY_COMPARE(Read(*m_service), "Orvane Dial");

        QSignalSpy changed(m_service.get(), &NetworkManagerDialUpService::MirrorChanged);
        m_mock->SetState(path, Activated);
        QVERIFY(changed.wait());
        QTRY_COMPARE(Read(*m_service), "Orvane Dial (established)");
        const QString second = m_mock->Dial("Second", "cdma", Activating);
        QTRY_COMPARE(Read(*m_service), "Orvane Dial, Second (established)");

        HangUpAll(*m_service);
        QTRY_COMPARE(Read(*m_service), QString());
        const QStringList calls = m_mock->LogLines("DeactivateConnection");
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].contains(path));
        QVERIFY(calls[1].contains(second));
        QVERIFY(!m_service->HangUp(12345));

        m_mock->Dial("Orvane Up");
        QTRY_COMPARE(Read(*m_service), "Orvane Up (established)");
        m_mock->Kill();
        QTRY_COMPARE(Read(*m_service), "unreadable");
        const FakeMachine root(m_folder->Path() / "root");
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QCOMPARE(Read(machine), QString());

        QVERIFY(m_mock->Start());
        QTRY_COMPARE(Read(*m_service), QString());
        const QString again = m_mock->Dial("Orvane Again");
        QTRY_COMPARE(Read(*m_service), "Orvane Again (established)");
        QTRY_COMPARE(Read(machine), "Orvane Again (established)");

        // A property of an unexpected type reads as no connection, and the next connection is seen again.
        m_mock->Call(again, "org.freedesktop.DBus.Mock", "UpdateProperties",
                     {Service + ".Connection.Active", QVariantMap{{"State", "up"}}});
        QTRY_COMPARE(Read(*m_service), QString());
        m_mock->Call(ManagerPath, "org.freedesktop.DBus.Mock", "UpdateProperties",
                     {Service, QVariantMap{{"ActiveConnections", QStringList{"/x"}}}});
        QTRY_COMPARE(Read(*m_service), "unreadable");
        m_mock->Dial("Next");
        QTRY_COMPARE(Read(*m_service), "Next (established)");
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
        root.Process(process.Pid(), row.Pppd, "pppd", row.ChildOfManager ? m_mock->ProcessId() : 1)
            .Interface("ppp0", UpAndRunning)
            .Interface("ppp1", UpAndRunning);
        if (!row.PidFile.empty()) root.PidFile(row.PidFile, std::to_string(process.Pid()) + "\n");

        m_mock->Dial("Mobile", "gsm", row.State, {m_mock->AddDevice("wwan0", row.DeviceInterface)});
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QTRY_COMPARE(Read(machine), row.Listed);

        HangUpAll(machine);
        QTRY_COMPARE(m_mock->LogLines("DeactivateConnection").size(), 1);
        if (row.PppdEnded)
            QCOMPARE(process.EndSignal(), SIGTERM);
        else
            QCOMPARE(::kill(process.Pid(), 0), 0);
    }

    // A listed connection's counters are its device's statistics, which NetworkManager is asked to refresh
    // while it is listed and no more after it, also when the program ends during the call; a refresh rate
    // another program asked for is left as it is.
    void readsTheDeviceStatisticsAndRefreshesThemWhileListed() {
        const QString modem = m_mock->AddDevice("ttyUSB0", "ppp0");
        const QString other = m_mock->AddDevice("ttyUSB1", "ppp1");
        m_mock->SetRefreshRate(other, 500);
        const QString path = m_mock->Dial("Orvane Dial", "gsm", Activated, {modem});
        m_mock->Dial("Second", "gsm", Activated, {other});
        QTRY_COMPARE(Read(*m_service), "Orvane Dial, Second (established)");
        const std::uint64_t handle = FirstHandle(*m_service);
        QTRY_COMPARE(m_mock->RefreshRate(modem), 1000u);
        QTRY_COMPARE(Traffic(*m_service, handle), "0 in, 0 out");

        m_mock->SetTraffic(modem, 150000000, 2000000);
        QTRY_COMPARE(Traffic(*m_service, handle), "150000000 in, 2000000 out");
        {
            const FakeMachine root(m_folder->Path() / "root");
            MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
            QTRY_COMPARE(Traffic(machine, FirstHandle(machine)), "150000000 in, 2000000 out");
        }

        m_mock->Call(ManagerPath, Service, "DeactivateConnection",
                     {QVariant::fromValue(QDBusObjectPath(path))});
        QTRY_COMPARE(Read(*m_service), "Second (established)");
        QCOMPARE(Traffic(*m_service, handle), "unreadable");
        QTRY_COMPARE(m_mock->RefreshRate(modem), 0u);

        m_mock->Dial("Again", "gsm", Activated, {modem});
        QTRY_COMPARE(m_mock->RefreshRate(modem), 1000u);
        m_service.reset();
        QCOMPARE(m_mock->RefreshRate(modem), 0u);
        QCOMPARE(m_mock->RefreshRate(other), 500u);
    }

private:
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<NetworkManagerStandIn> m_mock;
    std::unique_ptr<NetworkManagerDialUpService> m_service;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const PrivateSystemBus bus;
    if (!bus.StartedOrSaySo()) return 1;
    NetworkManagerDialUpServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NetworkManagerDialUpServiceTest.moc"
