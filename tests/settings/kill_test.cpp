// Kills a process that keeps rewriting the settings file at random moments, over and over, and
// checks after every kill that the file holds, byte for byte, either the last value the writer
// saw confirmed or the one it was writing, and that no temporary survives the start-up cleanup.
//
// The same check is run against a writer that rewrites the file in place; it must catch that
// writer at least once, which shows that the check can see a torn file at all.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/durable_file.h"
#include "vocabulary/ini_format.h"
#include "temp_dir.h"

namespace kivrel {
namespace {

// A settings file with every section the program uses; [T5] holds the counter.
std::string SettingsText(int32_t counter) {
    std::string text = "[s]\r\nValue=40\r\n[r]\r\nValue=15\r\n";
    for (int month = 1; month <= 12; ++month) {
        const int32_t value = month == 5 ? counter : month * 100 + 7;
        text += "[T" + std::to_string(month) + "]\r\nValue=" + std::to_string(value) + "\r\n";
    }
    text += "[Run]\r\nValue=1\r\n[Exit]\r\nValue=0\r\n";
    return text;
}

struct KillCounts {
    int kills = 0;
    int heldConfirmed = 0;     // the file held the last value the writer saw confirmed
    int heldNext = 0;          // the file held the value being written when the kill came
    int bad = 0;               // anything else: a torn or lost file
    int leftTemporary = 0;     // the kill left a temporary beside the file
    int survivedCleanup = 0;   // something besides the file was still there after the cleanup
    int writerFailures = 0;    // the writer stopped by itself or misreported its start
    int32_t finalCounter = 0;  // the counter in the file at the end: rewrites kept in all
    std::string firstBad;
};

void Sleep(long microseconds) {
    timespec pause{microseconds / 1000000, (microseconds % 1000000) * 1000};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// Reads raw int32 records until the pipe's other end is gone; returns the last one.
std::optional<int32_t> LastRecord(int fd) {
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    if (bytes.size() < sizeof(int32_t)) {
        return std::nullopt;
    }
    int32_t last = 0;
    bytes.copy(reinterpret_cast<char*>(&last), sizeof last,
               (bytes.size() / sizeof last - 1) * sizeof last);
    return last;
}

KillCounts KillRepeatedly(const std::string& mode, int kills, uint32_t seed, int maxDelayUs) {
    testing::TempDir dir;
    const std::string ini = dir / "timer.ini";
    LinuxFileSystem files;
    KillCounts counts;
    int32_t current = 0;
    { std::ofstream(ini, std::ios::binary) << SettingsText(current); }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelayUs);

    const std::string writer = KIVREL_KILL_WRITER;
    for (int round = 0; round < kills; ++round) {
        int report[2];
        if (::pipe2(report, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            break;
        }
        const std::string fdText = std::to_string(report[1]);
        std::vector<char*> argv = {const_cast<char*>(writer.c_str()),
                                   const_cast<char*>(mode.c_str()), const_cast<char*>(ini.c_str()),
                                   const_cast<char*>(fdText.c_str()), nullptr};
        const pid_t child = ::fork();
        if (child < 0) {
            ADD_FAILURE() << "fork: " << std::strerror(errno);
            break;
        }
        if (child == 0) {
            ::fcntl(report[1], F_SETFD, 0);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(report[1]);

        // Wait until the writer runs, then kill it at a random moment of its work.
        int32_t started = 0;
        ssize_t got;
        do {
            got = ::read(report[0], &started, sizeof started);
        } while (got < 0 && errno == EINTR);
        if (got == sizeof started) {
            Sleep(delay(random));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::optional<int32_t> last = LastRecord(report[0]);
        ::close(report[0]);
        ++counts.kills;

        if (got != sizeof started || started != current || !WIFSIGNALED(status) ||
            WTERMSIG(status) != SIGKILL) {
            ++counts.writerFailures;
            ADD_FAILURE() << "writer did not start cleanly or stopped by itself (round " << round
                          << ", status " << status << ")";
            break;
        }
        const int32_t confirmed = last.value_or(started);

        const std::optional<std::string> text = files.ReadAll(ini);
        if (text == SettingsText(confirmed)) {
            ++counts.heldConfirmed;
            current = confirmed;
        } else if (text == SettingsText(confirmed + 1)) {
            ++counts.heldNext;
            current = confirmed + 1;
        } else {
            if (counts.bad++ == 0) {
                counts.firstBad = "round " + std::to_string(round) + ", confirmed " +
                                  std::to_string(confirmed) + ", file " +
                                  (text ? std::to_string(text->size()) + " bytes, T5 reads " +
                                              std::to_string(IniReadInt(*text, "T5", "Value"))
                                        : std::string("unreadable"));
            }
            // Put a good file back so that the next rounds are judged on their own.
            current = confirmed;
            std::ofstream(ini, std::ios::binary | std::ios::trunc) << SettingsText(current);
        }

        if (dir.Names().size() > 1) {
            ++counts.leftTemporary;
        }
        files.RemoveStaleTemporaries(ini);
        if (dir.Names() != std::set<std::string>{"timer.ini"}) {
            ++counts.survivedCleanup;
        }
    }
    counts.finalCounter = current;
    return counts;
}

void Print(const std::string& what, uint32_t seed, const KillCounts& c) {
    std::cout << what << " (seed " << seed << "): kills " << c.kills << ", held confirmed "
              << c.heldConfirmed << ", held next " << c.heldNext << ", bad " << c.bad
              << ", left a temporary " << c.leftTemporary << ", temporaries after cleanup "
              << c.survivedCleanup << ", counter at the end " << c.finalCounter << std::endl;
    if (c.bad > 0) {
        std::cout << "  first bad state: " << c.firstBad << std::endl;
    }
    ::testing::Test::RecordProperty("kills", c.kills);
    ::testing::Test::RecordProperty("held_confirmed", c.heldConfirmed);
    ::testing::Test::RecordProperty("held_next", c.heldNext);
    ::testing::Test::RecordProperty("bad", c.bad);
    ::testing::Test::RecordProperty("left_temporary", c.leftTemporary);
}

constexpr uint32_t kSeed = 20240611;
// Long enough to span a few rewrite cycles, durable syncs included.
constexpr int kMaxDelayUs = 3000;

TEST(KillTest, DurableReplaceSurvivesSigkillAtRandomMoments) {
    const KillCounts c = KillRepeatedly("durable", 1000, kSeed, kMaxDelayUs);
    Print("durable replace", kSeed, c);
    EXPECT_EQ(c.kills, 1000);
    EXPECT_EQ(c.writerFailures, 0);
    EXPECT_EQ(c.bad, 0) << c.firstBad;
    EXPECT_EQ(c.heldConfirmed + c.heldNext, c.kills);
    EXPECT_EQ(c.survivedCleanup, 0);
    // The kills must have landed in the middle of writes, or the run proves nothing.
    EXPECT_GT(c.leftTemporary, 0);
}

TEST(KillTest, CheckCatchesAnInPlaceRewrite) {
    const KillCounts c = KillRepeatedly("inplace", 200, kSeed, kMaxDelayUs);
    Print("in-place rewrite (negative control)", kSeed, c);
    EXPECT_EQ(c.kills, 200);
    EXPECT_EQ(c.writerFailures, 0);
    EXPECT_GT(c.bad, 0) << "the check never saw the torn file an in-place rewrite leaves";
}

}  // namespace
}  // namespace kivrel
