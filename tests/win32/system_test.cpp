#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kivrel
