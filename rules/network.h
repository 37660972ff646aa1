// The billed network. Besides interface names, the billed link may be named by the network that
// carries the default route (`net:CampusNet`: a connection's name or a Wi-Fi SSID) or by the
// system's "metered" flag (`metered`). The system's network service is asked only when the
// settings name a network that way; then a session belongs to one network.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivrel {

// One network the system has up now, as its network service describes it.
struct ActiveNetwork {
    std::string path;                  // the service's handle for it (an object path)
    std::string id;                    // its name: the connection's or the profile's
    std::string type;                  // its kind as the service names it ("802-11-wireless")
    std::vector<std::string> devices;  // the interfaces it runs over
    std::string ssid;                  // a Wi-Fi network's SSID, empty otherwise
    std::optional<bool> metered;       // none when the system does not say
    friend bool operator==(const ActiveNetwork&, const ActiveNetwork&) = default;
};

// The system's answer to "which networks are up".
struct NetworkList {
    bool known = false;  // false: the network service could not be asked
    std::string why;     // then why, in a few words ("NetworkManager 未运行")
    std::vector<ActiveNetwork> networks;
};

// A `Link` value taken apart: interface patterns, `net:` patterns (without the prefix) and the
// keyword `metered`, all in one comma-separated list.
struct LinkRule {
    std::vector<std::string> interfaces;
    std::vector<std::string> networks;
    bool metered = false;
    bool Empty() const { return interfaces.empty() && networks.empty() && !metered; }
    // Only then is the network service asked.
    bool NeedsNetworks() const { return !networks.empty() || metered; }
};

LinkRule ParseLinkRule(std::string_view value);

// What the meter bills at a tick: the interface carrying the route and, when networks were
// looked up, the network on it.
struct BilledConnection {
    std::string link;
    std::string network;          // empty when not looked up or unknown
    std::optional<bool> metered;  // none when not looked up or the system does not say
    friend bool operator==(const BilledConnection&, const BilledConnection&) = default;
};

// The name a network goes by in the ledger and the printouts: its connection name, else its SSID.
std::string NetworkName(const ActiveNetwork& network);

// The billed connection at this tick, none when it is offline. `networks` is the system's list
// (null when not looked up). An empty rule counts any connection, named after the first routed
// interface. Otherwise the first routed interface that an interface pattern matches, or that
// runs a network whose name or SSID a `net:` pattern matches, or that the system marks as metered
// when the rule says `metered`. A network the system does not know matches nothing.
std::optional<BilledConnection> BilledOn(const LinkRule& rule, bool connected,
                                         const std::vector<std::string>& routed,
                                         const NetworkList* networks);

// NetworkManager's NMMetered: yes (1) and guess-yes (3) are metered, no (2) and guess-no (4)
// are not, unknown (0) and anything else say nothing.
std::optional<bool> MeteredFromNetworkManager(uint32_t value);

// Windows' NLM_CONNECTION_COST flags: a fixed (2) or variable (4) cost is metered, an
// unrestricted one (1) is not; unknown (0) says nothing. The other flags (roaming, over the data
// limit) qualify a cost and do not decide alone.
std::optional<bool> MeteredFromConnectionCost(uint32_t cost);

// How the billed link is ended where the user asked for it: through the network service, by
// ending its active connection on that link (a VPN that merely rides on the link is not the
// link's connection), when it has one; else by the user's command; else not at all. No other
// connection is ever named.
enum class HangUpMeans { None, Service, Command };
struct HangUpPlan {
    HangUpMeans means = HangUpMeans::None;
    std::string connection;  // Service: the connection's handle (an object path)
    friend bool operator==(const HangUpPlan&, const HangUpPlan&) = default;
};
HangUpPlan PlanHangUp(std::string_view link, const NetworkList& networks, bool command);

// The line that says why `net:` and `metered` matched nothing.
std::string NetworkWarning(const NetworkList& list);

}  // namespace kivrel
