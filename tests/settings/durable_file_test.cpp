// The Linux settings file: whole-file reads and the durable whole-file replace.
#include "platform/linux/durable_file.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "tiny_disk.h"

namespace kivrel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_ino;
}

constexpr char kSample[] = "[s]\r\nValue=40\r\n[T5]\r\nValue=99\r\n";

class DurableFileTest : public ::testing::Test {
  protected:
    TempDir dir_;
    LinuxFileSystem files_;
    std::string ini_ = dir_ / "timer.ini";
};

TEST_F(DurableFileTest, ReplaceCreatesAndReplacesWholeFile) {
    ASSERT_FALSE(files_.Exists(ini_));
    EXPECT_EQ(files_.ReadAll(ini_), std::nullopt);

    ASSERT_TRUE(files_.ReplaceAll(ini_, kSample));
    EXPECT_TRUE(files_.Exists(ini_));
    EXPECT_EQ(ReadFile(ini_), kSample);
    EXPECT_EQ(files_.ReadAll(ini_), kSample);

    // Shorter, longer (beyond one read buffer), with NUL bytes, and empty.
    const std::string large(300000, 'x');
    const std::string withNul("a\0b\r\n", 5);
    for (const std::string& bytes : {std::string("x"), large, withNul, std::string()}) {
        ASSERT_TRUE(files_.ReplaceAll(ini_, bytes));
        EXPECT_EQ(ReadFile(ini_), bytes);
        EXPECT_EQ(files_.ReadAll(ini_), bytes);
    }
    EXPECT_EQ(dir_.Names(), std::set<std::string>{"timer.ini"});
}

TEST_F(DurableFileTest, ReplaceIsARenameNotAnInPlaceRewrite) {
    WriteFile(ini_, kSample);
    const ino_t before = InodeOf(ini_);
    ASSERT_TRUE(files_.ReplaceAll(ini_, "[T5]\r\nValue=120\r\n"));
    EXPECT_NE(InodeOf(ini_), before);
}

TEST_F(DurableFileTest, ReplaceKeepsPermissionBits) {
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0664}, mode_t{0200}}) {
        WriteFile(ini_, kSample);
        ASSERT_EQ(::chmod(ini_.c_str(), mode), 0);
        ASSERT_TRUE(files_.ReplaceAll(ini_, "new")) << std::oct << mode;
        EXPECT_EQ(ModeOf(ini_), mode);
        ASSERT_EQ(::chmod(ini_.c_str(), 0600), 0);
        EXPECT_EQ(ReadFile(ini_), "new");
    }
}

TEST_F(DurableFileTest, NewFileFollowsUmask) {
    const mode_t previous = ::umask(027);
    const bool ok = files_.ReplaceAll(ini_, kSample);
    ::umask(previous);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ModeOf(ini_), mode_t{0640});
}

TEST_F(DurableFileTest, SymlinkKeepsItsLinkAndTargetIsWritten) {
    fs::create_directory(dir_ / "real");
    const std::string target = dir_ / "real/timer.ini";
    WriteFile(target, kSample);
    // A relative link, and a chain of two links.
    fs::create_symlink("real/timer.ini", ini_);
    fs::create_symlink(ini_, dir_ / "second.ini");

    ASSERT_TRUE(files_.ReplaceAll(ini_, "one"));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(ReadFile(target), "one");
    EXPECT_EQ(files_.ReadAll(ini_), "one");

    ASSERT_TRUE(files_.ReplaceAll(dir_ / "second.ini", "two"));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_TRUE(fs::is_symlink(dir_ / "second.ini"));
    EXPECT_EQ(ReadFile(target), "two");
    // The temporaries went beside the target, and none is left.
    EXPECT_EQ(dir_.Names(dir_ / "real"), std::set<std::string>{"timer.ini"});
    EXPECT_EQ(dir_.Names(), (std::set<std::string>{"real", "second.ini", "timer.ini"}));
}

TEST_F(DurableFileTest, DanglingSymlinkCreatesItsTarget) {
    fs::create_symlink("target.ini", ini_);
    EXPECT_FALSE(files_.Exists(ini_));
    ASSERT_TRUE(files_.ReplaceAll(ini_, kSample));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(ReadFile(dir_ / "target.ini"), kSample);
    EXPECT_TRUE(files_.Exists(ini_));
}

TEST_F(DurableFileTest, SymlinkLoopIsRefused) {
    fs::create_symlink("b.ini", dir_ / "a.ini");
    fs::create_symlink("a.ini", dir_ / "b.ini");
    EXPECT_FALSE(files_.ReplaceAll(dir_ / "a.ini", kSample));
    EXPECT_EQ(files_.ReadAll(dir_ / "a.ini"), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(dir_ / "a.ini"));
    EXPECT_EQ(dir_.Names(), (std::set<std::string>{"a.ini", "b.ini"}));
}

// A read-only file must stay as it is, even for root, whom every access check lets through.
TEST_F(DurableFileTest, ReadOnlyFileIsRefusedAndUnchanged) {
    for (const mode_t mode : {mode_t{0444}, mode_t{0400}, mode_t{0}}) {
        WriteFile(ini_, kSample);
        ASSERT_EQ(::chmod(ini_.c_str(), mode), 0);
        const ino_t inode = InodeOf(ini_);
        EXPECT_FALSE(files_.ReplaceAll(ini_, "new")) << std::oct << mode;
        EXPECT_EQ(files_.FailureReason(), std::strerror(EACCES));
        EXPECT_EQ(InodeOf(ini_), inode);
        EXPECT_EQ(ModeOf(ini_), mode);
        ASSERT_EQ(::chmod(ini_.c_str(), 0600), 0);
        EXPECT_EQ(ReadFile(ini_), kSample);
        EXPECT_EQ(dir_.Names(), std::set<std::string>{"timer.ini"});
    }
}

TEST_F(DurableFileTest, DirectoryAtThePathIsRefused) {
    fs::create_directory(ini_);
    EXPECT_FALSE(files_.ReplaceAll(ini_, kSample));
    EXPECT_EQ(files_.FailureReason(), std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(ini_));
    EXPECT_FALSE(files_.Exists(ini_));
    EXPECT_EQ(files_.ReadAll(ini_), std::nullopt);
    EXPECT_EQ(dir_.Names(), std::set<std::string>{"timer.ini"});
}

TEST_F(DurableFileTest, MissingDirectoryOrEmptyPathIsRefused) {
    EXPECT_FALSE(files_.ReplaceAll(dir_ / "missing/timer.ini", kSample));
    EXPECT_EQ(files_.FailureReason(), std::strerror(ENOENT));
    EXPECT_FALSE(files_.ReplaceAll(dir_ / "missing/", kSample));
    EXPECT_FALSE(files_.ReplaceAll("", kSample));
    EXPECT_TRUE(dir_.Names().empty());
    // A file where a directory should be.
    WriteFile(dir_ / "plain", "x");
    EXPECT_FALSE(files_.ReplaceAll(dir_ / "plain/timer.ini", kSample));
    EXPECT_EQ(files_.FailureReason(), std::strerror(ENOTDIR));
    EXPECT_EQ(ReadFile(dir_ / "plain"), "x");
}

// One file by any of its names; never two files with the same bytes, nor a missing one.
TEST_F(DurableFileTest, SameFileComparesTheFileNotItsName) {
    WriteFile(ini_, kSample);
    WriteFile(dir_ / "copy.ini", kSample);
    fs::create_symlink("timer.ini", dir_ / "link.ini");
    fs::create_hard_link(ini_, dir_ / "hard.ini");
    for (const std::string& other :
         {ini_, dir_ / "link.ini", dir_ / "hard.ini", dir_ / "./timer.ini"})
        EXPECT_TRUE(files_.SameFile(other, ini_)) << other;
    for (const std::string& other : {dir_ / "copy.ini", dir_ / "missing.ini"})
        EXPECT_FALSE(files_.SameFile(other, ini_)) << other;
    EXPECT_FALSE(files_.SameFile(dir_ / "missing.ini", dir_ / "missing.ini"));
}

// A file the user may write in a folder the user may not: no temporary can be made there, so
// the file itself is rewritten rather than every save failing. Run as another user when this is
// the administrator, who may write anywhere.
TEST_F(DurableFileTest, WritableFileInAFolderThatRefusesNewFilesIsRewrittenInPlace) {
    WriteFile(ini_, std::string(200, 'x'));
    const ino_t inode = InodeOf(ini_);
    const bool root = ::geteuid() == 0;
    const std::string installed = dir_ / "installed.ini";
    WriteFile(installed, kSample);
    ASSERT_EQ(::chmod(dir_.path().c_str(), root ? 0755 : 0555), 0);
    if (root) {
        ASSERT_EQ(::chown(ini_.c_str(), 65534, 65534), 0);
    }
    auto save = [&] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        LinuxFileSystem files;
        if (!files.Writable(ini_))
            return 3;
        // The administrator's installed file is not this user's to write.
        if (root && files.Writable(installed))
            return 4;
        return files.ReplaceAll(ini_, kSample) ? 0 : 1;
    };
    int result = -1;
    if (root) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(save());
        int status = 0;
        ::waitpid(child, &status, 0);
        result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        result = save();
    }
    ::chmod(dir_.path().c_str(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(ini_), kSample);  // the longer old contents are cut off
    EXPECT_EQ(InodeOf(ini_), inode);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 2);
}

TEST_F(DurableFileTest, WritableAndMakeDirectories) {
    WriteFile(ini_, kSample);
    EXPECT_TRUE(files_.Writable(ini_));
    ASSERT_EQ(::chmod(ini_.c_str(), 0444), 0);
    EXPECT_FALSE(files_.Writable(ini_));  // even for the administrator
    EXPECT_FALSE(files_.Writable(dir_ / "missing"));
    EXPECT_FALSE(files_.Writable(dir_.path()));

    const std::string deep = dir_ / "a/b/kivrel";
    EXPECT_TRUE(files_.MakeDirectories(deep));
    EXPECT_TRUE(files_.MakeDirectories(deep));  // already there
    EXPECT_EQ(ModeOf(deep), 0700u);
    EXPECT_EQ(ModeOf(dir_ / "a"), 0700u);
    EXPECT_FALSE(files_.MakeDirectories(ini_ + "/sub"));  // a file in the way
}

TEST_F(DurableFileTest, ExistsOnlyForRegularFiles) {
    EXPECT_FALSE(files_.Exists(ini_));
    WriteFile(ini_, "");
    EXPECT_TRUE(files_.Exists(ini_));
    EXPECT_EQ(files_.ReadAll(ini_), "");
    fs::create_symlink("timer.ini", dir_ / "link.ini");
    EXPECT_TRUE(files_.Exists(dir_ / "link.ini"));
    fs::create_symlink("nothing.ini", dir_ / "dangling.ini");
    EXPECT_FALSE(files_.Exists(dir_ / "dangling.ini"));
    EXPECT_FALSE(files_.Exists(dir_.path()));
}

// A fifo (no writer: a read would wait for ever) and a device (/dev/zero never ends) are refused
// before anything is read; a regular file is read in parts and cut back.
TEST_F(DurableFileTest, ReadsOnlyRegularFilesWithoutBlocking) {
    const std::string fifo = dir_ / "sessions.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null")}) {
        EXPECT_EQ(files_.ReadAll(path), std::nullopt) << path;
        EXPECT_EQ(files_.FileSize(path), std::nullopt) << path;
        EXPECT_EQ(files_.ReadRange(path, 0, 100), std::nullopt) << path;
        EXPECT_FALSE(files_.CutTo(path, 0)) << path;
    }
    WriteFile(ini_, "0123456789");
    EXPECT_EQ(files_.FileSize(ini_), 10u);
    EXPECT_EQ(files_.ReadRange(ini_, 3, 4), "3456");
    EXPECT_EQ(files_.ReadRange(ini_, 8, 100), "89");
    EXPECT_EQ(files_.ReadRange(ini_, 12, 4), "");
    EXPECT_FALSE(files_.CutTo(ini_, 10));  // never lengthens, nor cuts nothing
    EXPECT_TRUE(files_.CutTo(ini_, 4));
    EXPECT_EQ(ReadFile(ini_), "0123");
}

TEST_F(DurableFileTest, RemoveStaleTemporariesRemovesOnlyThisFilesTemporaries) {
    WriteFile(ini_, kSample);
    for (const char* name : {".timer.ini.tmp-abc123", ".timer.ini.tmp-XYZ789"}) {
        WriteFile(dir_ / name, "torn");
    }
    const std::set<std::string> kept = {
        "timer.ini",
        ".timer.ini.tmp-abc",      // not a temporary's name
        ".timer.ini.tmp-abc1234",  // not a temporary's name
        ".timer.ini.tmp-ab.123",   // not a temporary's name
        ".other.ini.tmp-abc123",   // another file's
        "timer.ini.tmp-abc123",    // not hidden
        ".timer.ini.tmp-dir123",   // a directory
        ".timer.ini.tmp-lnk123",   // a link
    };
    for (const std::string& name : kept) {
        if (name == ".timer.ini.tmp-dir123") {
            fs::create_directory(dir_ / name);
        } else if (name == ".timer.ini.tmp-lnk123") {
            fs::create_symlink("timer.ini", dir_ / name);
        } else if (name != "timer.ini") {
            WriteFile(dir_ / name, "keep");
        }
    }
    files_.RemoveStaleTemporaries(ini_);
    EXPECT_EQ(dir_.Names(), kept);
    EXPECT_EQ(ReadFile(ini_), kSample);
}

TEST_F(DurableFileTest, RemoveStaleTemporariesLooksBesideTheLinkTarget) {
    fs::create_directory(dir_ / "real");
    WriteFile(dir_ / "real/data.ini", kSample);
    WriteFile(dir_ / "real/.data.ini.tmp-Q1w2E3", "torn");
    fs::create_symlink("real/data.ini", ini_);
    files_.RemoveStaleTemporaries(ini_);
    EXPECT_EQ(dir_.Names(dir_ / "real"), std::set<std::string>{"data.ini"});
    // A missing directory is nothing to clean.
    files_.RemoveStaleTemporaries(dir_ / "missing/timer.ini");
}

TEST(TemporaryPrefix, DerivedFromTheFileNameAndKeptWithinTheNameLimit) {
    EXPECT_EQ(TemporaryPrefix("timer.ini"), ".timer.ini.tmp-");
    const std::string longName(255, 'n');
    EXPECT_EQ(TemporaryPrefix(longName).size() + 6, 255u);
}

TEST_F(DurableFileTest, ReplaceWorksForTheLongestFileName) {
    const std::string name(255, 'n');
    ASSERT_TRUE(files_.ReplaceAll(dir_ / name, kSample));
    EXPECT_EQ(ReadFile(dir_ / name), kSample);
    EXPECT_EQ(dir_.Names(), std::set<std::string>{name});
}

// --- Full disk ---------------------------------------------------------------------------
//
// A tiny tmpfs is mounted over a scratch directory in a private mount namespace of a child
// process (as root directly, otherwise inside a new user namespace), so nothing outside the child
// ever sees it and it disappears with the child.

// Runs in the child: returns a description of the first failed check, empty when all held.
std::string FullDiskChecks(const std::string& dir) {
    LinuxFileSystem files;
    const std::string ini = dir + "/timer.ini";
    const std::string old = std::string(8192, 'o') + "\r\n[T5]\r\nValue=99\r\n";
    if (!files.ReplaceAll(ini, old)) {
        return "the first write onto the small disk failed";
    }
    auto leftovers = [&] {
        std::string names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "timer.ini" && name != "filler") {
                names += name + " ";
            }
        }
        return names;
    };

    // Contents that cannot fit.
    if (files.ReplaceAll(ini, std::string(1 << 20, 'n'))) {
        return "a write larger than the disk reported success";
    }
    if (files.ReadAll(ini) != old) {
        return "the file changed after a write larger than the disk";
    }
    if (!leftovers().empty()) {
        return "temporary left after a failed write: " + leftovers();
    }

    // A disk filled to the last block: even a tiny replacement has no room.
    {
        const int filler = ::open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (filler < 0) {
            return "cannot create the filler file";
        }
        const std::string block(4096, 'f');
        while (::write(filler, block.data(), block.size()) > 0) {
        }
        const std::string one(1, 'f');
        while (::write(filler, one.data(), 1) > 0) {
        }
        ::close(filler);
    }
    if (files.ReplaceAll(ini, "[T5]\r\nValue=120\r\n")) {
        return "a small write onto a full disk reported success";
    }
    if (files.ReadAll(ini) != old) {
        return "the file changed after a write onto a full disk";
    }
    if (!leftovers().empty()) {
        return "temporary left after a write onto a full disk: " + leftovers();
    }

    // Room again: the next write goes through.
    ::unlink((dir + "/filler").c_str());
    if (!files.ReplaceAll(ini, "[T5]\r\nValue=121\r\n") ||
        files.ReadAll(ini) != "[T5]\r\nValue=121\r\n") {
        return "the write after room was made again failed";
    }

    // No inode left: no temporary can be made, and that is no reason to write in place.
    std::vector<std::string> inodes;
    for (;;) {
        const std::string name = dir + "/i" + std::to_string(inodes.size());
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            break;
        }
        ::close(fd);
        inodes.push_back(name);
        if (inodes.size() > 100) {
            return "the small disk has no inode limit";
        }
    }
    if (errno != ENOSPC) {
        return std::string("cannot use up the inodes: ") + std::strerror(errno);
    }
    if (files.ReplaceAll(ini, "[T5]\r\nValue=122\r\n")) {
        return "a write with no inode left reported success";
    }
    if (files.ReadAll(ini) != "[T5]\r\nValue=121\r\n") {
        return "the file changed after a write with no inode left";
    }
    for (const std::string& name : inodes) {
        ::unlink(name.c_str());
    }
    return {};
}

TEST(FullDisk, FailedReplaceLeavesTheOldFileByteIdentical) {
    TempDir dir;
    const testing::TinyDiskResult result = testing::RunOnTinyDisk(dir, FullDiskChecks);
    if (result.cannotMount) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root or unprivileged user "
                        "namespaces): "
                     << result.message;
    }
    EXPECT_TRUE(result.message.empty()) << result.message;
    EXPECT_TRUE(result.mountPointEmptyAfter) << "the tmpfs leaked out of the child";
}

}  // namespace
}  // namespace kivrel
