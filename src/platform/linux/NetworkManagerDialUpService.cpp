#include "platform/linux/NetworkManagerDialUpService.h"

#include <QDBusAbstractInterface>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>

namespace {

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString StatisticsInterface = QStringLiteral("org.freedesktop.NetworkManager.Device.Statistics");
const QString SettingsConnectionInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

constexpr uint StateActivating = 1;
constexpr uint StateActivated = 2;
constexpr uint DeviceTypeModem = 8;
constexpr uint DeviceTypePpp = 23;
// Often enough for a figure that moves each second, rare enough to cost NetworkManager nothing.
constexpr uint StatisticsRefreshMs = 1000;

// Values are taken only with the type NetworkManager documents; anything else counts as unreadable.
std::optional<QString> ToString(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QString>()) return std::nullopt;
    return value.toString();
}

std::optional<uint> ToUInt(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<uint>()) return std::nullopt;
    return value.toUInt();
}

std::optional<std::uint64_t> ToUInt64(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<qulonglong>()) return std::nullopt;
    return value.toULongLong();
}

std::optional<QDBusObjectPath> ToPath(const QVariant& value) {
    if (value.metaType() != QMetaType::fromType<QDBusObjectPath>()) return std::nullopt;
    return value.value<QDBusObjectPath>();
}

std::optional<QList<QDBusObjectPath>> ToPathList(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("ao")) return std::nullopt;
        return qdbus_cast<QList<QDBusObjectPath>>(argument);
    }
    if (value.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>())
        return value.value<QList<QDBusObjectPath>>();
    return std::nullopt;
}

QDBusMessage PropertiesCall(const QString& path, const QString& method, const QString& interface) {
    auto message = QDBusMessage::createMethodCall(Service, path, PropertiesInterface, method);
    message << interface;
    return message;
}

} // namespace

// Type-checked signals of NetworkManager's objects; the abstract interface matches them by name.
class NmPropertiesProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    NmPropertiesProxy(const QString& path, const QDBusConnection& bus)
        : QDBusAbstractInterface(Service, path, PropertiesInterface.toLatin1().constData(), bus, nullptr) {}
signals:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
};

class NmActiveConnectionProxy : public QDBusAbstractInterface {
    Q_OBJECT
public:
    NmActiveConnectionProxy(const QString& path, const QDBusConnection& bus)
        : QDBusAbstractInterface(Service, path, ActiveInterface.toLatin1().constData(), bus, nullptr) {}
signals:
    void StateChanged(uint state, uint reason);
};

struct NetworkManagerDialUpService::ActiveConnection {
    QString Path;
    std::uint64_t Handle = 0;
    std::optional<QString> Id;
    std::optional<QString> Type;
    std::optional<uint> State;
    QList<QDBusObjectPath> Devices;
    QString SettingsPath;
    bool BluetoothAsked = false;
    bool BluetoothDialUp = false;
    std::unique_ptr<NmPropertiesProxy> Properties;
    std::unique_ptr<NmActiveConnectionProxy> Signals;
};

NetworkManagerDialUpService::NetworkManagerDialUpService(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    connect(this, &NetworkManagerDialUpService::MirrorChanged, this, [this] { KeepStatisticsRefreshed(); });
    m_watcher = new QDBusServiceWatcher(Service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { OnOwnerChanged(newOwner); });

    m_managerProperties = std::make_unique<NmPropertiesProxy>(ManagerPath, m_bus);
    connect(m_managerProperties.get(), &NmPropertiesProxy::PropertiesChanged, this,
            [this](const QString& interface, const QVariantMap& changed, const QStringList&) {
                OnManagerPropertiesChanged(interface, changed);
            });
    Resync();
}

NetworkManagerDialUpService::~NetworkManagerDialUpService() {
    // Given back while NetworkManager can still hear it; it answers at once.
    for (const auto& [path, device] : m_devices)
        if (device.RefreshRateOurs) m_bus.call(RefreshRateCall(path, 0), QDBus::Block, 2000);
}

void NetworkManagerDialUpService::OnOwnerChanged(const QString& newOwner) {
    // A restarted NetworkManager numbers its objects anew: nothing of the old mirror carries over.
    Clear();
    if (!newOwner.isEmpty()) Resync();
    emit MirrorChanged();
}

void NetworkManagerDialUpService::Clear() {
    ++m_generation;
    m_readable = false;
    m_processId = 0;
    m_active.clear();
    m_devices.clear();
}

void NetworkManagerDialUpService::Resync() {
    Clear();
    // The pppd that NetworkManager starts is its child.
    auto owner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    owner << Service;
    Ask(owner, [this](const QDBusPendingCall& call) {
        const QDBusPendingReply<uint> reply = call;
        if (reply.isError()) return;
        m_processId = reply.value();
        emit MirrorChanged();
    });
    auto message = PropertiesCall(ManagerPath, QStringLiteral("Get"), ManagerInterface);
    message << QStringLiteral("ActiveConnections");
    Ask(message, [this](const QDBusPendingCall& call) {
        const QDBusPendingReply<QDBusVariant> reply = call;
        if (reply.isError()) return;
        const auto paths = ToPathList(reply.value().variant());
        if (!paths) return;
        m_readable = true;
        ApplyActivePaths(*paths);
    });
}

void NetworkManagerDialUpService::Ask(const QDBusMessage& message,
                                      std::function<void(const QDBusPendingCall&)> onAnswer) {
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation, onAnswer = std::move(onAnswer)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (generation == m_generation) onAnswer(*call);
            });
}

void NetworkManagerDialUpService::AskAll(const QString& path, const QString& interface,
                                         std::function<void(const QVariantMap&)> onProperties) {
    Ask(PropertiesCall(path, QStringLiteral("GetAll"), interface),
        [onProperties = std::move(onProperties)](const QDBusPendingCall& call) {
            const QDBusPendingReply<QVariantMap> reply = call;
            if (!reply.isError()) onProperties(reply.value());
        });
}

void NetworkManagerDialUpService::OnManagerPropertiesChanged(const QString& interface,
                                                             const QVariantMap& changed) {
    if (interface != ManagerInterface) return;
    const auto found = changed.find(QStringLiteral("ActiveConnections"));
    if (found == changed.end()) return;
    const auto paths = ToPathList(*found);
    if (!paths) {
        Clear();
        emit MirrorChanged();
        return;
    }
    m_readable = true;
    ApplyActivePaths(*paths);
}

void NetworkManagerDialUpService::ApplyActivePaths(const QList<QDBusObjectPath>& paths) {
    std::vector<std::unique_ptr<ActiveConnection>> next;
    for (const QDBusObjectPath& objectPath : paths) {
        const QString path = objectPath.path();
        if (std::any_of(next.begin(), next.end(), [&](const auto& active) { return active->Path == path; }))
            continue;
        const auto known = std::find_if(m_active.begin(), m_active.end(),
                                        [&](const auto& active) { return active && active->Path == path; });
        if (known != m_active.end()) {
            next.push_back(std::move(*known));
            continue;
        }

        auto active = std::make_unique<ActiveConnection>();
        active->Path = path;
        active->Handle = m_nextHandle++;
        // Subscribed before the first read so that no change falls between the two.
        active->Properties = std::make_unique<NmPropertiesProxy>(path, m_bus);
        connect(active->Properties.get(), &NmPropertiesProxy::PropertiesChanged, this,
                [this, path](const QString& interface, const QVariantMap& changed, const QStringList&) {
                    if (interface == ActiveInterface) ApplyActiveProperties(path, changed);
                });
        active->Signals = std::make_unique<NmActiveConnectionProxy>(path, m_bus);
        connect(active->Signals.get(), &NmActiveConnectionProxy::StateChanged, this,
                [this, path](uint state, uint) { ApplyState(path, state); });
        next.push_back(std::move(active));
        FetchActive(path);
    }
    m_active = std::move(next);
    emit MirrorChanged();
}

void NetworkManagerDialUpService::FetchActive(const QString& path) {
    AskAll(path, ActiveInterface,
           [this, path](const QVariantMap& properties) { ApplyActiveProperties(path, properties); });
}

void NetworkManagerDialUpService::ApplyActiveProperties(const QString& path, const QVariantMap& properties) {
    ActiveConnection* active = FindActive(path);
    if (!active) return;
    for (auto property = properties.begin(); property != properties.end(); ++property) {
        const QString& name = property.key();
        if (name == QLatin1String("Id")) {
            active->Id = ToString(*property);
        } else if (name == QLatin1String("Type")) {
            active->Type = ToString(*property);
        } else if (name == QLatin1String("Devices")) {
            active->Devices = ToPathList(*property).value_or(QList<QDBusObjectPath>{});
            for (const QDBusObjectPath& device : active->Devices)
                FetchDevice(device.path());
        } else if (name == QLatin1String("Connection")) {
            const auto settings = ToPath(*property);
            active->SettingsPath = settings ? settings->path() : QString();
        }
    }
    if (active->Type == QStringLiteral("bluetooth") && !active->SettingsPath.isEmpty() &&
        !active->BluetoothAsked) {
        active->BluetoothAsked = true;
        FetchBluetoothType(path, active->SettingsPath);
    }
    const auto state = properties.find(QStringLiteral("State"));
    if (state != properties.end())
        ApplyState(path, ToUInt(*state));
    else
        emit MirrorChanged();
}

void NetworkManagerDialUpService::ApplyState(const QString& path, std::optional<uint> state) {
    ActiveConnection* active = FindActive(path);
    if (!active) return;
    active->State = state;
    // A device's interface turns to ppp only once the line is up; look again then.
    if (state == StateActivated && !IsDialUp(*active)) {
        for (const QDBusObjectPath& device : active->Devices) {
            m_devices.erase(device.path());
            FetchDevice(device.path());
        }
    }
    emit MirrorChanged();
}

void NetworkManagerDialUpService::FetchDevice(const QString& path) {
    if (path.isEmpty() || path == QLatin1String("/") || m_devices.count(path)) return;
    Device& device = m_devices[path];
    // The interfaces change as the line comes up (a modem's tty, then its ppp unit).
    device.Properties = std::make_unique<NmPropertiesProxy>(path, m_bus);
    connect(device.Properties.get(), &NmPropertiesProxy::PropertiesChanged, this,
            [this, path](const QString& interface, const QVariantMap& changed, const QStringList&) {
                if (interface == DeviceInterface) ApplyDeviceProperties(path, changed);
                if (interface == StatisticsInterface) ApplyStatistics(path, changed);
            });
    AskAll(path, DeviceInterface,
           [this, path](const QVariantMap& properties) { ApplyDeviceProperties(path, properties); });
    AskAll(path, StatisticsInterface,
           [this, path](const QVariantMap& properties) { ApplyStatistics(path, properties); });
}

void NetworkManagerDialUpService::ApplyStatistics(const QString& path, const QVariantMap& properties) {
    const auto found = m_devices.find(path);
    if (found == m_devices.end()) return;
    Device& device = found->second;
    const auto take = [&](const char* name, std::optional<std::uint64_t>& value) {
        const auto property = properties.find(QLatin1String(name));
        if (property != properties.end()) value = ToUInt64(*property);
    };
    take("RxBytes", device.Received);
    take("TxBytes", device.Sent);
    // Counters change every second during a call and concern no listing: no MirrorChanged for them.
    const auto rate = properties.find(QStringLiteral("RefreshRateMs"));
    if (rate != properties.end()) {
        device.RefreshRate = ToUInt(*rate);
        KeepStatisticsRefreshed();
    }
}

QDBusMessage NetworkManagerDialUpService::RefreshRateCall(const QString& path, uint milliseconds) const {
    auto message = PropertiesCall(path, QStringLiteral("Set"), StatisticsInterface);
    message << QStringLiteral("RefreshRateMs") << QVariant::fromValue(QDBusVariant(milliseconds));
    return message;
}

void NetworkManagerDialUpService::KeepStatisticsRefreshed() {
    for (auto& [path, device] : m_devices) {
        const bool listed =
            std::any_of(m_active.begin(), m_active.end(), [&, &devicePath = path](const auto& active) {
                return IsListed(*active) &&
                       std::any_of(active->Devices.begin(), active->Devices.end(),
                                   [&](const QDBusObjectPath& used) { return used.path() == devicePath; });
            });
        // A rate somebody else asked for is theirs: left as it is, and it serves us too.
        if (listed && !device.RefreshRateOurs && device.RefreshRate == 0u) {
            device.RefreshRateOurs = true;
            m_bus.send(RefreshRateCall(path, StatisticsRefreshMs));
        } else if (!listed && device.RefreshRateOurs) {
            device.RefreshRateOurs = false;
            m_bus.send(RefreshRateCall(path, 0));
        }
    }
}

void NetworkManagerDialUpService::ApplyDeviceProperties(const QString& path, const QVariantMap& properties) {
    const auto found = m_devices.find(path);
    if (found == m_devices.end()) return;
    Device& device = found->second;
    const auto take = [&](const char* name, std::string& value) {
        const auto property = properties.find(QLatin1String(name));
        if (property != properties.end()) value = ToString(*property).value_or(QString()).toStdString();
    };
    take("IpInterface", device.IpInterface);
    take("Interface", device.Interface);
    const auto type = properties.find(QStringLiteral("DeviceType"));
    if (type != properties.end()) device.Type = ToUInt(*type).value_or(0);
    const auto isPpp = [](const std::string& name) { return name.rfind("ppp", 0) == 0; };
    device.Known = true;
    device.Dialling = device.Type == DeviceTypeModem || device.Type == DeviceTypePpp ||
                      isPpp(device.IpInterface) || isPpp(device.Interface);
    emit MirrorChanged();
}

void NetworkManagerDialUpService::FetchBluetoothType(const QString& activePath, const QString& settingsPath) {
    const auto message = QDBusMessage::createMethodCall(Service, settingsPath, SettingsConnectionInterface,
                                                        QStringLiteral("GetSettings"));
    Ask(message, [this, activePath](const QDBusPendingCall& call) {
        const QDBusMessage reply = call.reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sa{sv}}"))
            return;
        const auto settings =
            qdbus_cast<QMap<QString, QVariantMap>>(reply.arguments().value(0).value<QDBusArgument>());
        ActiveConnection* active = FindActive(activePath);
        if (!active) return;
        // Bluetooth carries both dial-up ("dun") and network access ("panu"); only the first dials.
        active->BluetoothDialUp =
            ToString(settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type"))) ==
            QStringLiteral("dun");
        emit MirrorChanged();
    });
}

NetworkManagerDialUpService::ActiveConnection*
NetworkManagerDialUpService::FindActive(const QString& path) const {
    const auto found = std::find_if(m_active.begin(), m_active.end(),
                                    [&](const auto& active) { return active->Path == path; });
    return found == m_active.end() ? nullptr : found->get();
}

bool NetworkManagerDialUpService::IsDialUp(const ActiveConnection& active) const {
    if (!active.Type) return false;
    const QString& type = *active.Type;
    if (type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe"))
        return true;
    if (type == QLatin1String("bluetooth") && active.BluetoothDialUp) return true;
    return std::any_of(active.Devices.begin(), active.Devices.end(), [&](const QDBusObjectPath& path) {
        const auto device = m_devices.find(path.path());
        return device != m_devices.end() && device->second.Dialling;
    });
}

bool NetworkManagerDialUpService::IsListed(const ActiveConnection& active) const {
    return active.Id && (active.State == StateActivating || active.State == StateActivated) &&
           IsDialUp(active);
}

bool NetworkManagerDialUpService::EstablishedFlag() {
    return m_readable && std::any_of(m_active.begin(), m_active.end(), [&](const auto& active) {
               return active->State == StateActivated && IsListed(*active);
           });
}

bool NetworkManagerDialUpService::ListsInterface(std::string_view name) const {
    if (name.empty()) return false;
    for (const auto& active : m_active) {
        if (!IsListed(*active)) continue;
        for (const QDBusObjectPath& path : active->Devices) {
            const auto device = m_devices.find(path.path());
            if (device != m_devices.end() &&
                (device->second.Interface == name || device->second.IpInterface == name))
                return true;
        }
    }
    return false;
}

bool NetworkManagerDialUpService::EnumConnections(std::vector<DialUpConnection>& connections) {
    if (!m_readable) return false;
    for (const auto& active : m_active)
        if (IsListed(*active)) connections.push_back({active->Handle, active->Id->toStdString()});
    return true;
}

bool NetworkManagerDialUpService::ReadTraffic(std::uint64_t handle, LineTraffic& counters) {
    if (!m_readable) return false;
    const auto found = std::find_if(m_active.begin(), m_active.end(),
                                    [&](const auto& active) { return active->Handle == handle; });
    if (found == m_active.end() || !IsListed(**found)) return false;
    for (const QDBusObjectPath& path : (*found)->Devices) {
        const auto device = m_devices.find(path.path());
        if (device == m_devices.end() || !device->second.Received || !device->second.Sent) continue;
        counters = {*device->second.Received, *device->second.Sent};
        return true;
    }
    return false;
}

bool NetworkManagerDialUpService::HangUp(std::uint64_t handle) {
    const auto found = std::find_if(m_active.begin(), m_active.end(),
                                    [&](const auto& active) { return active->Handle == handle; });
    if (found == m_active.end()) return false;
    auto message = QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface,
                                                  QStringLiteral("DeactivateConnection"));
    message << QVariant::fromValue(QDBusObjectPath((*found)->Path));
    // Sent without waiting for the answer: the mirror sees the line go down through the signals.
    return m_bus.send(message);
}

#include "NetworkManagerDialUpService.moc"
