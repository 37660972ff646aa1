#include "platform/linux/connection.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <fstream>
#include <map>

#include "test_support.h"

namespace kivrel {
namespace {

using Devices = std::vector<std::string>;

const char* const kRouteHead =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT   \n";

struct RouteCase {
    const char* name;
    std::string text;
    Devices expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RouteCase& c, std::ostream* os) {
    *os << c.name;
}

class Ipv4Routes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Ipv4Routes, FindsUsableDefaultRoutes) {
    EXPECT_EQ(Ipv4DefaultRouteDevices(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, Ipv4Routes,
    ::testing::Values(
        RouteCase{"Empty", "", {}}, RouteCase{"HeadingOnly", kRouteHead, {}},
        RouteCase{"DefaultViaGateway",
                  std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0  \n"
                      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0  \n",
                  {"eth0"}},
        // A dial-up link: the route names the device, there is no gateway.
        RouteCase{"PointToPointWithoutGateway",
                  std::string(kRouteHead) +
                      "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n",
                  {"ppp0"}},
        RouteCase{"OnlyLinkRoutes",
                  std::string(kRouteHead) +
                      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n",
                  {}},
        // Destination 0 with a mask is a network, e.g. a VPN's 0.0.0.0/1.
        RouteCase{"ZeroDestinationWithMask",
                  std::string(kRouteHead) +
                      "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000080\t0\t0\t0\n",
                  {}},
        RouteCase{"NotUp",
                  std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n",
                  {}},
        RouteCase{"UnreachableAndProhibitAreReject",
                  std::string(kRouteHead) +
                      "*\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n"
                      "eth0\t00000000\t00000000\t0201\t0\t0\t7\t00000000\t0\t0\t0\n",
                  {}},
        RouteCase{
            "BlackholeHasNoDevice",
            std::string(kRouteHead) + "*\t00000000\t00000000\t0001\t0\t0\t5\t00000000\t0\t0\t0\n",
            {}},
        RouteCase{
            "OnLoopback",
            std::string(kRouteHead) + "lo\t00000000\t00000000\t0001\t0\t0\t9\t00000000\t0\t0\t0\n",
            {}},
        RouteCase{"SeveralDevicesEachOnce",
                  std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                      "wlan0\t00000000\t0102A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                      "eth0\t00000000\t0201A8C0\t0003\t0\t0\t700\t00000000\t0\t0\t0\n",
                  {"eth0", "wlan0"}},
        RouteCase{"LastLineWithoutNewline",
                  std::string(kRouteHead) + "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000",
                  {"ppp0"}},
        RouteCase{"BrokenLinesSkipped",
                  std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0003\n"
                      "eth1\t0000000G\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
                      "eth2\t00000000\t00000000\t00x1\t0\t0\t0\t00000000\t0\t0\t0\n"
                      "\n"
                      "wlan0\t00000000\t0102A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n",
                  {"wlan0"}}),
    [](const auto& info) { return info.param.name; });

// One line of /proc/net/ipv6_route for ::/0 with the given flags and device.
std::string V6Default(const char* flags, const char* device, const char* plen = "00",
                      const char* srcPlen = "00") {
    return std::string("00000000000000000000000000000000 ") + plen +
           " 00000000000000000000000000000000 " + srcPlen +
           " fe800000000000000000000000000001 00000400 00000001 00000000 " + flags + "     " +
           device + "\n";
}

const std::string kV6LinkRoute =
    "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n";

class Ipv6Routes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Ipv6Routes, FindsUsableDefaultRoutes) {
    EXPECT_EQ(Ipv6DefaultRouteDevices(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, Ipv6Routes,
    ::testing::Values(
        RouteCase{"Empty", "", {}}, RouteCase{"OnlyLinkRoutes", kV6LinkRoute, {}},
        RouteCase{"DefaultViaGateway", kV6LinkRoute + V6Default("00000003", "eth0"), {"eth0"}},
        // Learnt from a router advertisement: default, addrconf and expires bits as well.
        RouteCase{"FromRouterAdvertisement", V6Default("00450003", "wlan0"), {"wlan0"}},
        // The kernel's own null entry of every table.
        RouteCase{"NullEntry",
                  "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                  "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n",
                  {}},
        RouteCase{"UnreachableBlackholeProhibit",
                  V6Default("00200200", "lo") + V6Default("00200201", "lo") +
                      V6Default("00000201", "eth0"),
                  {}},
        RouteCase{"NotUp", V6Default("00000002", "eth0"), {}},
        RouteCase{"OnLoopback", V6Default("00000001", "lo"), {}},
        // ::/96 and friends: an all-zero prefix that is no default route.
        RouteCase{"ZeroPrefixWithLength", V6Default("00000001", "eth0", "60"), {}},
        RouteCase{"SourceSpecificDefault", V6Default("00000003", "eth1", "00", "40"), {"eth1"}},
        RouteCase{"NonZeroDestination",
                  "20010db8000000000000000000000000 00 00000000000000000000000000000000 00 "
                  "00000000000000000000000000000000 00000400 00000001 00000000 00000003 eth0\n",
                  {}},
        RouteCase{"BrokenLinesSkipped",
                  "00000000000000000000000000000000 00 0000\n"
                  "0000000000000000000000000000000 00 00000000000000000000000000000000 00 "
                  "00000000000000000000000000000000 00000400 00000001 00000000 00000003 eth2\n" +
                      V6Default("0000000x", "eth3") + V6Default("00000003", "eth0"),
                  {"eth0"}}),
    [](const auto& info) { return info.param.name; });

TEST(InterfaceFlags, QueriesTheKernel) {
    // Every network namespace has lo, so this holds on any machine.
    std::optional<unsigned> lo = QueryInterfaceFlags("lo");
    ASSERT_TRUE(lo.has_value());
    EXPECT_NE(*lo & IFF_LOOPBACK, 0u);
    EXPECT_FALSE(InterfaceFlagsUsable(*lo));

    EXPECT_FALSE(QueryInterfaceFlags("kvnosuchif0").has_value());
    EXPECT_FALSE(QueryInterfaceFlags("").has_value());
    EXPECT_FALSE(QueryInterfaceFlags(std::string(IFNAMSIZ, 'x')).has_value());
}

// The whole decision, on route files and interface flags made up for the test.
class ConnectionDecision : public ::testing::Test {
  protected:
    void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    LinuxConnection Make() {
        return LinuxConnection(route_, route6_, [this](const std::string& name) {
            asked_.push_back(name);
            auto it = flags_.find(name);
            return it == flags_.end() ? std::nullopt : std::optional<unsigned>(it->second);
        });
    }

    linuxtest::TempDir dir_;
    std::string route_ = dir_ / "route";
    std::string route6_ = dir_ / "ipv6_route";
    std::map<std::string, unsigned> flags_;
    std::vector<std::string> asked_;
};

TEST_F(ConnectionDecision, FollowsTheLinkOfTheDefaultRoute) {
    const unsigned kOnline = IFF_UP | IFF_RUNNING | IFF_POINTOPOINT;
    Write(route_, std::string(kRouteHead) +
                      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
                      "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n");
    Write(route6_, "");
    flags_ = {{"eth0", IFF_UP | IFF_RUNNING}, {"ppp0", kOnline}};
    EXPECT_TRUE(Make().Connected());
    // Only the devices with a default route are looked at.
    EXPECT_EQ(asked_, Devices{"ppp0"});

    flags_["ppp0"] = IFF_UP | IFF_POINTOPOINT;  // lost its carrier
    EXPECT_FALSE(Make().Connected());

    flags_.erase("ppp0");  // gone, the route not yet
    EXPECT_FALSE(Make().Connected());
}

TEST_F(ConnectionDecision, EitherFamilyWillDo) {
    Write(route_, std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n");
    Write(route6_, V6Default("00000003", "wlan0"));
    flags_ = {{"eth0", IFF_UP}, {"wlan0", IFF_UP | IFF_RUNNING}};
    EXPECT_TRUE(Make().Connected());
    flags_["wlan0"] = IFF_UP;
    EXPECT_FALSE(Make().Connected());
}

TEST_F(ConnectionDecision, UnreadableTablesMeanOffline) {
    flags_ = {{"eth0", IFF_UP | IFF_RUNNING}};
    EXPECT_FALSE(Make().Connected());
    EXPECT_TRUE(asked_.empty());
    // One family missing does not hide the other.
    Write(route6_, V6Default("00000003", "eth0"));
    EXPECT_TRUE(Make().Connected());
}

TEST_F(ConnectionDecision, RoutedLinksNameEachUsableLinkOnceIPv4First) {
    Write(route_, std::string(kRouteHead) +
                      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                      "ppp0\t00000000\t00000000\t0001\t0\t0\t200\t00000000\t0\t0\t0\n");
    Write(route6_, V6Default("00000001", "wlan0") + V6Default("00000001", "ppp0"));
    flags_ = {{"eth0", IFF_UP}, {"ppp0", IFF_UP | IFF_RUNNING}, {"wlan0", IFF_UP | IFF_RUNNING}};
    EXPECT_EQ(Make().RoutedLinks(), (Devices{"ppp0", "wlan0"}));
    flags_["eth0"] |= IFF_RUNNING;  // carrier back
    EXPECT_EQ(Make().RoutedLinks(), (Devices{"eth0", "ppp0", "wlan0"}));
    Write(route_, "");
    flags_.erase("wlan0");  // gone, its route not yet
    EXPECT_EQ(Make().RoutedLinks(), Devices{"ppp0"});
}

}  // namespace
}  // namespace kivrel
