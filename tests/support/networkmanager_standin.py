#!/usr/bin/python3
"""NetworkManager's dial-up lines, played by python-dbusmock on the bus DBUS_SYSTEM_BUS_ADDRESS names,
for the tests, the benchmarks and the end-to-end scripts. Active connections go through the states 1 to 4
as on a real line; devices carry their Statistics. The scene is set by the Mock methods, or:

  networkmanager_standin.py serve [--log FILE]   plays NetworkManager until ended, under its own pid
  networkmanager_standin.py wait [SECONDS]       returns once NetworkManager is on the bus
  networkmanager_standin.py add-device NAME TYPE INTERFACE IP_INTERFACE     prints the device's path
  networkmanager_standin.py dial ID TYPE [STATE [DEVICE...]]   prints the active connection's path
  networkmanager_standin.py set-state PATH STATE
  networkmanager_standin.py hang-up PATH         as the user would, through NetworkManager
  networkmanager_standin.py traffic DEVICE RX TX the device's counters, bytes received and sent
"""

import os
import sys
import time

import dbus
import dbusmock
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.NetworkManager'
MAIN_OBJ = '/org/freedesktop/NetworkManager'
MAIN_IFACE = 'org.freedesktop.NetworkManager'
SYSTEM_BUS = True
ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'
STATISTICS_IFACE = 'org.freedesktop.NetworkManager.Device.Statistics'


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
    dbusmock.get_object(path).AddProperties(STATISTICS_IFACE, dbus.Dictionary({
        'RefreshRateMs': dbus.UInt32(0),
        'RxBytes': dbus.UInt64(0),
        'TxBytes': dbus.UInt64(0),
    }, signature='sv'))
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


@dbus.service.method(dbusmock.MOCK_IFACE, in_signature='ott', out_signature='')
def SetTraffic(self, device_path, received, sent):
    # At once, whatever the refresh rate: a test needs no wait.
    dbusmock.get_object(device_path).UpdateProperties(STATISTICS_IFACE, {
        'RxBytes': dbus.UInt64(received), 'TxBytes': dbus.UInt64(sent)})


@dbus.service.method(dbusmock.MOCK_IFACE, in_signature='ou', out_signature='')
def SetActiveState(self, active_path, state):
    _set_state(self, active_path, state, 1)


def _set_state(self, active_path, state, reason):
    # Activating (1), activated (2), deactivating (3) or deactivated (4), which also takes it off the list;
    # with StateChanged and PropertiesChanged.
    active = dbusmock.get_object(active_path)
    active.EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu', [dbus.UInt32(state), dbus.UInt32(reason)])
    active.UpdateProperties(ACTIVE_IFACE, {'State': dbus.UInt32(state)})
    if state == 4:
        _set_list(self, 'ActiveConnections', [p for p in self.Get(MAIN_IFACE, 'ActiveConnections') if p != active_path])
        self.RemoveObject(active_path)


# Passes through deactivating and removes the connection a moment later, as on a real line.
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


def _command(argv):
    manager = dbus.SystemBus().get_object(BUS_NAME, MAIN_OBJ)
    mock = dbus.Interface(manager, dbusmock.MOCK_IFACE)
    command, args = argv[0], argv[1:]
    if command == 'add-device':
        name, device_type, interface, ip_interface = args
        print(mock.AddDevice(name, dbus.UInt32(device_type), interface, ip_interface))
    elif command == 'dial':
        connection_id, connection_type = args[:2]
        active = mock.AddDialUpConnection(connection_id, connection_type, '',
                                          dbus.Array(args[3:], signature='o'))
        if len(args) > 2:
            mock.SetActiveState(active, dbus.UInt32(args[2]))
        print(active)
    elif command == 'set-state':
        mock.SetActiveState(dbus.ObjectPath(args[0]), dbus.UInt32(args[1]))
    elif command == 'traffic':
        mock.SetTraffic(dbus.ObjectPath(args[0]), dbus.UInt64(args[1]), dbus.UInt64(args[2]))
    elif command == 'hang-up':
        dbus.Interface(manager, MAIN_IFACE).DeactivateConnection(dbus.ObjectPath(args[0]))
    else:
        sys.exit(__doc__)


def main(argv):
    if not argv:
        sys.exit(__doc__)
    if argv[0] == 'serve':
        # Replaced by dbusmock itself, so that whoever started it can end it as NetworkManager.
        log = ['-l', argv[2]] if argv[1:2] == ['--log'] else []
        os.execv(sys.executable, [sys.executable, '-m', 'dbusmock', '--template', os.path.abspath(__file__)] + log)
    if argv[0] == 'wait':
        bus = dbus.SystemBus()
        deadline = time.monotonic() + float(argv[1] if len(argv) > 1 else 30)
        while not bus.name_has_owner(BUS_NAME):
            if time.monotonic() > deadline:
                sys.exit('NetworkManager did not come')
            time.sleep(0.1)
        return
    _command(argv)


if __name__ == '__main__':
    main(sys.argv[1:])
