#include <gtest/gtest.h>

#include <optional>

#include "platform/win32/autostart.h"

#include <sddl.h>
#include "platform/win32/text.h"

namespace kivrel {
namespace {

TEST(RunCommand, QuotedExactlyWhenThePathHasABlank) {
    EXPECT_EQ(RunCommandFor("C:\\Tools\\Kivrel"), L"C:\\Tools\\Kivrel\\Kivrel.exe");
    EXPECT_EQ(RunCommandFor("C:\\Program Files\\Kivrel"),
              L"\"C:\\Program Files\\Kivrel\\Kivrel.exe\"");
    EXPECT_EQ(RunCommandFor("D:\\上网\\计时"), L"D:\\\u4E0A\u7F51\\\u8BA1\u65F6\\Kivrel.exe");
    // The name is fixed, whatever the directory ends in.
    EXPECT_EQ(RunCommandFor("C:\\"), L"C:\\\\Kivrel.exe");
}

// Keys of the tests' own under HKEY_CURRENT_USER stand in for the machine's and the user's.
class RunKey : public ::testing::Test {
  protected:
    static constexpr const wchar_t* kBase = L"Software\\Kivrel-tests";
    static constexpr const wchar_t* kRun = L"Run";

    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Kivrel-tests\\Machine", &machine_),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Kivrel-tests\\User", &user_),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        MachineWritable(true);
        RegCloseKey(machine_);
        RegCloseKey(user_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
    }

    // The value under root\Run, with its type; nothing when absent.
    static std::optional<std::wstring> Value(HKEY root, DWORD* type = nullptr) {
        wchar_t data[1024] = {};
        DWORD size = sizeof data;
        DWORD kind = 0;
        if (RegGetValueW(root, kRun, L"$Kivrel", RRF_RT_ANY | RRF_NOEXPAND, &kind, data, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        if (type != nullptr)
            *type = kind;
        return std::wstring(data);
    }

    // Read-only, the machine's Run key is as a user without administrator rights finds it.
    void MachineWritable(bool writable) {
        HKEY run = nullptr;
        ASSERT_EQ(RegCreateKeyW(machine_, kRun, &run), ERROR_SUCCESS);
        PSECURITY_DESCRIPTOR sd = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            writable ? L"D:P(A;;KA;;;WD)" : L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd, nullptr);
        RegSetKeySecurity(run, DACL_SECURITY_INFORMATION, sd);
        LocalFree(sd);
        RegCloseKey(run);
    }

    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
};

TEST_F(RunKey, EnterWritesTheMachineValueAndRemoveDeletesIt) {
    Win32Autostart autostart(machine_, user_, kRun);
    std::string why;
    ASSERT_TRUE(autostart.Enter("C:\\Program Files\\上网计时", why)) << why;
    DWORD type = 0;
    EXPECT_EQ(Value(machine_, &type).value_or(L"-"),
              L"\"C:\\Program Files\\\u4E0A\u7F51\u8BA1\u65F6\\Kivrel.exe\"");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_FALSE(Value(user_).has_value());

    // Entering again replaces the value.
    ASSERT_TRUE(autostart.Enter("D:\\kv", why)) << why;
    EXPECT_EQ(Value(machine_).value_or(L"-"), L"D:\\kv\\Kivrel.exe");

    ASSERT_TRUE(autostart.Remove(why)) << why;
    EXPECT_FALSE(Value(machine_).has_value());
    // Removing what is not there is no failure.
    EXPECT_TRUE(autostart.Remove(why)) << why;
}

TEST_F(RunKey, WithoutRightsToTheMachineKeyTheUserKeyIsUsed) {
    MachineWritable(false);
    Win32Autostart autostart(machine_, user_, kRun);
    std::string why;
    ASSERT_TRUE(autostart.Enter("C:\\kv", why)) << why;
    EXPECT_EQ(Value(user_).value_or(L"-"), L"C:\\kv\\Kivrel.exe");
    EXPECT_FALSE(Value(machine_).has_value());

    ASSERT_TRUE(autostart.Remove(why)) << why;
    EXPECT_FALSE(Value(user_).has_value());
}

TEST_F(RunKey, EnteringForTheMachineClearsAnOldEntryOfTheUser) {
    std::string why;
    MachineWritable(false);
    ASSERT_TRUE(Win32Autostart(machine_, user_, kRun).Enter("C:\\old", why)) << why;
    ASSERT_TRUE(Value(user_).has_value());
    MachineWritable(true);
    ASSERT_TRUE(Win32Autostart(machine_, user_, kRun).Enter("C:\\new", why)) << why;
    EXPECT_EQ(Value(machine_).value_or(L"-"), L"C:\\new\\Kivrel.exe");
    EXPECT_FALSE(Value(user_).has_value());
}

TEST_F(RunKey, AValueThatMayNotBeDeletedIsAFailureWithAReason) {
    std::string why;
    ASSERT_TRUE(Win32Autostart(machine_, user_, kRun).Enter("C:\\kv", why)) << why;
    MachineWritable(false);
    Win32Autostart denied(machine_, user_, kRun);
    EXPECT_FALSE(denied.Remove(why));
    EXPECT_NE(why.find("Run"), std::string::npos) << why;
    EXPECT_TRUE(Value(machine_).has_value());
}

}  // namespace
}  // namespace kivrel
