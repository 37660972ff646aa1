#!/usr/bin/python3
"""Drives python-dbusmock's NetworkManager template on the bus in DBUS_SYSTEM_BUS_ADDRESS: one
Wi-Fi device wlan0 and two connections on it, "Home" (free) and "Hotspot" (metered), one of them
active at a time, with the device's Metered value following the active connection; `other`
adds wlan1 with its own connection "Cafe" up; `deactivated` prints DeactivateConnection's calls
and the active connections left.
    nm_mock.py setup | home | hotspot | none | other | deactivated"""
import sys

import dbus

NM = 'org.freedesktop.NetworkManager'
MOCK = 'org.freedesktop.DBus.Mock'
DEVICE = '/org/freedesktop/NetworkManager/Devices/wlan0'
bus = dbus.SystemBus()
nm = dbus.Interface(bus.get_object(NM, '/org/freedesktop/NetworkManager'), MOCK)
device = bus.get_object(NM, DEVICE)
# NMMetered: 1 yes, 2 no.
NETWORKS = {'home': ('Home', 'home-5G', 2), 'hotspot': ('Hotspot', 'Pixel 7', 1)}


def switch(to):
    for path in props.Get(NM, 'ActiveConnections'):
        nm.RemoveActiveConnection(DEVICE, path)
    if to == 'none':
        return
    name, ssid, metered = NETWORKS[to]
    nm.SetProperty(DEVICE, NM + '.Device', 'Metered', dbus.UInt32(metered))
    path = nm.AddActiveConnection([DEVICE], '/org/freedesktop/NetworkManager/Settings/' + name,
                                  '/org/freedesktop/NetworkManager/AccessPoint/' + name, name, 2)
    # The template names a Wi-Fi connection after its SSID; a user's connection has its own name.
    nm.SetProperty(path, NM + '.Connection.Active', 'Id', name)


props = dbus.Interface(nm, dbus.PROPERTIES_IFACE)
if sys.argv[1] == 'other':  # Cafe listed first, where a careless hang-up would take it
    wlan1 = nm.AddWiFiDevice('wlan1', 'wlan1', 100)
    nm.AddAccessPoint(wlan1, 'Cafe', 'cafe', '00:11:22:33:44:66', 2, 2437, 54000, 80, 0)
    nm.AddWiFiConnection(wlan1, 'Cafe', 'cafe', '')
    cafe = nm.AddActiveConnection([wlan1], '/org/freedesktop/NetworkManager/Settings/Cafe',
                                  '/org/freedesktop/NetworkManager/AccessPoint/Cafe', 'Cafe', 2)
    others = [p for p in props.Get(NM, 'ActiveConnections') if p != cafe]
    nm.SetProperty('/org/freedesktop/NetworkManager', NM, 'ActiveConnections',
                   dbus.Array([cafe] + others, signature='o'))
elif sys.argv[1] == 'deactivated':
    calls = nm.GetMethodCalls('DeactivateConnection')
    print('\n'.join(['deactivated ' + args[0] for _, args in calls] +
                    ['active ' + path for path in props.Get(NM, 'ActiveConnections')]))
elif sys.argv[1] == 'setup':
    nm.AddWiFiDevice('wlan0', 'wlan0', 100)  # NM_DEVICE_STATE_ACTIVATED
    dbus.Interface(device, MOCK).AddProperty(
        NM + '.Device', 'Metered', dbus.UInt32(0))
    for name, ssid, _ in NETWORKS.values():
        nm.AddAccessPoint(DEVICE, name, ssid, '00:11:22:33:44:5' + str(len(name)), 2, 2437, 54000,
                          80, 0)
        nm.AddWiFiConnection(DEVICE, name, ssid, '')
else:
    switch(sys.argv[1])
