#include "platform/linux/connection.h"

#include <fcntl.h>
#include <net/if.h>
#include <net/route.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <utility>

namespace kivrel {

namespace {

// Splits one line into its blank-separated fields.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) {
            ++pos;
        }
        size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') {
            ++end;
        }
        if (end > pos) {
            fields.push_back(line.substr(pos, end - pos));
        }
        pos = end;
    }
    return fields;
}

// Calls `onLine` for every line of `text`.
template <typename F>
void ForEachLine(std::string_view text, F onLine) {
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        onLine(line);
        if (nl == std::string_view::npos) {
            break;
        }
        text.remove_prefix(nl + 1);
    }
}

// A whole field as a hexadecimal number; a field with anything else in it is no number.
std::optional<unsigned long long> Hex(std::string_view field) {
    unsigned long long value = 0;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    if (ec != std::errc() || end != field.data() + field.size() || field.empty()) {
        return std::nullopt;
    }
    return value;
}

bool AllZeroHex(std::string_view field) {
    return !field.empty() && field.find_first_not_of('0') == std::string_view::npos;
}

// A route that can take traffic out of the machine: up, no reject route, on a real device.
// Blackhole routes in the IPv4 table have no device and show as "*".
bool UsableRoute(unsigned long long flags, std::string_view device) {
    return (flags & RTF_UP) != 0 && (flags & RTF_REJECT) == 0 && device != "lo" && device != "*";
}

void AddOnce(std::vector<std::string>& devices, std::string_view device) {
    if (std::find(devices.begin(), devices.end(), device) == devices.end()) {
        devices.emplace_back(device);
    }
}

// The whole of a proc file. Their sizes show as 0, so this reads until the end.
std::optional<std::string> ReadProcFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

}  // namespace

std::vector<std::string> Ipv4DefaultRouteDevices(std::string_view procNetRoute) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    std::vector<std::string> devices;
    ForEachLine(procNetRoute, [&](std::string_view line) {
        std::vector<std::string_view> f = Fields(line);
        if (f.size() < 8) {
            return;
        }
        auto destination = Hex(f[1]);
        auto flags = Hex(f[3]);
        auto mask = Hex(f[7]);
        if (!destination || !flags || !mask) {
            return;  // the heading or a line that is not a route
        }
        if (*destination == 0 && *mask == 0 && UsableRoute(*flags, f[0])) {
            AddOnce(devices, f[0]);
        }
    });
    return devices;
}

std::vector<std::string> Ipv6DefaultRouteDevices(std::string_view procNetIpv6Route) {
    // destination prefix-length source prefix-length next-hop metric refcnt use flags device
    std::vector<std::string> devices;
    ForEachLine(procNetIpv6Route, [&](std::string_view line) {
        std::vector<std::string_view> f = Fields(line);
        if (f.size() < 10 || f[0].size() != 32) {
            return;
        }
        auto prefixLength = Hex(f[1]);
        auto flags = Hex(f[8]);
        if (!prefixLength || !flags || !AllZeroHex(f[0])) {
            return;
        }
        if (*prefixLength == 0 && UsableRoute(*flags, f[9])) {
            AddOnce(devices, f[9]);
        }
    });
    return devices;
}

bool InterfaceFlagsUsable(unsigned flags) {
    return (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0;
}

std::optional<unsigned> QueryInterfaceFlags(const std::string& name) {
    if (name.empty() || name.size() >= IFNAMSIZ) {
        return std::nullopt;
    }
    // Any socket will do for the ioctl; a machine without IPv4 still has the others.
    int fd = -1;
    for (int family : {AF_INET, AF_INET6, AF_UNIX}) {
        fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            break;
        }
    }
    if (fd < 0) {
        return std::nullopt;
    }
    ifreq request{};
    std::memcpy(request.ifr_name, name.data(), name.size());
    int rc = ::ioctl(fd, SIOCGIFFLAGS, &request);
    ::close(fd);
    if (rc != 0) {
        return std::nullopt;
    }
    return static_cast<unsigned short>(request.ifr_flags);
}

std::optional<ByteCounters> DeviceBytes(std::string_view procNetDev, std::string_view device) {
    std::optional<ByteCounters> found;
    ForEachLine(procNetDev, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (found || colon == std::string_view::npos)
            return;
        const std::vector<std::string_view> name = Fields(line.substr(0, colon));
        if (name.size() != 1 || name[0] != device)
            return;
        // Received: bytes packets errs drop fifo frame compressed multicast; then transmitted.
        const std::vector<std::string_view> fields = Fields(line.substr(colon + 1));
        if (fields.size() < 16)
            return;
        const auto number = [](std::string_view field) -> std::optional<uint64_t> {
            uint64_t value = 0;
            const auto [end, ec] =
                std::from_chars(field.data(), field.data() + field.size(), value, 10);
            if (ec != std::errc() || end != field.data() + field.size())
                return std::nullopt;
            return value;
        };
        const auto received = number(fields[0]), sent = number(fields[8]);
        if (received && sent)
            found = ByteCounters{*received, *sent};
    });
    return found;
}

LinuxConnection::LinuxConnection(std::string routePath, std::string ipv6RoutePath, FlagsQuery flags,
                                 std::string devPath)
    : routePath_(std::move(routePath)),
      ipv6RoutePath_(std::move(ipv6RoutePath)),
      flags_(std::move(flags)),
      devPath_(std::move(devPath)) {}

bool LinuxConnection::AnyUsable(const std::vector<std::string>& devices) {
    for (const std::string& device : devices) {
        std::optional<unsigned> flags = flags_(device);
        if (flags && InterfaceFlagsUsable(*flags)) {
            return true;
        }
    }
    return false;
}

bool LinuxConnection::Connected() {
    if (auto text = ReadProcFile(routePath_); text && AnyUsable(Ipv4DefaultRouteDevices(*text))) {
        return true;
    }
    if (auto text = ReadProcFile(ipv6RoutePath_);
        text && AnyUsable(Ipv6DefaultRouteDevices(*text))) {
        return true;
    }
    return false;
}

void LinuxConnection::AddUsable(std::vector<std::string>& links,
                                const std::vector<std::string>& devices) {
    for (const std::string& device : devices) {
        if (std::find(links.begin(), links.end(), device) != links.end()) {
            continue;
        }
        std::optional<unsigned> flags = flags_(device);
        if (flags && InterfaceFlagsUsable(*flags)) {
            links.push_back(device);
        }
    }
}

std::optional<ByteCounters> LinuxConnection::LinkBytes(const std::string& link) {
    const std::optional<std::string> text = ReadProcFile(devPath_);
    return text ? DeviceBytes(*text, link) : std::nullopt;
}

std::vector<std::string> LinuxConnection::RoutedLinks() {
    std::vector<std::string> links;
    if (auto text = ReadProcFile(routePath_)) {
        AddUsable(links, Ipv4DefaultRouteDevices(*text));
    }
    if (auto text = ReadProcFile(ipv6RoutePath_)) {
        AddUsable(links, Ipv6DefaultRouteDevices(*text));
    }
    return links;
}

NetworkManagerClient& LinuxConnection::NetworkManager() {
    if (!networkManager_)
        networkManager_ = std::make_unique<NetworkManagerClient>();
    return *networkManager_;
}

NetworkList LinuxConnection::ActiveNetworks() {
    return NetworkManager().ActiveNetworks();
}

}  // namespace kivrel
