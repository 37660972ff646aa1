// The socket headers come before the IP helper's.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/system.h"
#include "platform/win32/text.h"

namespace kivrel {
namespace {

TEST(AppInfo, RevisionComesFromTheVersionResource) {
    // This test program carries the same version resource as Kivrel.exe.
    Win32AppInfo app;
    EXPECT_EQ(app.Revision(), KIVREL_EXPECTED_REVISION);
    // A file without a version resource has no revision.
    EXPECT_FALSE(FileVersionRevision(L"C:\\no such file.exe").has_value());
}

TEST(InstanceGuard, OnlyTheFirstClaimWinsUntilItIsGiven) {
    const std::wstring name = L"Local\\Kivrel.tests." + std::to_wstring(GetCurrentProcessId());
    {
        Win32InstanceGuard first(name);
        EXPECT_FALSE(first.AnotherInstanceRunning());
        EXPECT_FALSE(first.AnotherInstanceRunning()) << "asking again is not another instance";
        Win32InstanceGuard second(name);
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    Win32InstanceGuard later(name);
    EXPECT_FALSE(later.AnotherInstanceRunning());
}

TEST(InstanceGuard, TheClaimIsPerUserAcrossSessions) {
    const std::wstring name = Win32InstanceGuard::DefaultName();
    EXPECT_EQ(name.rfind(L"Global\\Kivrel.SingleInstance.S-1-", 0), 0u) << Narrow(name);
    Win32InstanceGuard first;
    ASSERT_FALSE(first.AnotherInstanceRunning());
    Win32InstanceGuard second;
    EXPECT_TRUE(second.AnotherInstanceRunning());
}

TEST(AppInfo, TheUsersFolderIsUnderAppData) {
    const wchar_t* saved = _wgetenv(L"APPDATA");
    const std::wstring before = saved ? saved : L"";
    SetEnvironmentVariableW(L"APPDATA", L"C:\\Users\\u\\AppData\\Roaming\\");
    Win32AppInfo app;
    EXPECT_EQ(app.UserDataDir(), "C:\\Users\\u\\AppData\\Roaming\\Kivrel");
    SetEnvironmentVariableW(L"APPDATA", nullptr);
    EXPECT_EQ(app.UserDataDir(), "");
    SetEnvironmentVariableW(L"APPDATA", before.empty() ? nullptr : before.c_str());
}

// What the routing table itself says: the adapter that a packet to a public address would leave
// by (found without sending anything) must be among the routed links, and with no such adapter
// there is no routed link.
TEST(Connection, RoutedLinksAgreeWithTheSystemsChoiceOfRoute) {
    const std::vector<std::string> links = Win32Connection().RoutedLinks();
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_FALSE(links[i].empty());
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(links[i], links[j]) << "named twice";
    }
    sockaddr_in publicAddress{};
    publicAddress.sin_family = AF_INET;
    publicAddress.sin_addr.s_addr = 0x08080808;  // 8.8.8.8, the same in either byte order
    DWORD index = 0;
    if (GetBestInterfaceEx(reinterpret_cast<sockaddr*>(&publicAddress), &index) != NO_ERROR) {
        EXPECT_TRUE(links.empty()) << links.front();
        return;
    }
    ULONG size = 64 * 1024;
    std::vector<unsigned char> buffer(size);
    auto* adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    ASSERT_EQ(GetAdaptersAddresses(AF_INET, 0, nullptr, adapters, &size), NO_ERROR);
    std::string best;
    for (auto* a = adapters; a != nullptr; a = a->Next) {
        if (a->IfIndex == index && a->OperStatus == IfOperStatusUp)
            best = Narrow(a->FriendlyName);
    }
    std::string all;
    for (const std::string& link : links)
        all += "[" + link + "]";
    std::printf("routed links: %s, the route to a public address leaves by [%s]\n", all.c_str(),
                best.c_str());
    if (!best.empty()) {
        EXPECT_NE(std::find(links.begin(), links.end(), best), links.end()) << all;
    }
}

}  // namespace
}  // namespace kivrel
