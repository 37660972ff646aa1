// NetworkManager's view of the networks that are up, read over the system D-Bus with sd-bus from
// libsystemd. The library is loaded (dlopen) the first time the networks are asked for, so that a
// program that never bills a network by its name or metered flag never loads it. Only properties
// are read: no message may start NetworkManager, and none asks for any permission.
#pragma once

#include <memory>
#include <string>

#include "rules/network.h"

namespace kivrel {

class NetworkManagerClient {
  public:
    NetworkManagerClient();
    ~NetworkManagerClient();
    NetworkManagerClient(const NetworkManagerClient&) = delete;
    NetworkManagerClient& operator=(const NetworkManagerClient&) = delete;

    // NetworkManager's active connections, each with its object path, Id, Type, the interfaces
    // of its devices (the IP interface first, then the device's own name when it differs: a modem
    // is cdc-wdm0 to NetworkManager and wwan0 to the routes), the devices' Metered value and, for
    // Wi-Fi, its access point's SSID. Not known, with the reason, when NetworkManager or the
    // system bus cannot be reached.
    NetworkList ActiveNetworks();

  private:
    struct Bus;
    std::unique_ptr<Bus> bus_;
};

}  // namespace kivrel
