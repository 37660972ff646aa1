#include "platform/linux/instance_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "test_support.h"

namespace kivrel {
namespace {

// A child process that takes its own guard and reports the answer through a pipe, then either
// ends or, with `stay`, lives on holding whatever it got until it is killed.
class GuardChild {
  public:
    GuardChild(const std::string& exeDir, const std::string& runtimeDir, bool stay,
               bool spawnGrandchild = false) {
        int fds[2];
        if (::pipe(fds) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            LinuxInstanceGuard guard(exeDir, runtimeDir);
            char answer = guard.AnotherInstanceRunning() ? 'y' : 'n';
            pid_t grandchild = 0;
            if (spawnGrandchild) {
                // Like the program starting some other program: that must not inherit the claim.
                // The pipe closes when the exec has happened, not before: until then the
                // grandchild is a copy of this process and rightly still holds the claim.
                int execed[2];
                if (::pipe2(execed, O_CLOEXEC) != 0) {
                    ::_exit(1);
                }
                grandchild = ::fork();
                if (grandchild == 0) {
                    ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
                    ::_exit(127);
                }
                ::close(execed[1]);
                char ignored;
                while (::read(execed[0], &ignored, 1) > 0) {
                }
                ::close(execed[0]);
            }
            (void)!::write(fds[1], &answer, 1);
            (void)!::write(fds[1], &grandchild, sizeof grandchild);
            ::close(fds[1]);
            while (stay) {
                ::pause();
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        char answer = '?';
        if (pid_ > 0 && ::read(fds[0], &answer, 1) == 1 &&
            ::read(fds[0], &grandchild_, sizeof grandchild_) == sizeof grandchild_) {
            answer_ = answer;
        }
        ::close(fds[0]);
    }
    ~GuardChild() {
        Kill();
        if (grandchild_ > 0) {
            ::kill(grandchild_, SIGKILL);
            ::waitpid(grandchild_, nullptr, 0);  // ours to reap when we are its subreaper
        }
    }

    // 'y': the child saw another instance; 'n': it took the claim; '?': it failed.
    char answer() const { return answer_; }
    pid_t grandchild() const { return grandchild_; }

    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    pid_t grandchild_ = 0;
    char answer_ = '?';
};

class InstanceGuard : public ::testing::Test {
  protected:
    linuxtest::TempDir exeDir_;
    linuxtest::TempDir runtimeDir_;
};

TEST_F(InstanceGuard, ChildProcessSeesTheFirst) {
    LinuxInstanceGuard first(exeDir_.path(), runtimeDir_.path());
    ASSERT_FALSE(first.AnotherInstanceRunning());
    // Asking again does not count this process as another one.
    EXPECT_FALSE(first.AnotherInstanceRunning());

    GuardChild child(exeDir_.path(), runtimeDir_.path(), /*stay=*/false);
    EXPECT_EQ(child.answer(), 'y');
}

TEST_F(InstanceGuard, KilledHolderLeavesNoClaim) {
    GuardChild holder(exeDir_.path(), runtimeDir_.path(), /*stay=*/true);
    ASSERT_EQ(holder.answer(), 'n');

    LinuxInstanceGuard second(exeDir_.path(), runtimeDir_.path());
    EXPECT_TRUE(second.AnotherInstanceRunning());

    holder.Kill();
    // The same guard may ask again and now gets the claim, which a fresh one then sees.
    EXPECT_FALSE(second.AnotherInstanceRunning());
    GuardChild third(exeDir_.path(), runtimeDir_.path(), /*stay=*/false);
    EXPECT_EQ(third.answer(), 'y');
}

TEST_F(InstanceGuard, ProgramsStartedByTheHolderDoNotKeepTheClaim) {
    // The orphaned grandchild comes to this process, which then reaps it.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    GuardChild holder(exeDir_.path(), runtimeDir_.path(), /*stay=*/true, /*spawnGrandchild=*/true);
    ASSERT_EQ(holder.answer(), 'n');
    ASSERT_GT(holder.grandchild(), 0);
    holder.Kill();  // the started program lives on

    ASSERT_EQ(::kill(holder.grandchild(), 0), 0) << "the started program should still run";
    LinuxInstanceGuard next(exeDir_.path(), runtimeDir_.path());
    EXPECT_FALSE(next.AnotherInstanceRunning());
}

TEST_F(InstanceGuard, EndingTheGuardGivesUpTheClaim) {
    {
        LinuxInstanceGuard first(exeDir_.path(), runtimeDir_.path());
        ASSERT_FALSE(first.AnotherInstanceRunning());
        LinuxInstanceGuard second(exeDir_.path(), runtimeDir_.path());
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    LinuxInstanceGuard again(exeDir_.path(), runtimeDir_.path());
    EXPECT_FALSE(again.AnotherInstanceRunning());
}

TEST_F(InstanceGuard, CopiesInDifferentFoldersAreIndependent) {
    linuxtest::TempDir otherExeDir;
    LinuxInstanceGuard first(exeDir_.path(), runtimeDir_.path());
    ASSERT_FALSE(first.AnotherInstanceRunning());
    LinuxInstanceGuard other(otherExeDir.path(), runtimeDir_.path());
    EXPECT_FALSE(other.AnotherInstanceRunning());
    EXPECT_NE(first.LockPath(), other.LockPath());

    GuardChild child(otherExeDir.path(), runtimeDir_.path(), /*stay=*/false);
    EXPECT_EQ(child.answer(), 'y');
    // A folder whose name only starts like the other one's is a different installation.
    GuardChild prefix(otherExeDir.path() + "2", runtimeDir_.path(), /*stay=*/false);
    EXPECT_EQ(prefix.answer(), 'n');
}

TEST_F(InstanceGuard, LockLivesInTheRuntimeFolderOnly) {
    LinuxInstanceGuard guard(exeDir_.path(), runtimeDir_.path());
    ASSERT_FALSE(guard.AnotherInstanceRunning());

    EXPECT_TRUE(std::filesystem::is_empty(exeDir_.path()));
    std::filesystem::path lock = guard.LockPath();
    EXPECT_EQ(lock.parent_path(), std::filesystem::path(runtimeDir_.path()));
    EXPECT_NE(lock.filename().string().find("-" + std::to_string(::getuid()) + "-"),
              std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(guard.LockPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(InstanceGuard, RuntimeFolderFromTheEnvironment) {
    struct {
        std::optional<std::string> value;
        std::string expected;
    } cases[] = {
        {runtimeDir_.path(), runtimeDir_.path()},
        {std::nullopt, "/tmp"},
        {"", "/tmp"},
        {"relative/run", "/tmp"},
        {runtimeDir_ / "missing", "/tmp"},
    };
    for (const auto& c : cases) {
        linuxtest::ScopedEnv env("XDG_RUNTIME_DIR", c.value);
        EXPECT_EQ(LinuxInstanceGuard::DefaultRuntimeDir(), c.expected) << c.value.value_or("unset");
    }
    linuxtest::ScopedEnv env("XDG_RUNTIME_DIR", runtimeDir_.path());
    LinuxInstanceGuard guard(exeDir_.path());
    EXPECT_EQ(std::filesystem::path(guard.LockPath()).parent_path(),
              std::filesystem::path(runtimeDir_.path()));
}

TEST_F(InstanceGuard, PlantedLinkIsNotFollowed) {
    LinuxInstanceGuard probe(exeDir_.path(), runtimeDir_.path());
    std::string victim = runtimeDir_ / "victim";
    ASSERT_EQ(::symlink(victim.c_str(), probe.LockPath().c_str()), 0);
    // No claim to be had: the program still runs, and nothing appears at the link's target.
    EXPECT_FALSE(probe.AnotherInstanceRunning());
    EXPECT_FALSE(std::filesystem::exists(victim));
}

}  // namespace
}  // namespace kivrel
