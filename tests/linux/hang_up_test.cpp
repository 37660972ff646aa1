// The Linux side of the idle guard: the byte counters of /proc/net/dev, the user's hang-up
// command run without a shell where NetworkManager is absent, and what NetworkManager's answer
// to DeactivateConnection tells the user.
#include "platform/linux/hang_up.h"

#include <gtest/gtest.h>

#include "platform/linux/connection.h"

namespace kivrel {
namespace {

TEST(LinkBytes, ReceivedAndTransmittedBytesOfTheNamedDevice) {
    const std::string dev =
        "Inter-|   Receive                                                |  Transmit\n"
        " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs "
        "drop fifo colls carrier compressed\n"
        "    lo:    3319      30    0    0    0     0          0         0     3319      30    0 "
        "   0    0     0       0          0\n"
        "ppp0:18446744073709551615 9 0 0 0 0 0 0 77 1 0 0 0 0 0 0\n"
        " ppp10: 5 1 0 0 0 0 0 0 6 1 0 0 0 0 0 0\n"
        "  wlan0: 12x 1 0 0 0 0 0 0 6 1 0 0 0 0 0 0\n";
    EXPECT_EQ(DeviceBytes(dev, "ppp0"), (ByteCounters{18446744073709551615u, 77}));
    EXPECT_EQ(DeviceBytes(dev, "ppp10"), (ByteCounters{5, 6}));
    EXPECT_EQ(DeviceBytes(dev, "ppp1"), std::nullopt);
    EXPECT_EQ(DeviceBytes(dev, "wlan0"), std::nullopt);  // a damaged line tells nothing
    // The running kernel's own file: the loopback device is always listed.
    EXPECT_TRUE(LinuxConnection().LinkBytes("lo").has_value());
}

TEST(HangUpCommand, RunWithoutAShellAndItsExitStatusTold) {
    NetworkManagerClient networkManager;  // finds no NetworkManager on the tests' system bus
    LinuxHangUp hangUp(networkManager);
    EXPECT_FALSE(hangUp.CanHangUp("ppp0", {}));
    EXPECT_TRUE(hangUp.HangUp("ppp0", {"true"}).done);
    EXPECT_EQ(hangUp.HangUp("ppp0", {"sh", "-c", "exit 3"}).why, "sh 退出状态 3");
    // No shell: a ";" is an argument like any other, and a missing program is told.
    EXPECT_TRUE(hangUp.HangUp("ppp0", {"test", ";", "=", ";"}).done);
    EXPECT_EQ(hangUp.HangUp("ppp0", {"/no/such/poff"}).why, "无法运行 /no/such/poff");
    EXPECT_EQ(ResultOfCommand("poff", {true, false, -1, 0}).why, "poff 没有在规定时间内结束");
    EXPECT_EQ(ResultOfCommand("poff", {true, true, -1, 9}).why, "poff 被信号 9 终止");
}

TEST(HangUpNetworkManager, ARefusalIsToldWithItsReason) {
    const char* const nm = "org.freedesktop.NetworkManager.PermissionDenied";
    EXPECT_EQ(DeactivateResult(-13, nm, "Not authorized").why,
              "NetworkManager 不允许断开：Not authorized");
    EXPECT_EQ(DeactivateResult(-13, "org.freedesktop.DBus.Error.AccessDenied", "").why,
              "NetworkManager 不允许断开");
    EXPECT_EQ(DeactivateResult(-110, "org.freedesktop.DBus.Error.Timeout", "late").why,
              "NetworkManager 没有回答");
}

}  // namespace
}  // namespace kivrel
