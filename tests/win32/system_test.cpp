#include <gtest/gtest.h>

#include "platform/win32/system.h"

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

}  // namespace
}  // namespace kivrel
