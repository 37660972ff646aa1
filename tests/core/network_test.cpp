#include <gtest/gtest.h>

#include "console.h"
#include "rules/network.h"

namespace kivrel {
namespace {

// Two networks that the system had up on one wlan0 (never at once), and a modem.
const ActiveNetwork kHome{"/ac/1", "Home", "802-11-wireless", {"wlan0"}, "home-5G", false};
const ActiveNetwork kHotspot{"/ac/2", "Hotspot", "802-11-wireless", {"wlan0"}, "Pixel 7", true};
const ActiveNetwork kModem{"/ac/3", "", "gsm", {"wwan0"}, "", std::nullopt};

TEST(BilledNetwork, InterfaceNetworkAndMeteredPatternsInOneList) {
    struct {
        const char* list;
        std::vector<ActiveNetwork> up;
        std::vector<std::string> routed;
        std::optional<BilledConnection> billed;
    } cases[] = {
        {"net:Hotspot", {kHome}, {"wlan0"}, std::nullopt},  // the free one on the same link
        {"net:Hotspot", {kHotspot}, {"wlan0"}, BilledConnection{"wlan0", "Hotspot", true}},
        {"NET: hot*", {kHotspot}, {"wlan0"}, BilledConnection{"wlan0", "Hotspot", true}},
        {"net:pixel ?", {kHotspot}, {"wlan0"}, BilledConnection{"wlan0", "Hotspot", true}},
        {"metered", {kHome}, {"wlan0"}, std::nullopt},
        {"Metered", {kHotspot}, {"wlan0"}, BilledConnection{"wlan0", "Hotspot", true}},
        {"metered", {kModem}, {"wwan0"}, std::nullopt},  // the system does not say
        // A network up on a link that does not carry the route is not billed.
        {"net:Hotspot", {kHotspot}, {"eth0"}, std::nullopt},
        // An interface pattern still bills by the interface, and names the network on it.
        {"ppp*,net:Campus", {kHome}, {"wlan0", "ppp0"}, BilledConnection{"ppp0", "", {}}},
        {"wlan*,net:Campus", {kHome}, {"wlan0"}, BilledConnection{"wlan0", "Home", false}},
        {"net:Campus,metered",
         {kModem, kHotspot},
         {"wwan0", "wlan0"},
         BilledConnection{"wlan0", "Hotspot", true}},
        {"net:", {kHome}, {"wlan0"}, std::nullopt},  // a name that is no pattern is an interface
    };
    for (const auto& c : cases) {
        const NetworkList list{true, {}, c.up};
        EXPECT_EQ(BilledOn(ParseLinkRule(c.list), true, c.routed, &list), c.billed) << c.list;
    }
    // The service could not be asked: networks match nothing, interfaces work as before.
    const NetworkList absent{false, "NetworkManager 未运行", {}};
    EXPECT_FALSE(BilledOn(ParseLinkRule("net:*,metered"), true, {"wlan0"}, &absent));
    EXPECT_EQ(BilledOn(ParseLinkRule("wlan0,metered"), true, {"wlan0"}, &absent),
              (BilledConnection{"wlan0", "", {}}));
    EXPECT_FALSE(ParseLinkRule("ppp*, wwan0").NeedsNetworks());
    EXPECT_TRUE(ParseLinkRule("ppp*, metered").NeedsNetworks());
}

TEST(BilledNetwork, MeteredFromTheSystemsValues) {
    const std::optional<bool> none;
    EXPECT_EQ((std::vector{MeteredFromNetworkManager(0), MeteredFromNetworkManager(1),
                           MeteredFromNetworkManager(2), MeteredFromNetworkManager(3),
                           MeteredFromNetworkManager(4), MeteredFromNetworkManager(7)}),
              (std::vector<std::optional<bool>>{none, true, false, true, false, none}));
    // NLM_CONNECTION_COST: unknown, unrestricted, fixed, variable, unrestricted while roaming,
    // variable over the data limit.
    EXPECT_EQ((std::vector{MeteredFromConnectionCost(0), MeteredFromConnectionCost(1),
                           MeteredFromConnectionCost(2), MeteredFromConnectionCost(4),
                           MeteredFromConnectionCost(0x40001), MeteredFromConnectionCost(0x10004)}),
              (std::vector<std::optional<bool>>{none, false, true, true, false, true}));
}

TEST(HangUpPlan, TheServicesConnectionOnTheLinkElseTheCommand) {
    const ActiveNetwork vpn{"/ac/4", "Office", "vpn", {"wlan0"}, "", std::nullopt};
    const NetworkList up{true, {}, {vpn, kModem, kHotspot}}, absent{false, "未运行", {}};
    const HangUpPlan service{HangUpMeans::Service, "/ac/2"}, command{HangUpMeans::Command, {}};
    // Only the connection on the billed link: not the VPN riding on it, not another link's.
    EXPECT_EQ(PlanHangUp("wlan0", up, false), service);
    EXPECT_EQ(PlanHangUp("wlan0", up, true), service);
    EXPECT_EQ(PlanHangUp("wlan", up, false), HangUpPlan{});
    EXPECT_EQ(PlanHangUp("wlan0", NetworkList{true, {}, {vpn, kModem}}, true), command);
    EXPECT_EQ(PlanHangUp("wlan0", absent, true), command);
    EXPECT_EQ(PlanHangUp("wlan0", absent, false), HangUpPlan{});
}

TEST(BilledNetwork, StatusNamesTheNetworkAndSaysWhyNoneWasFound) {
    Console c;
    c.connection.online = true;
    c.connection.routed = {"wlan0"};
    c.connection.networks = NetworkList{true, {}, {kHotspot}};
    c.files.files["/opt/kivrel/timer.ini"] = "[Link]\r\nValue=net:Hotspot\r\n";
    std::string json = c.Run({"--status", "--json"}).out;
    EXPECT_NE(json.find("\"link\":\"wlan0\",\"network\":\"Hotspot\",\"metered\":true,"),
              std::string::npos)
        << json;
    EXPECT_NE(c.Run({"--status"}).out.find("计费链路：wlan0\n计费网络：Hotspot\n"),
              std::string::npos);

    c.connection.networks = NetworkList{false, "NetworkManager 未运行", {}};
    json = c.Run({"--status", "--json"}).out;
    EXPECT_NE(json.find("\"online\":false"), std::string::npos) << json;
    EXPECT_NE(json.find("\"warnings\":[\"无法得知计费网络（NetworkManager 未运行）"),
              std::string::npos)
        << json;
    EXPECT_NE(c.Run({"--status"}).out.find("\n注意：无法得知计费网络（NetworkManager 未运行）"),
              std::string::npos);
    // Without a network pattern the service is never asked.
    c.files.files["/opt/kivrel/timer.ini"] = "[Link]\r\nValue=wlan*\r\n";
    const int asked = c.connection.networksAsked;
    json = c.Run({"--status", "--json"}).out;
    EXPECT_EQ(c.connection.networksAsked, asked);
    EXPECT_NE(json.find("\"network\":null,\"metered\":null"), std::string::npos) << json;
}

}  // namespace
}  // namespace kivrel
