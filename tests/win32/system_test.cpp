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

#include <gtest/gtest.h>
#include <sddl.h>

#include <vector>

#include "platform/win32/text.h"

namespace kivrel {
namespace {

std::wstring UserSid() {
    HANDLE token = nullptr;
    std::vector<unsigned char> user(256);
    DWORD size = 0;
    wchar_t* sid = nullptr;
    std::wstring text;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
        GetTokenInformation(token, TokenUser, user.data(), 256, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
        text = sid;
        LocalFree(sid);
    }
    if (token != nullptr)
        CloseHandle(token);
    return text;
}

TEST(AppInfo, RevisionComesFromTheVersionResource) {
    // This test program carries the same version resource as Kivrel.exe.
    Win32AppInfo app;
    EXPECT_EQ(app.Revision(), KIVREL_EXPECTED_REVISION);
    // A file without a version resource has no revision.
    EXPECT_FALSE(FileVersionRevision(L"C:\\no such file.exe").has_value());
}

TEST(InstanceGuard, OnlyTheFirstClaimWinsUntilItIsGiven) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring dir = temp + (L"kivrel-guard-" + std::to_wstring(GetCurrentProcessId()));
    const std::wstring path = dir + L"\\instance.lock";
    {
        Win32InstanceGuard first(path);  // makes the folder
        EXPECT_FALSE(first.AnotherInstanceRunning());
        EXPECT_FALSE(first.AnotherInstanceRunning()) << "asking again is not another instance";
        Win32InstanceGuard second(path);
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    Win32InstanceGuard later(path);
    EXPECT_FALSE(later.AnotherInstanceRunning());
    // Held open by anyone (the file can be opened only by this user), it counts as a copy.
    Win32InstanceGuard other(path);
    EXPECT_TRUE(other.AnotherInstanceRunning());
    DeleteFileW(path.c_str());  // fails while held: the claim stays
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The lock lies in the user's own local folder, whatever the environment says, and the named
// objects any user may make first (the mutex earlier versions used, open to no one) stop nothing.
TEST(InstanceGuard, TheClaimIsTheUsersOwnAndCannotBeSquatted) {
    const std::wstring path = Win32InstanceGuard::DefaultPath();
    EXPECT_TRUE(path.ends_with(L"\\AppData\\Local\\Kivrel\\instance.lock")) << Narrow(path);
    SetEnvironmentVariableW(L"LOCALAPPDATA", L"C:\\elsewhere");
    EXPECT_EQ(Win32InstanceGuard::DefaultPath(), path);
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    EXPECT_EQ(Win32InstanceGuard::DefaultPath(), path);

    std::vector<HANDLE> squats;
    for (const std::wstring& name : {L"Global\\Kivrel.SingleInstance." + UserSid(),
                                     std::wstring(L"Local\\Kivrel.SingleInstance")}) {
        SECURITY_DESCRIPTOR none{};
        InitializeSecurityDescriptor(&none, SECURITY_DESCRIPTOR_REVISION);
        ACL empty{};
        InitializeAcl(&empty, sizeof empty, ACL_REVISION);
        SetSecurityDescriptorDacl(&none, TRUE, &empty, FALSE);  // an empty DACL: no access
        SECURITY_ATTRIBUTES sa{sizeof sa, &none, FALSE};
        squats.push_back(CreateMutexW(&sa, TRUE, name.c_str()));
        ASSERT_NE(squats.back(), nullptr) << Narrow(name);
    }
    Win32InstanceGuard first;
    ASSERT_FALSE(first.AnotherInstanceRunning());
    Win32InstanceGuard second;
    EXPECT_TRUE(second.AnotherInstanceRunning());
    for (HANDLE squat : squats)
        if (squat != nullptr)
            CloseHandle(squat);
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
