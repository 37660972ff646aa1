// The order of the durable replace's steps, seen in the calls it makes (fsync and renameat are
// wrapped at link time): the temporary's bytes are on the disk before the rename makes them the
// file, and the rename itself is synced after.
#include <limits.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/durable_file.h"
#include "temp_dir.h"

extern "C" int __real_fsync(int fd);
extern "C" int __real_renameat(int oldDir, const char* oldName, int newDir, const char* newName);

namespace {

std::vector<std::string> calls;  // "fsync PATH" and "rename OLD NEW"

std::string PathOf(int fd) {
    char target[PATH_MAX];
    const ssize_t n =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
}

}  // namespace

extern "C" int __wrap_fsync(int fd) {
    calls.push_back("fsync " + PathOf(fd));
    return __real_fsync(fd);
}

extern "C" int __wrap_renameat(int oldDir, const char* oldName, int newDir, const char* newName) {
    calls.push_back("rename " + std::string(oldName) + " " + newName);
    return __real_renameat(oldDir, oldName, newDir, newName);
}

namespace kivrel {
namespace {

TEST(DurableReplaceOrder, TheTemporaryIsSyncedBeforeTheRename) {
    testing::TempDir dir;
    const std::string folder = std::filesystem::canonical(dir.path()).string();
    calls.clear();
    ASSERT_TRUE(LinuxFileSystem().ReplaceAll(dir / "timer.ini", "[T5]\r\nValue=1\r\n"));
    std::string seen;
    for (const std::string& call : calls)
        seen += call + "\n";
    ASSERT_EQ(calls.size(), 3u) << seen;
    const std::string tmp = calls[1].substr(7, calls[1].find(' ', 7) - 7);
    EXPECT_EQ(calls[0], "fsync " + folder + "/" + tmp) << seen;
    EXPECT_EQ(calls[1], "rename " + tmp + " timer.ini") << seen;
    EXPECT_EQ(calls[2], "fsync " + folder) << seen;
}

// An append syncs the file, and the folder too when the append made the file.
TEST(DurableReplaceOrder, AnAppendSyncsTheFileAndTheFolderItWasMadeIn) {
    testing::TempDir dir;
    const std::string folder = std::filesystem::canonical(dir.path()).string();
    for (const bool made : {true, false}) {
        calls.clear();
        ASSERT_TRUE(LinuxFileSystem().Append(dir / "sessions.csv", "a\n"));
        std::vector<std::string> expected{"fsync " + folder + "/sessions.csv"};
        if (made)
            expected.push_back("fsync " + folder);
        EXPECT_EQ(calls, expected) << made;
    }
}

}  // namespace
}  // namespace kivrel
