#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariant>

// A dbus-daemon of this program's own in the system bus's place; only its address tells them apart. Make
// it before the first use of QDBusConnection::systemBus(): it sets DBUS_SYSTEM_BUS_ADDRESS for this
// process and its children. It ends with the program, also when the program is killed.
class PrivateSystemBus {
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    // Whether it started; if not, says so on stderr.
    bool StartedOrSaySo() const;

private:
    QProcess m_daemon;
};

// NetworkManager played by networkmanager_standin.py on the system bus; it ends with the program.
class NetworkManagerStandIn {
public:
    static constexpr uint Activating = 1;
    static constexpr uint Activated = 2;
    static constexpr uint DeviceTypeEthernet = 1;
    static constexpr uint DeviceTypeWifi = 2;
    static constexpr uint DeviceTypeModem = 8;
    static constexpr uint DeviceTypePpp = 23;

    // Every call it is made is logged to `log`.
    explicit NetworkManagerStandIn(QString log);
    ~NetworkManagerStandIn();

    // Starts it once the previous one has left the bus, and waits by the bus's own signal until it owns
    // its name; false on timeout.
    bool Start();
    // Ends it at once, as a crash would.
    void Kill();
    qint64 ProcessId() const { return m_process.processId(); }

    QString AddDevice(const QString& name, const QString& ipInterface, uint type = DeviceTypeModem);
    // An active connection that starts activating and goes to `state`; bluetoothType only for type
    // "bluetooth".
    QString Dial(const QString& id, const QString& type = "gsm", uint state = Activated,
                 const QStringList& devices = {}, const QString& bluetoothType = {});
    void SetState(const QString& activePath, uint state);
    // The device's statistics now show these bytes received and sent.
    void SetTraffic(const QString& devicePath, quint64 received, quint64 sent);
    // How often the device's statistics are refreshed, in ms, as clients last set it; 0 for never.
    uint RefreshRate(const QString& devicePath);
    void SetRefreshRate(const QString& devicePath, uint milliseconds);
    // A method of an object of NetworkManager's; its first answer.
    QVariant Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args);
    // The lines of its log that contain the text.
    QStringList LogLines(const QString& containing) const;

private:
    QString m_log;
    QProcess m_process;
};
