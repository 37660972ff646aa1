// The networks Windows has up: the network list manager's connections (their network's name and
// cost), the adapters' friendly names (the names RoutedLinks gives) and, for Wi-Fi, the SSID from
// the WLAN service. Only reads; the WLAN library is loaded when asked, so that a machine without
// it still runs the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rules/network.h"

namespace kivrel {

// What the system calls said, before they are put together. GUIDs are in the "{...}" form.
struct NlmConnection {
    std::string adapter;           // INetworkConnection::GetAdapterId
    std::string networkId;         // INetwork::GetNetworkId
    std::string name;              // INetwork::GetName
    std::optional<uint32_t> cost;  // INetworkConnectionCost::GetCost, none when not offered
};
struct AdapterName {
    std::string guid;  // IP_ADAPTER_ADDRESSES::AdapterName
    std::string friendlyName;
};
struct WlanConnection {
    std::string guid;  // WLAN_INTERFACE_INFO::InterfaceGuid
    std::string ssid;  // of its current connection
};

// One network per connection, named after its network, on its adapter's friendly name (none when
// no adapter has its GUID; GUIDs compare without regard to case), with the SSID of the WLAN
// interface of that GUID, metered from its cost (MeteredFromConnectionCost).
std::vector<ActiveNetwork> JoinNetworks(const std::vector<NlmConnection>& connections,
                                        const std::vector<AdapterName>& adapters,
                                        const std::vector<WlanConnection>& wlans);

// The adapters' list (IP_ADAPTER_ADDRESSES, chained), without their addresses; empty when the
// system does not give it. Its size is known only after a try.
std::vector<unsigned char> AdapterList();

// The system's answer: not known (with why) when the network list manager cannot be had.
NetworkList QueryWindowsNetworks();

}  // namespace kivrel
