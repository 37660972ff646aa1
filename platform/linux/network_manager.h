// NetworkManager's view of the networks that are up, read over the system D-Bus with sd-bus from
// libsystemd. The library is loaded (dlopen) the first time the networks are asked for, so that a
// program that never bills a network by its name or metered flag never loads it. Learning the
// networks only reads properties: no message may start NetworkManager, and none asks for any
// permission. The one call that changes anything, Deactivate, is made only when the user asked
// Kivrel to end the billed connection.
#pragma once

#include <memory>
#include <string>

#include "ports/system_ports.h"
#include "rules/network.h"

namespace kivrel {

// What became of DeactivateConnection: `rc` is sd_bus_call's result, `errorName` and
// `errorMessage` the error reply's (either may be null).
HangUpResult DeactivateResult(int rc, const char* errorName, const char* errorMessage);

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

    // Ends the active connection at `path` (DeactivateConnection). polkit decides, and may ask
    // the user; a refusal comes back as the reason, and nothing is tried again.
    HangUpResult Deactivate(const std::string& path);

  private:
    struct Bus;
    std::unique_ptr<Bus> bus_;
};

}  // namespace kivrel
