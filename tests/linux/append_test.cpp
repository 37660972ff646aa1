// Appending to a file on Linux: the ledger of sessions grows by one line per closed session.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "../settings/tiny_disk.h"
#include "platform/linux/durable_file.h"

namespace kivrel {
namespace {

namespace fs = std::filesystem;

struct AppendCase {
    const char* name;
    const char* before;  // nullptr: no file
    mode_t mode;         // of the file before, or 0 for none
    bool ok;
    const char* after;
    mode_t modeAfter;
};

void PrintTo(const AppendCase& c, std::ostream* os) {
    *os << c.name;
}

// Run with the umask 027, so that a new file shows it got 0666 less the umask (0640).
const AppendCase kCases[] = {
    {"Creates", nullptr, 0, true, "a,b\n", 0640},
    {"AddsAtTheEnd", "h\n1\n", 0600, true, "h\n1\na,b\n", 0600},
    {"LeavesATornLastLineToTheCaller", "h\n1,", 0644, true, "h\n1,a,b\n", 0644},
    {"EmptyFile", "", 0664, true, "a,b\n", 0664},
    {"RefusesAReadOnlyFile", "h\n1\n", 0444, false, "h\n1\n", 0444},
};

class Append : public ::testing::TestWithParam<AppendCase> {};

TEST_P(Append, Table) {
    const AppendCase& c = GetParam();
    testing::TempDir dir;
    const std::string path = dir / "sessions.csv";
    if (c.before != nullptr) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, c.before, std::strlen(c.before)), ssize_t(std::strlen(c.before)));
        ::close(fd);
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    }
    const mode_t umask = ::umask(027);
    LinuxFileSystem files;
    const bool ok = files.Append(path, "a,b\n");
    ::umask(umask);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(files.ReadAll(path), std::string(c.after));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.modeAfter);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"sessions.csv"}) << "nothing else beside it";
}

INSTANTIATE_TEST_SUITE_P(LinuxFileSystem, Append, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AppendTo, ALinkWritesItsTargetAndWhatIsNoFileIsRefused) {
    testing::TempDir dir;
    LinuxFileSystem files;
    fs::create_symlink("data/sessions.csv", dir / "link.csv");
    fs::create_directory(dir / "data");
    ASSERT_TRUE(files.Append(dir / "link.csv", "1\n"));  // a dangling link creates its target
    ASSERT_TRUE(files.Append(dir / "link.csv", "2\n"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
    EXPECT_EQ(files.ReadAll(dir / "data/sessions.csv"), "1\n2\n");

    EXPECT_FALSE(files.Append(dir / "data", "x"));
    EXPECT_FALSE(files.Append(dir / "missing/sessions.csv", "x"));
    EXPECT_FALSE(files.Append("", "x"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(files.Append(dir / "fifo", "x")) << "and it did not wait for a reader";
}

// On a full disk the append fails; what reached the file stays, and a later one goes through.
std::string FullDiskChecks(const std::string& dir) {
    LinuxFileSystem files;
    const std::string path = dir + "/sessions.csv";
    const std::string head = "start,end,minutes,link\n";
    if (!files.Append(path, head)) {
        return "the first append onto the small disk failed";
    }
    const std::string big(1 << 20, 'n');
    if (files.Append(path, big)) {
        return "an append larger than the disk reported success";
    }
    const std::optional<std::string> torn = files.ReadAll(path);
    if (!torn || torn->compare(0, head.size(), head) != 0 ||
        big.compare(0, torn->size() - head.size(), *torn, head.size()) != 0) {
        return "the file does not hold its old contents followed by a part of the new";
    }
    if (::truncate(path.c_str(), off_t(head.size())) != 0 || !files.Append(path, "1\n") ||
        files.ReadAll(path) != head + "1\n") {
        return "the append after room was made again failed";
    }
    return {};
}

TEST(AppendTo, AFullDiskKeepsWhatWasWrittenAndSaysSo) {
    testing::TempDir dir;
    const testing::TinyDiskResult result = testing::RunOnTinyDisk(dir, FullDiskChecks);
    if (result.cannotMount) {
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << result.message;
    }
    EXPECT_TRUE(result.message.empty()) << result.message;
}

}  // namespace
}  // namespace kivrel
