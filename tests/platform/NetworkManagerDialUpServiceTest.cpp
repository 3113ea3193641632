#include "platform/linux/NetworkManagerDialUpService.h"
#include "connection/DUNStuff.h"
#include "platform/FakeMachine.h"
#include "platform/NetworkManagerMock.h"
#include "platform/linux/MachineDialUpService.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <memory>

// The mock is a Python process on a bus of its own: on a loaded machine its answers can take longer
// than Qt's default five seconds.
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, 30000)

namespace {

const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
constexpr uint Activating = 1;
constexpr uint Activated = 2;

// What the tick would see: the names listed, whether one is established, or that nothing can be read.
QString Reading(DialUpService& service) {
    std::vector<DialUpConnection> connections;
    if (!service.EnumConnections(connections)) return QStringLiteral("unreadable");
    QStringList names;
    for (const DialUpConnection& connection : connections)
        names.append(QString::fromStdString(connection.EntryName));
    QString reading = names.join(QStringLiteral(", "));
    if (service.EstablishedFlag()) reading += QStringLiteral(" (established)");
    return reading;
}

} // namespace

class NetworkManagerDialUpServiceTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_mock = std::make_unique<NetworkManagerMock>(
            QString::fromStdString((m_folder->Path() / "mock.log").string()));
        QVERIFY(m_mock->Start());
        m_service = std::make_unique<NetworkManagerDialUpService>();
        QTRY_COMPARE(Reading(*m_service), QString());
    }

    void cleanup() {
        m_service.reset();
        m_mock.reset();
        m_folder.reset();
    }

    // Kinds that are not dial-up are neither listed nor established; every dial-up kind is both.
    void listsDialUpKindsOnly() {
        struct Kind {
            QString Id, Type, BluetoothType;
            uint DeviceType; // 0: no device
            QString IpInterface;
        };
        int devices = 0;
        const auto activate = [&](const Kind& kind) {
            const QString dev = QStringLiteral("dev%1").arg(++devices);
            QStringList paths;
            if (kind.DeviceType != 0) paths << m_mock->AddDevice(dev, kind.DeviceType, dev, kind.IpInterface);
            m_mock->SetActiveState(m_mock->AddDialUpConnection(kind.Id, kind.Type, kind.BluetoothType, paths),
                                   Activated);
        };
        for (const Kind& kind :
             {Kind{"bluetooth network access", "bluetooth", "panu", 0, ""},
              Kind{"wifi", "802-11-wireless", "", NetworkManagerMock::DeviceTypeWifi, "wlan0"}})
            activate(kind);
        m_mock->Settle();
        QCOMPARE(Reading(*m_service), QString());

        for (const Kind& kind :
             {Kind{"gsm", "gsm", "", 0, ""}, Kind{"cdma", "cdma", "", 0, ""},
              Kind{"pppoe", "pppoe", "", 0, ""}, Kind{"bluetooth dial-up", "bluetooth", "dun", 0, ""},
              Kind{"any type on a modem device", "generic", "", NetworkManagerMock::DeviceTypeModem,
                   "ttyUSB0"},
              Kind{"any type on a ppp interface", "802-3-ethernet", "",
                   NetworkManagerMock::DeviceTypeEthernet, "ppp0"}})
            activate(kind);
        QTRY_COMPARE(Reading(*m_service),
                     QStringLiteral("gsm, cdma, pppoe, bluetooth dial-up, any type on a modem device, "
                                    "any type on a ppp interface (established)"));
    }

    // The dial is seen from its first moment, the line once it is up; reading the mirror asks
    // NetworkManager nothing; HangUpAll deactivates every line, first listed first, and they go.
    void followsDialAndHangUpFromSignals() {
        const QString modem = m_mock->AddDevice(QStringLiteral("modem0"), NetworkManagerMock::DeviceTypeModem,
                                                QStringLiteral("ttyUSB0"), QStringLiteral("ttyUSB0"));
        const QString path =
            m_mock->AddDialUpConnection(QStringLiteral("Orvane Dial"), QStringLiteral("gsm"), {}, {modem});
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Dial"));

        QSignalSpy changed(m_service.get(), &NetworkManagerDialUpService::MirrorChanged);
        m_mock->SetActiveState(path, Activated);
        QVERIFY(changed.wait());
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Dial (established)"));
        const QString second = m_mock->AddDialUpConnection(QStringLiteral("Second"), QStringLiteral("cdma"));
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Dial, Second (established)"));

        const auto questions = [this] {
            return m_mock->LogLines(QStringLiteral("GetAll /org/freedesktop/NetworkManager/")).size() +
                   m_mock->LogLines(QStringLiteral(".ActiveConnections")).size();
        };
        const auto asked = questions();
        for (int tick = 0; tick < 100; ++tick)
            Reading(*m_service);
        m_mock->Settle();
        QCOMPARE(questions(), asked);

        HangUpAll(*m_service);
        QTRY_COMPARE(Reading(*m_service), QString());
        const QStringList calls = m_mock->LogLines(QStringLiteral("DeactivateConnection"));
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].contains(path));
        QVERIFY(calls[1].contains(second));
        QVERIFY(!m_service->HangUp(12345));
    }

    // A crash or restart of NetworkManager ends the call; the new one is followed from its start, also by
    // the machine's lines that began while NetworkManager was away.
    void followsNetworkManagerAwayAndBack() {
        const QString path =
            m_mock->AddDialUpConnection(QStringLiteral("Orvane Dial"), QStringLiteral("gsm"));
        m_mock->SetActiveState(path, Activated);
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Dial (established)"));

        m_mock->Kill();
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("unreadable"));
        const FakeMachine root(m_folder->Path() / "root");
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QCOMPARE(Reading(machine), QString());

        QVERIFY(m_mock->Start());
        QTRY_COMPARE(Reading(*m_service), QString());
        const QString again =
            m_mock->AddDialUpConnection(QStringLiteral("Orvane Again"), QStringLiteral("gsm"));
        m_mock->SetActiveState(again, Activated);
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Again (established)"));
        QTRY_COMPARE(Reading(machine), QStringLiteral("Orvane Again (established)"));
    }

    // The machine's lines: a pppd that NetworkManager runs for its connection is that connection, found
    // by interface or parentage, never by name, and hung up through NetworkManager; a pppd of its own is
    // a line of its own, ended by SIGTERM.
    void machineListsEachLineOnce_data() {
        QTest::addColumn<QString>("deviceInterface"); // the modem device's IpInterface
        QTest::addColumn<uint>("state");
        QTest::addColumn<QString>("pppd");
        QTest::addColumn<QString>("pidFile");
        QTest::addColumn<bool>("childOfManager");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<bool>("pppdEnded");

        QTest::newRow("pppd of its own beside a modem connection")
            << "ppp0" << Activated << "pppd call provider"
            << "ppp1.pid" << false << "Orvane Mobile, provider (established)" << true;
        QTest::newRow("manager's pppd on the connection's ppp unit")
            << "ppp0" << Activated << "pppd call Orvane"
            << "ppp0.pid" << false << "Orvane Mobile (established)" << false;
        QTest::newRow("manager's pppd dialling on the connection's tty")
            << "ttyUSB0" << Activating << "pppd /dev/ttyUSB0 115200"
            << "" << false << "Orvane Mobile" << false;
        QTest::newRow("manager's child on a tty the device doesn't name")
            << "ttyUSB3" << Activating << "pppd /dev/ttyACM0 plugin nm-pppd-plugin.so"
            << "" << true << "Orvane Mobile" << false;
    }

    void machineListsEachLineOnce() {
        QFETCH(QString, deviceInterface);
        QFETCH(uint, state);
        QFETCH(QString, pppd);
        QFETCH(QString, pidFile);
        QFETCH(bool, childOfManager);
        QFETCH(QString, listed);
        QFETCH(bool, pppdEnded);

        StandInPppd process;
        QVERIFY(process.Pid() > 0);
        const FakeMachine root(m_folder->Path() / "root");
        root.Process(process.Pid(), pppd.toStdString(), "pppd", childOfManager ? m_mock->ProcessId() : 1)
            .Interface("ppp0", UpAndRunning)
            .Interface("ppp1", UpAndRunning);
        if (!pidFile.isEmpty()) root.PidFile(pidFile.toStdString(), std::to_string(process.Pid()) + "\n");

        const QString modem = m_mock->AddDevice(QStringLiteral("modem0"), NetworkManagerMock::DeviceTypeModem,
                                                QStringLiteral("cdc-wdm0"), deviceInterface);
        m_mock->SetActiveState(
            m_mock->AddDialUpConnection(QStringLiteral("Orvane Mobile"), QStringLiteral("gsm"), {}, {modem}),
            state);
        MachineDialUpService machine(QDBusConnection::systemBus(), root.Root());
        QTRY_COMPARE(Reading(machine), listed);

        HangUpAll(machine);
        QTRY_COMPARE(m_mock->LogLines(QStringLiteral("DeactivateConnection")).size(), 1);
        if (pppdEnded)
            QCOMPARE(process.EndSignal(), SIGTERM);
        else
            QCOMPARE(::kill(process.Pid(), 0), 0);
    }

    void unexpectedTypesReadAsNotConnected_data() {
        QTest::addColumn<bool>("onManager");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("broken");

        QTest::newRow("state as text") << false << "State" << QVariant(QStringLiteral("activated")) << "";
        QTest::newRow("name as number") << false << "Id" << QVariant(42) << "";
        QTest::newRow("active connections as text")
            << true << "ActiveConnections" << QVariant(QStringList{QStringLiteral("/x")}) << "unreadable";
    }

    void unexpectedTypesReadAsNotConnected() {
        QFETCH(bool, onManager);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(QString, broken);

        const QString path =
            m_mock->AddDialUpConnection(QStringLiteral("Orvane Dial"), QStringLiteral("gsm"));
        m_mock->SetActiveState(path, Activated);
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Orvane Dial (established)"));

        if (onManager) {
            m_mock->UpdateProperties(QStringLiteral("/org/freedesktop/NetworkManager"),
                                     QStringLiteral("org.freedesktop.NetworkManager"), {{property, value}});
        } else {
            m_mock->UpdateProperties(path, ActiveInterface, {{property, value}});
        }
        QTRY_COMPARE(Reading(*m_service), broken);

        const QString second = m_mock->AddDialUpConnection(QStringLiteral("Second"), QStringLiteral("gsm"));
        m_mock->SetActiveState(second, Activated);
        QTRY_COMPARE(Reading(*m_service), QStringLiteral("Second (established)"));
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
