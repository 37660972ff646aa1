#include <gtest/gtest.h>

#include <iostream>

#include "platform/win32/networks.h"

namespace kivrel {
namespace {

// The adapter's decision table: the system calls' answers in, the networks out.
TEST(Networks, TheSystemsAnswersJoinedByAdapter) {
    const std::string wifi = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    const std::vector<AdapterName> adapters{{"{00000000-0000-0000-0000-000000000001}", "以太网"},
                                            {wifi, "WLAN"}};
    const std::vector<WlanConnection> wlans{{"{6b29fc40-ca47-1067-b31d-00dd010662da}", "Pixel 7"}};
    const std::vector<NlmConnection> connections{
        {wifi, "{N1}", "Hotspot", 0x2u},                                   // fixed cost
        {"{00000000-0000-0000-0000-000000000001}", "{N2}", "网络", 0x1u},  // unrestricted
        {"{00000000-0000-0000-0000-0000000000FF}", "{N3}", "Gone", std::nullopt},
    };
    const std::vector<ActiveNetwork> want{
        {"{N1}", "Hotspot", "wlan", {"WLAN"}, "Pixel 7", true},
        {"{N2}", "网络", "", {"以太网"}, "", false},
        {"{N3}", "Gone", "", {}, "", std::nullopt},  // its adapter went away meanwhile
    };
    EXPECT_EQ(JoinNetworks(connections, adapters, wlans), want);
}

// Whatever the system (or wine) has: asking succeeds or says why (never both), and a network sits
// on one adapter at most. What it found is printed for the record.
TEST(Networks, TheSystemsListIsReadOrSaysWhy) {
    const NetworkList list = QueryWindowsNetworks();
    EXPECT_NE(list.known, !list.why.empty());
    for (const ActiveNetwork& n : list.networks) {
        EXPECT_LE(n.devices.size(), 1u);
        std::cout << "'" << n.id << "' on " << (n.devices.empty() ? "-" : n.devices[0]) << " ssid '"
                  << n.ssid << "' metered " << (n.metered ? *n.metered : -1) << "\n";
    }
}

}  // namespace
}  // namespace kivrel
