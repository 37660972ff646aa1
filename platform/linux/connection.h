// Connection state on Linux, taken from the kernel's routing tables: the machine counts as online
// while it has a usable default route. A dial-up or ADSL link adds its default route when it
// connects and loses it when it hangs up, so the meter follows the link exactly. Nothing here
// sends traffic or waits for anything: each tick reads two small proc files and asks the kernel
// for the flags of at most a few interfaces.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/network_manager.h"
#include "ports/system_ports.h"

namespace kivrel {

// The interfaces that carry an IPv4 default route (destination 0, mask 0) which is up, is not a
// reject route and is not on the loopback device, in the format of /proc/net/route.
std::vector<std::string> Ipv4DefaultRouteDevices(std::string_view procNetRoute);

// The same for IPv6 (::/0), in the format of /proc/net/ipv6_route. Unreachable, blackhole and
// prohibit routes show there as reject routes on lo and are left out.
std::vector<std::string> Ipv6DefaultRouteDevices(std::string_view procNetIpv6Route);

// Whether interface flags (as from SIOCGIFFLAGS) describe a link that can carry traffic: up,
// running (carrier present) and not loopback.
bool InterfaceFlagsUsable(unsigned flags);

// The flags of a network interface from SIOCGIFFLAGS, or nothing when there is no such interface.
std::optional<unsigned> QueryInterfaceFlags(const std::string& name);

// The byte counters of `device` in the format of /proc/net/dev; none when it is not listed.
std::optional<ByteCounters> DeviceBytes(std::string_view procNetDev, std::string_view device);

class LinuxConnection final : public IConnection {
  public:
    using FlagsQuery = std::function<std::optional<unsigned>(const std::string& name)>;

    explicit LinuxConnection(std::string routePath = "/proc/net/route",
                             std::string ipv6RoutePath = "/proc/net/ipv6_route",
                             FlagsQuery flags = QueryInterfaceFlags,
                             std::string devPath = "/proc/net/dev");

    bool Connected() override;
    // The interfaces with a usable IPv4 default route, then those with only a usable IPv6 one,
    // each in the order of the kernel's table.
    std::vector<std::string> RoutedLinks() override;
    // NetworkManager's active connections (NetworkManagerClient), the client made at the first
    // question.
    NetworkList ActiveNetworks() override;
    // The one NetworkManager client of the program, made at the first question (making it loads
    // nothing).
    NetworkManagerClient& NetworkManager();
    // From /proc/net/dev: one small read of a file the kernel makes on the spot.
    std::optional<ByteCounters> LinkBytes(const std::string& link) override;

  private:
    bool AnyUsable(const std::vector<std::string>& devices);
    // Adds the devices in `devices` whose link can carry traffic and that `links` lacks.
    void AddUsable(std::vector<std::string>& links, const std::vector<std::string>& devices);

    std::string routePath_;
    std::string ipv6RoutePath_;
    FlagsQuery flags_;
    std::unique_ptr<NetworkManagerClient> networkManager_;
    std::string devPath_;
};

}  // namespace kivrel
