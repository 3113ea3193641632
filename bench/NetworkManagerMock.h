#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <sys/types.h>

// A dbus-daemon of the benchmark's own that stands in for the system bus. It must exist before the first
// use of QDBusConnection::systemBus(): it sets DBUS_SYSTEM_BUS_ADDRESS for this process and its
// children.
class PrivateSystemBus {
public:
    PrivateSystemBus();
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Whether it started; if not, says so on stderr for the program that needed the bus.
    bool StartedOrSaySo() const;

private:
    pid_t m_pid = -1;
};

// NetworkManager played by python-dbusmock with our dial-up template, on the private system bus.
class NetworkManagerMock {
public:
    static constexpr uint DeviceTypeWifi = 2;
    static constexpr uint DeviceTypeModem = 8;

    explicit NetworkManagerMock(QString logFile);
    ~NetworkManagerMock();
    NetworkManagerMock(const NetworkManagerMock&) = delete;
    NetworkManagerMock& operator=(const NetworkManagerMock&) = delete;

    // Starts the mock and waits, by the bus's own signal, until it owns its name; false on timeout.
    bool Start();
    // Ends it at once, as a crash would.
    void Kill();

    QString AddDevice(const QString& name, uint deviceType, const QString& interface,
                      const QString& ipInterface);
    // Returns the active connection's path; it starts activating.
    QString AddDialUpConnection(const QString& id, const QString& type, const QString& bluetoothType = {},
                                const QStringList& devices = {});
    void SetActiveState(const QString& activePath, uint state);

private:
    QVariant Call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args);

    QString m_logFile;
    QProcess m_process;
};
