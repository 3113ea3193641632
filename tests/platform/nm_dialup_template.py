# NetworkManager as far as dial-up lines go, for python-dbusmock: the manager with its active connections
# and devices; active connections go through activating (1), activated (2), deactivating (3) and
# deactivated (4) with StateChanged and PropertiesChanged, each backed by a settings connection whose
# GetSettings tells its type. DeactivateConnection passes through deactivating and removes the
# connection a moment later.

import dbus
from gi.repository import GLib

import dbusmock
from dbusmock import MOCK_IFACE

BUS_NAME = 'org.freedesktop.NetworkManager'
MAIN_OBJ = '/org/freedesktop/NetworkManager'
MAIN_IFACE = 'org.freedesktop.NetworkManager'
SYSTEM_BUS = True

ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'
DEVICE_IFACE = 'org.freedesktop.NetworkManager.Device'
SETTINGS_CONNECTION_IFACE = 'org.freedesktop.NetworkManager.Settings.Connection'

DEACTIVATING = 3
DEACTIVATED = 4
REASON_NONE = 1
REASON_USER_DISCONNECTED = 2

# How long a deactivating connection lingers before it is gone, as on a real line.
DEACTIVATE_DELAY_MS = 20


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({
        'ActiveConnections': dbus.Array([], signature='o'),
        'Devices': dbus.Array([], signature='o'),
        'Version': '1.42.4',
    }, signature='sv'))
    mock.dialup_counter = 0


def _append(mock, name, path):
    paths = list(mock.Get(MAIN_IFACE, name)) + [dbus.ObjectPath(path)]
    mock.UpdateProperties(MAIN_IFACE, {name: dbus.Array(paths, signature='o')})


@dbus.service.method(MOCK_IFACE, in_signature='suss', out_signature='o')
def AddDevice(self, name, device_type, interface, ip_interface):
    # DeviceType 8 is a modem.
    path = f'/org/freedesktop/NetworkManager/Devices/{name}'
    self.AddObject(path, DEVICE_IFACE, {
        'DeviceType': dbus.UInt32(device_type),
        'Interface': dbus.String(interface),
        'IpInterface': dbus.String(ip_interface),
        'State': dbus.UInt32(30),
    }, [])
    _append(self, 'Devices', path)
    return path


@dbus.service.method(MOCK_IFACE, in_signature='sssao', out_signature='o')
def AddDialUpConnection(self, connection_id, connection_type, bluetooth_type, devices):
    # Starts activating a connection; bluetooth_type ("dun" or "panu") only for type "bluetooth".
    self.dialup_counter += 1
    number = self.dialup_counter
    settings_path = f'/org/freedesktop/NetworkManager/Settings/{number}'
    active_path = f'/org/freedesktop/NetworkManager/ActiveConnection/{number}'

    settings = {'connection': {'id': connection_id, 'type': connection_type}}
    if connection_type == 'bluetooth':
        settings['bluetooth'] = {'type': bluetooth_type}
    code = ('ret = dbus.Dictionary({k: dbus.Dictionary(v, signature="sv") for k, v in '
            + repr(settings) + '.items()}, signature="sa{sv}")')
    self.AddObject(settings_path, SETTINGS_CONNECTION_IFACE, {}, [('GetSettings', '', 'a{sa{sv}}', code)])

    self.AddObject(active_path, ACTIVE_IFACE, {
        'Id': dbus.String(connection_id),
        'Type': dbus.String(connection_type),
        'State': dbus.UInt32(1),
        'Devices': dbus.Array(devices, signature='o'),
        'Connection': dbus.ObjectPath(settings_path),
    }, [])
    _append(self, 'ActiveConnections', active_path)
    return active_path


@dbus.service.method(MOCK_IFACE, in_signature='ou', out_signature='')
def SetActiveState(self, active_path, state):
    # Deactivated (4) also takes it off the list.
    _set_state(self, active_path, state, REASON_NONE)


def _set_state(mock, active_path, state, reason):
    active = dbusmock.get_object(active_path)
    active.EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu', [dbus.UInt32(state), dbus.UInt32(reason)])
    active.UpdateProperties(ACTIVE_IFACE, {'State': dbus.UInt32(state)})
    if state == DEACTIVATED:
        paths = [p for p in mock.Get(MAIN_IFACE, 'ActiveConnections') if p != active_path]
        mock.UpdateProperties(MAIN_IFACE, {'ActiveConnections': dbus.Array(paths, signature='o')})
        mock.RemoveObject(active_path)


@dbus.service.method(MAIN_IFACE, in_signature='o', out_signature='')
def DeactivateConnection(self, active_path):
    if active_path not in self.Get(MAIN_IFACE, 'ActiveConnections'):
        raise dbus.exceptions.DBusException(f'{active_path} is not active',
                                            name='org.freedesktop.NetworkManager.ConnectionNotActive')
    _set_state(self, active_path, DEACTIVATING, REASON_USER_DISCONNECTED)

    def finish():
        if active_path in self.Get(MAIN_IFACE, 'ActiveConnections'):
            _set_state(self, active_path, DEACTIVATED, REASON_USER_DISCONNECTED)
        return False

    GLib.timeout_add(DEACTIVATE_DELAY_MS, finish)
