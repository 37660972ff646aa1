#include "platform/linux/instance_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "test_support.h"

namespace kivrel {
namespace {

// A child process that takes its own guard and reports the answer through a pipe, then either
// ends or, with `stay`, lives on holding whatever it got until it is killed.
class GuardChild {
  public:
    GuardChild(const std::string& runtimeDir, const std::string& fallbackDir, bool stay,
               bool spawnGrandchild = false)
        : GuardChild({LinuxInstanceGuard::Place{runtimeDir, ::geteuid(), false, fallbackDir}}, stay,
                     spawnGrandchild) {}
    GuardChild(std::vector<LinuxInstanceGuard::Place> places, bool stay,
               bool spawnGrandchild = false) {
        int fds[2];
        if (::pipe(fds) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            LinuxInstanceGuard guard(places);
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
    linuxtest::TempDir runtimeDir_;
    linuxtest::TempDir fallbackDir_;
};

TEST_F(InstanceGuard, ChildProcessSeesTheFirst) {
    LinuxInstanceGuard first(runtimeDir_.path(), fallbackDir_.path());
    ASSERT_FALSE(first.AnotherInstanceRunning());
    // Asking again does not count this process as another one.
    EXPECT_FALSE(first.AnotherInstanceRunning());

    GuardChild child(runtimeDir_.path(), fallbackDir_.path(), /*stay=*/false);
    EXPECT_EQ(child.answer(), 'y');
}

TEST_F(InstanceGuard, KilledHolderLeavesNoClaim) {
    GuardChild holder(runtimeDir_.path(), fallbackDir_.path(), /*stay=*/true);
    ASSERT_EQ(holder.answer(), 'n');

    LinuxInstanceGuard second(runtimeDir_.path(), fallbackDir_.path());
    EXPECT_TRUE(second.AnotherInstanceRunning());

    holder.Kill();
    // The same guard may ask again and now gets the claim, which a fresh one then sees.
    EXPECT_FALSE(second.AnotherInstanceRunning());
    GuardChild third(runtimeDir_.path(), fallbackDir_.path(), /*stay=*/false);
    EXPECT_EQ(third.answer(), 'y');
}

TEST_F(InstanceGuard, ProgramsStartedByTheHolderDoNotKeepTheClaim) {
    // The orphaned grandchild comes to this process, which then reaps it.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    GuardChild holder(runtimeDir_.path(), fallbackDir_.path(), /*stay=*/true,
                      /*spawnGrandchild=*/true);
    ASSERT_EQ(holder.answer(), 'n');
    ASSERT_GT(holder.grandchild(), 0);
    holder.Kill();  // the started program lives on

    ASSERT_EQ(::kill(holder.grandchild(), 0), 0) << "the started program should still run";
    LinuxInstanceGuard next(runtimeDir_.path(), fallbackDir_.path());
    EXPECT_FALSE(next.AnotherInstanceRunning());
}

TEST_F(InstanceGuard, EndingTheGuardGivesUpTheClaim) {
    {
        LinuxInstanceGuard first(runtimeDir_.path(), fallbackDir_.path());
        ASSERT_FALSE(first.AnotherInstanceRunning());
        LinuxInstanceGuard second(runtimeDir_.path(), fallbackDir_.path());
        EXPECT_TRUE(second.AnotherInstanceRunning());
    }
    LinuxInstanceGuard again(runtimeDir_.path(), fallbackDir_.path());
    EXPECT_FALSE(again.AnotherInstanceRunning());
}

TEST_F(InstanceGuard, LockIsPerUserAndLivesInTheRuntimeFolder) {
    LinuxInstanceGuard guard(runtimeDir_.path(), fallbackDir_.path());
    ASSERT_FALSE(guard.AnotherInstanceRunning());
    EXPECT_EQ(guard.LockPath(), runtimeDir_ / ("kivrel-" + std::to_string(::geteuid()) + ".lock"));
    EXPECT_EQ(guard.HeldPath(), guard.LockPath());
    EXPECT_TRUE(std::filesystem::is_empty(fallbackDir_.path()));
    struct stat st {};
    ASSERT_EQ(::stat(guard.LockPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// In a shared /tmp another user may have put something under the lock's name first. It is never
// followed or locked: the claim moves to the user's own folder, so that it neither stops the
// program nor fakes a running copy, and two copies of the same user still meet there.
void ExpectPlantedNeitherStopsNorFools(const std::function<void(const std::string&)>& plant,
                                       const std::string& victim) {
    linuxtest::TempDir shared, own, elsewhere;
    LinuxInstanceGuard first(shared.path(), own / "data/kivrel");
    plant(first.LockPath());
    EXPECT_FALSE(first.AnotherInstanceRunning());
    EXPECT_EQ(first.HeldPath(),
              own / ("data/kivrel/kivrel-" + std::to_string(::geteuid()) + ".lock"));
    GuardChild second(shared.path(), own / "data/kivrel", /*stay=*/false);
    EXPECT_EQ(second.answer(), 'y');
    EXPECT_FALSE(std::filesystem::exists(victim));
    // Someone else's lock, even when held, is not taken for a running copy.
    const int planted = ::open(first.LockPath().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (planted >= 0) {
        ASSERT_EQ(::flock(planted, LOCK_EX | LOCK_NB), 0);
        LinuxInstanceGuard later(shared.path(), elsewhere.path());
        EXPECT_FALSE(later.AnotherInstanceRunning());
        ::close(planted);
    }
}

TEST_F(InstanceGuard, PlantedThingsNeitherStopNorFoolIt) {
    const std::string victim = runtimeDir_ / "victim";
    ExpectPlantedNeitherStopsNorFools(
        [&](const std::string& p) { ASSERT_EQ(::symlink(victim.c_str(), p.c_str()), 0); }, victim);
    ExpectPlantedNeitherStopsNorFools(
        [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }, victim);
    ExpectPlantedNeitherStopsNorFools(
        [](const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0777), 0); }, victim);
}

TEST_F(InstanceGuard, AnotherUsersFileNeitherStopsNorFoolsIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "planting a file another user owns needs root";
    }
    ExpectPlantedNeitherStopsNorFools(
        [](const std::string& p) {  // someone else's file, open to all
            const int fd = ::open(p.c_str(), O_CREAT | O_RDWR, 0666);
            ASSERT_GE(fd, 0);
            ::close(fd);
            ASSERT_EQ(::chmod(p.c_str(), 0666), 0);
            ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
        },
        runtimeDir_ / "victim");
}

// The lock's places follow from the uid alone. The runtime folder /run/user/<uid> is used only
// when it is the user's own, a real folder with mode 0700 exactly; the fixed place after it always.
TEST_F(InstanceGuard, RuntimeFolderOnlyWhenPrivate) {
    const unsigned me = ::geteuid();
    const auto folder = [](mode_t mode) {
        return [mode](const std::string& p) {
            ASSERT_EQ(::mkdir(p.c_str(), 0700), 0);
            ASSERT_EQ(::chmod(p.c_str(), mode), 0);
        };
    };
    const struct {
        const char* what;
        unsigned uid;
        std::function<void(const std::string&)> make;
        bool used;
    } cases[] = {
        {"own, 0700", me, folder(0700), true},
        {"0750", me, folder(0750), false},
        {"0701", me, folder(0701), false},
        {"0500", me, folder(0500), false},
        {"01700", me, folder(01700), false},
        {"02700", me, folder(02700), false},
        {"04700", me, folder(04700), false},
        {"missing", me, [](const std::string&) {}, false},
        {"a link to a private folder", me,
         [](const std::string& p) {
             ASSERT_EQ(::mkdir((p + ".real").c_str(), 0700), 0);
             ASSERT_EQ(::symlink((p + ".real").c_str(), p.c_str()), 0);
         },
         false},
        {"another user's", me + 1, folder(0700), false},
    };
    const std::string lockName = "/kivrel-" + std::to_string(me) + ".lock";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        linuxtest::TempDir run, lock, home;
        const std::string runtime = run / std::to_string(c.uid);
        c.make(runtime);
        LinuxInstanceGuard guard(
            LinuxInstanceGuard::UserPlaces(c.uid, run.path(), lock.path(), home.path()));
        ASSERT_FALSE(guard.AnotherInstanceRunning());
        const auto& held = guard.HeldPaths();
        EXPECT_EQ(std::count(held.begin(), held.end(), runtime + lockName), c.used ? 1 : 0);
        ASSERT_FALSE(held.empty());
        const std::string fixed = lock / ("kivrel-" + std::to_string(c.uid));
        EXPECT_EQ(held.back(), (c.uid == me ? fixed : home / ".local/share/kivrel") + lockName);
    }
    struct stat st {};
    linuxtest::TempDir run, lock;
    LinuxInstanceGuard guard(LinuxInstanceGuard::UserPlaces(me, run.path(), lock.path()));
    ASSERT_FALSE(guard.AnotherInstanceRunning());
    ASSERT_EQ(::lstat((lock / ("kivrel-" + std::to_string(me))).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

// A copy started before the user's first log-in (no runtime folder yet) and one started after it
// meet at the fixed place, whichever came first.
TEST_F(InstanceGuard, CopiesBeforeAndAfterTheLogInMeet) {
    const unsigned me = ::geteuid();
    const std::string runtime = runtimeDir_ / std::to_string(me);
    const auto places = [&] {
        return LinuxInstanceGuard::UserPlaces(me, runtimeDir_.path(), fallbackDir_.path());
    };
    for (bool loggedInFirst : {false, true}) {
        SCOPED_TRACE(loggedInFirst);
        std::filesystem::remove_all(runtime);
        if (loggedInFirst) {
            ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
        }
        GuardChild first(places(), /*stay=*/true);
        ASSERT_EQ(first.answer(), 'n');
        if (!loggedInFirst) {
            ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
        } else {
            std::filesystem::remove_all(runtime);
        }
        LinuxInstanceGuard second(places());
        EXPECT_TRUE(second.AnotherInstanceRunning());
        EXPECT_TRUE(second.HeldPaths().empty());
    }
}

}  // namespace
}  // namespace kivrel
