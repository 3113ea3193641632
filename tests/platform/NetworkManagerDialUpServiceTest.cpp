#include "platform/linux/NetworkManagerDialUpService.h"
#include "connection/DUNStuff.h"
#include "platform/FakeMachine.h"
#include "platform/NetworkManagerMock.h"
#include "platform/linux/MachineDialUpService.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// The mock is a Python process on a bus of its own: on a loaded machine its answers can take longer
// than Qt's default five seconds.
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 30000)

namespace {

constexpr uint Activating = 1;
constexpr uint Activated = 2;

QString Read(DialUpService& service) {
    return QString::fromStdString(Reading(service));
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

    QString Dial(const QString& id, const QString& type = "gsm", uint state = Activated,
                 const QStringList& devices = {}, const QString& bluetoothType = {}) {
        const QString path = m_mock->AddDialUpConnection(id, type, bluetoothType, devices);
        m_mock->SetActiveState(path, state);
        return path;
    }
    QString Modem(const QString& name, const QString& ipInterface,
                  uint type = NetworkManagerMock::DeviceTypeModem) {
        return m_mock->AddDevice(name, type, name, ipInterface);
    }

private slots:
    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_mock = std::make_unique<NetworkManagerMock>(
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
        Dial("bluetooth network access", "bluetooth", Activated, {}, "panu");
        Dial("wifi", "802-11-wireless", Activated,
             {Modem("wlan0", "wlan0", NetworkManagerMock::DeviceTypeWifi)});
        m_mock->Settle();
        QCOMPARE(Read(*m_service), QString());

        for (const char* type : {"gsm", "cdma", "pppoe"})
            Dial(type, type);
        Dial("bluetooth dial-up", "bluetooth", Activated, {}, "dun");
        Dial("any type on a modem device", "generic", Activated, {Modem("ttyUSB0", "ttyUSB0")});
        Dial("any type on a ppp interface", "802-3-ethernet", Activated,
             {Modem("eth0", "ppp0", NetworkManagerMock::DeviceTypeEthernet)});
        Dial("any type on a ppp device", "generic", Activated,
             {Modem("dsl0", "dsl0", NetworkManagerMock::DeviceTypePpp)});
        QTRY_COMPARE(Read(*m_service), "gsm, cdma, pppoe, bluetooth dial-up, any type on a modem device, "
                                       "any type on a ppp interface, any type on a ppp device (established)");
    }

    // The dial is seen from its first moment, the line once it is up; reading the mirror asks
    // NetworkManager nothing; HangUpAll deactivates every line, first listed first, and they go. A crash or
    // restart of NetworkManager ends the call; the new one is followed from its start, also by the
    // machine's lines that began while NetworkManager was away.
    void followsDialHangUpAndNetworkManagerAwayAndBack() {
        const QString path = Dial("Orvane Dial", "gsm", Activating, {Modem("ttyUSB0", "ttyUSB0")});
        QTRY_COMPARE(Read(*m_service), "Orvane Dial");

        QSignalSpy changed(m_service.get(), &NetworkManagerDialUpService::MirrorChanged);
        m_mock->SetActiveState(path, Activated);
        QVERIFY(changed.wait());
        QTRY_COMPARE(Read(*m_service), "Orvane Dial (established)");
        const QString second = Dial("Second", "cdma", Activating);
        QTRY_COMPARE(Read(*m_service), "Orvane Dial, Second (established)");

        const auto questions = [this] {
            return m_mock->LogLines("GetAll /org/freedesktop/NetworkManager/").size() +
                   m_mock->LogLines(".ActiveConnections").size();
        };
        const auto asked = questions();
        for (int tick = 0; tick < 100; ++tick)
            Read(*m_service);
        m_mock->Settle();
        QCOMPARE(questions(), asked);

        HangUpAll(*m_service);
        QTRY_COMPARE(Read(*m_service), QString());
        const QStringList calls = m_mock->LogLines("DeactivateConnection");
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].contains(path));
        QVERIFY(calls[1].contains(second));
        QVERIFY(!m_service->HangUp(12345));

        Dial("Orvane Up");
        QTRY_COMPARE(Read(*m_service), "Orvane Up (established)");
        m_mock->Kill();
        QTRY_COMPARE(Read(*m_service), "unreadable");
        const FakeMachine root(m_folder->Path() / "root");
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QCOMPARE(Read(machine), QString());

        QVERIFY(m_mock->Start());
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
        root.Process(process.Pid(), row.Pppd, "pppd", row.ChildOfManager ? m_mock->ProcessId() : 1)
            .Interface("ppp0", UpAndRunning)
            .Interface("ppp1", UpAndRunning);
        if (!row.PidFile.empty()) root.PidFile(row.PidFile, std::to_string(process.Pid()) + "\n");

        Dial("Mobile", "gsm", row.State, {Modem("wwan0", row.DeviceInterface)});
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QTRY_COMPARE(Read(machine), row.Listed);

        HangUpAll(machine);
        QTRY_COMPARE(m_mock->LogLines("DeactivateConnection").size(), 1);
        if (row.PppdEnded)
            QCOMPARE(process.EndSignal(), SIGTERM);
        else
            QCOMPARE(::kill(process.Pid(), 0), 0);
    }

    // A property of an unexpected type reads as no connection, and the next connection is seen again.
    void unexpectedTypesReadAsNotConnected() {
        struct Step {
            bool OnManager;
            QString Property;
            QVariant Value;
            QString Reading;
        };
        const Step steps[] = {
            {false, "State", "activated", QString()},
            {false, "Id", 42, QString()},
            {true, "ActiveConnections", QStringList{"/x"}, "unreadable"},
        };
        for (const Step& step : steps) {
            const QString path = Dial(step.Property);
            QTRY_COMPARE(Read(*m_service), step.Property + " (established)");
            if (step.OnManager)
                m_mock->UpdateProperties("/org/freedesktop/NetworkManager", "org.freedesktop.NetworkManager",
                                         {{step.Property, step.Value}});
            else
                m_mock->UpdateProperties(path, "org.freedesktop.NetworkManager.Connection.Active",
                                         {{step.Property, step.Value}});
            QTRY_COMPARE(Read(*m_service), step.Reading);
        }
        Dial("Next");
        QTRY_COMPARE(Read(*m_service), "Next (established)");
    }

private:
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<NetworkManagerMock> m_mock;
    std::unique_ptr<NetworkManagerDialUpService> m_service;
};

int main(int argc, char* argv[]) {
    // The bus must be in place before Qt first connects to the system bus.
    PrivateSystemBus bus;
    if (!bus.StartedOrSaySo()) return 1;
    QCoreApplication app(argc, argv);
    NetworkManagerDialUpServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NetworkManagerDialUpServiceTest.moc"
