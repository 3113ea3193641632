# NetworkManager as far as dial-up lines go, for python-dbusmock: the manager with its active connections
# and devices; active connections go through activating (1), activated (2), deactivating (3) and
# deactivated (4) with StateChanged and PropertiesChanged, each backed by a settings connection whose
# GetSettings tells its type. DeactivateConnection passes through deactivating and removes the
# connection a moment later, as on a real line.

import dbus
import dbusmock
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.NetworkManager'
MAIN_OBJ = '/org/freedesktop/NetworkManager'
MAIN_IFACE = 'org.freedesktop.NetworkManager'
SYSTEM_BUS = True
ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'


def load(mock, _parameters):
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({
        'ActiveConnections': dbus.Array([], signature='o'),
        'Devices': dbus.Array([], signature='o'),
        'Version': '1.42.4',
    }, signature='sv'))
    mock.dialup_counter = 0


def _set_list(mock, name, paths):
    mock.UpdateProperties(MAIN_IFACE, {name: dbus.Array(paths, signature='o')})


@dbus.service.method(dbusmock.MOCK_IFACE, in_signature='suss', out_signature='o')
def AddDevice(self, name, device_type, interface, ip_interface):
    path = f'{MAIN_OBJ}/Devices/{name}'
    self.AddObject(path, 'org.freedesktop.NetworkManager.Device', {
        'DeviceType': dbus.UInt32(device_type),
        'Interface': dbus.String(interface),
        'IpInterface': dbus.String(ip_interface),
    }, [])
    _set_list(self, 'Devices', list(self.Get(MAIN_IFACE, 'Devices')) + [path])
    return path


@dbus.service.method(dbusmock.MOCK_IFACE, in_signature='sssao', out_signature='o')
def AddDialUpConnection(self, connection_id, connection_type, bluetooth_type, devices):
    # Starts activating a connection; bluetooth_type ("dun" or "panu") only for type "bluetooth".
    self.dialup_counter += 1
    settings_path = f'{MAIN_OBJ}/Settings/{self.dialup_counter}'
    active_path = f'{MAIN_OBJ}/ActiveConnection/{self.dialup_counter}'
    settings = {'connection': {'id': connection_id, 'type': connection_type}}
    if connection_type == 'bluetooth':
        settings['bluetooth'] = {'type': bluetooth_type}
    code = f'ret = dbus.Dictionary({{k: dbus.Dictionary(v, signature="sv") for k, v in {settings!r}.items()}})'
    self.AddObject(settings_path, 'org.freedesktop.NetworkManager.Settings.Connection', {},
                   [('GetSettings', '', 'a{sa{sv}}', code)])
    self.AddObject(active_path, ACTIVE_IFACE, {
        'Id': dbus.String(connection_id),
        'Type': dbus.String(connection_type),
        'State': dbus.UInt32(1),
        'Devices': dbus.Array(devices, signature='o'),
        'Connection': dbus.ObjectPath(settings_path),
    }, [])
    _set_list(self, 'ActiveConnections', list(self.Get(MAIN_IFACE, 'ActiveConnections')) + [active_path])
    return active_path


@dbus.service.method(dbusmock.MOCK_IFACE, in_signature='ou', out_signature='')
def SetActiveState(self, active_path, state):
    _set_state(self, active_path, state, 1)


def _set_state(self, active_path, state, reason):
    # Deactivated (4) also takes it off the list.
    active = dbusmock.get_object(active_path)
    active.EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu', [dbus.UInt32(state), dbus.UInt32(reason)])
    active.UpdateProperties(ACTIVE_IFACE, {'State': dbus.UInt32(state)})
    if state == 4:
        _set_list(self, 'ActiveConnections', [p for p in self.Get(MAIN_IFACE, 'ActiveConnections') if p != active_path])
        self.RemoveObject(active_path)


@dbus.service.method(MAIN_IFACE, in_signature='o', out_signature='')
def DeactivateConnection(self, active_path):
    if active_path not in self.Get(MAIN_IFACE, 'ActiveConnections'):
        raise dbus.exceptions.DBusException(f'{active_path} is not active',
                                            name='org.freedesktop.NetworkManager.ConnectionNotActive')
    _set_state(self, active_path, 3, 2)  # by the user

    def finish():
        if active_path in self.Get(MAIN_IFACE, 'ActiveConnections'):
            _set_state(self, active_path, 4, 2)
        return False

    GLib.timeout_add(20, finish)
