#pragma once

#include "connection/DialUpService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QDBusPendingCall;
class QDBusServiceWatcher;
class NmPropertiesProxy;
class NmActiveConnectionProxy;

// Dial-up and modem connections that NetworkManager runs, read from a local mirror of its active
// connections. NetworkManager's signals keep the mirror current through the Qt event loop, so the
// reads cost no round trip on the bus. Handles are the mirror's own and stay with an active connection
// while NetworkManager keeps it.
class NetworkManagerDialUpService final : public QObject, public DialUpService {
    Q_OBJECT
public:
    explicit NetworkManagerDialUpService(const QDBusConnection& bus = QDBusConnection::systemBus(),
                                         QObject* parent = nullptr);
    ~NetworkManagerDialUpService() override;

    // True while a listed connection is activated.
    bool EstablishedFlag() override;
    // Activating and activated dial-up connections in NetworkManager's order; false while
    // NetworkManager is away or its list could not be read.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Asks NetworkManager to deactivate the connection and does not wait for the answer.
    bool HangUp(std::uint64_t handle) override;
    // The statistics of a listed connection's device as the mirror last heard them; false until
    // NetworkManager has given them.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

    // A listed connection runs on a device with this interface (a modem's tty, a ppp unit).
    bool ListsInterface(std::string_view name) const;
    // NetworkManager's process, 0 while it is away or not known yet.
    uint ProcessId() const { return m_processId; }

signals:
    // The mirror took in something NetworkManager said.
    void MirrorChanged();

private:
    struct ActiveConnection;
    struct Device {
        bool Known = false;
        bool Dialling = false; // a modem or ppp device, or one that runs on a ppp interface
        uint Type = 0;
        std::string Interface;
        std::string IpInterface;
        std::unique_ptr<NmPropertiesProxy> Properties;
        // Its statistics as last heard; empty until heard, or when of an unexpected type.
        std::optional<std::uint64_t> Received, Sent;
        std::optional<uint> RefreshRate; // in ms; 0 while nobody asked for the counters to be refreshed
        bool RefreshRateOurs = false;    // asked by us, for a listed connection on the device
    };

    void OnOwnerChanged(const QString& newOwner);
    void Resync();
    void Clear();
    void OnManagerPropertiesChanged(const QString& interface, const QVariantMap& changed);
    void ApplyActivePaths(const QList<QDBusObjectPath>& paths);
    void ApplyActiveProperties(const QString& path, const QVariantMap& properties);
    void ApplyState(const QString& path, std::optional<uint> state);
    // Asks without waiting; the answer is dropped when NetworkManager has changed hands meanwhile.
    void Ask(const QDBusMessage& message, std::function<void(const QDBusPendingCall&)> onAnswer);
    // The properties of one interface of the object, when NetworkManager gives them.
    void AskAll(const QString& path, const QString& interface,
                std::function<void(const QVariantMap&)> onProperties);
    void FetchActive(const QString& path);
    void FetchDevice(const QString& path);
    void ApplyDeviceProperties(const QString& path, const QVariantMap& properties);
    void ApplyStatistics(const QString& path, const QVariantMap& properties);
    // NetworkManager refreshes the counters of a listed connection's device only while somebody asked
    // for a refresh rate: asked while it is listed, given back to none after.
    void KeepStatisticsRefreshed();
    QDBusMessage RefreshRateCall(const QString& path, uint milliseconds) const;
    void FetchBluetoothType(const QString& activePath, const QString& settingsPath);
    ActiveConnection* FindActive(const QString& path) const;
    bool IsDialUp(const ActiveConnection& active) const;
    bool IsListed(const ActiveConnection& active) const;

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_watcher = nullptr;
    std::unique_ptr<NmPropertiesProxy> m_managerProperties;
    bool m_readable = false; // the mirror holds a list read from the present NetworkManager
    uint m_processId = 0;
    std::uint64_t m_generation = 0; // answers to questions asked of an earlier owner are dropped
    std::vector<std::unique_ptr<ActiveConnection>> m_active; // in NetworkManager's order
    std::map<QString, Device> m_devices;
    std::uint64_t m_nextHandle = 1;
};
