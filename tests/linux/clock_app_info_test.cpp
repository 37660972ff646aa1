#include <errno.h>
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>

#include "vocabulary/texts.h"
#include "platform/linux/app_info.h"
#include "platform/linux/clock.h"
#include "test_support.h"

namespace kivrel {
namespace {

TEST(LinuxClock, GivesTheLocalTimeWithItsOffsetNotTheUtcOne) {
    struct {
        const char* tz;
        std::time_t t;
        const char* expected;
    } cases[] = {
        {"UTC0", 1709224200, "2024-02-29T16:30:00+00:00"},
        {"CST-8", 1709224200, "2024-03-01T00:30:00+08:00"},  // already past midnight at UTC+8
        {"EST5", 1704085200, "2024-01-01T00:00:00-05:00"},
        {"EST5", 1704085199, "2023-12-31T23:59:59-05:00"},
        {"IST-5:30", 0, "1970-01-01T05:30:00+05:30"},
        // Daylight saving time: the offset is the one in force at that instant.
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1719835200, "2024-07-01T14:00:00+02:00"},
    };
    for (const auto& c : cases) {
        linuxtest::ScopedEnv tz("TZ", c.tz);
        ::tzset();
        LinuxClock clock([&] { return c.t; });
        EXPECT_EQ(IsoDateTime(clock.Now()), c.expected) << c.tz << " " << c.t;
        EXPECT_EQ(EpochSeconds(clock.Now()), c.t) << c.tz;
        // The offset in force at any moment, not only now.
        EXPECT_EQ(LinuxClock([] { return 0; }).OffsetAt(c.t), clock.Now().offsetMinutes) << c.tz;
    }
    ::tzset();
}

TEST(LinuxAppInfo, ExeDirIsTheFolderOfTheLinkTarget) {
    linuxtest::TempDir dir;
    struct {
        std::string target;
        std::string expected;
    } cases[] = {
        {"/opt/kivrel/kivrel", "/opt/kivrel"},
        {"/home/u/带 空格 的/kivrel", "/home/u/带 空格 的"},
        {"/kivrel", ""},
        {"/opt/kivrel/kivrel (deleted)", "/opt/kivrel"},
        // Longer than the first guess at the buffer size.
        {"/" + std::string(1500, 'd') + "/kivrel", "/" + std::string(1500, 'd')},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string link = dir / ("exe" + std::to_string(n++));
        ASSERT_EQ(::symlink(c.target.c_str(), link.c_str()), 0) << errno;
        EXPECT_EQ(LinuxAppInfo(link).ExeDir(), c.expected);
    }
}

TEST(LinuxAppInfo, RunningProgram) {
    LinuxAppInfo app;
    std::string dir = app.ExeDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_EQ(std::filesystem::path(dir),
              std::filesystem::canonical(program_invocation_name).parent_path());
    EXPECT_EQ(app.PathSeparator(), "/");
    // The revision comes from the build's version, the same number the tests were built with.
    EXPECT_EQ(app.Revision(), KIVREL_EXPECTED_REVISION);
}

TEST(LinuxAppInfo, WithoutTheLinkFallsBackToTheCurrentFolder) {
    linuxtest::TempDir dir;
    EXPECT_EQ(LinuxAppInfo(dir / "missing").ExeDir(), std::filesystem::current_path().string());
}

}  // namespace
}  // namespace kivrel
