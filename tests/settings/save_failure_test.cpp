// Saves that fail on a real file system: the meter keeps counting in memory, tells the user
// once, and stores the whole total when the fault clears.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "presenter/form1.h"
#include "fakes/fakes.h"
#include "platform/linux/durable_file.h"
#include "vocabulary/ini_format.h"
#include "temp_dir.h"
#include "tiny_disk.h"

namespace kivrel {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Form1 over the real Linux file system in `dir`, everything else faked.
struct Meter {
    fakes::FakePlatform fp;
    LinuxFileSystem files;
    Platform platform{fp.window, fp.dialogs, fp.tray,     fp.connection, fp.clock,
                      files,     fp.app,     fp.instance, fp.autostart,  fp.hangUp};
    Form1 form{platform};
    std::string ini;

    explicit Meter(const std::string& dir, const std::string& contents) {
        fp.app.dir = dir;
        ini = dir + "/timer.ini";
        std::ofstream(ini, std::ios::binary) << contents;
        fp.connection.online = true;
    }
    bool Start() { return form.Form_Load(); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            form.Timer1_Timer();
    }
    int32_t Stored() { return IniReadInt(ReadFile(ini), "T5", "Value"); }
    size_t Told() const { return fp.tray.notifications.size(); }
};

// What every fault must leave: the file as it was, one notice, and after the fault the whole
// total, with not a tick lost.
template <typename Break, typename Mend>
void CheckFault(const std::string& name, Break breakIt, Mend mendIt) {
    testing::TempDir dir;
    Meter m(dir.path(), "[T5]\r\nValue=100\r\n[s]\r\nValue=9\r\n");
    ASSERT_TRUE(m.Start()) << name;
    m.Ticks(5);
    const std::string before = ReadFile(m.ini);
    breakIt(m.ini);
    m.Ticks(25);  // 3 minutes counted while nothing can be stored
    mendIt(m.ini);
    EXPECT_EQ(ReadFile(m.ini), before) << name;
    EXPECT_EQ(m.Told(), 1u) << name;
    m.Ticks(10);
    EXPECT_EQ(m.Stored(), 104) << name;
    EXPECT_EQ(IniReadInt(ReadFile(m.ini), "s", "Value"), 9) << name;
    EXPECT_EQ(m.form.UsedMinutes().Tenths(), 1040) << name;
}

// An installed copy: the timer.ini beside the program may not be written, so the records go to
// the user's own file, made from it on the first start.
TEST(SaveFailure, InstalledCopyKeepsItsRecordsInTheUsersFile) {
    testing::TempDir dir;
    Meter m(dir.path(), "[T5]\r\nValue=100\r\n");
    ASSERT_EQ(::chmod(m.ini.c_str(), 0444), 0);
    m.fp.app.userDir = dir.path() + "/home/.local/share/kivrel";
    const std::string own = m.fp.app.userDir + "/timer.ini";
    ASSERT_TRUE(m.Start());
    EXPECT_EQ(m.form.IniFile(), own);
    m.Ticks(10);
    EXPECT_EQ(IniReadInt(ReadFile(own), "T5", "Value"), 101);
    EXPECT_EQ(ReadFile(m.ini), "[T5]\r\nValue=100\r\n");
    EXPECT_EQ(m.Told(), 0u);
}

TEST(SaveFailure, ReadOnlyFile) {
    CheckFault(
        "read-only", [](const std::string& ini) { ::chmod(ini.c_str(), 0444); },
        [](const std::string& ini) { ::chmod(ini.c_str(), 0644); });
}

TEST(SaveFailure, DirectoryInTheWay) {
    CheckFault(
        "directory",
        [](const std::string& ini) {
            fs::rename(ini, ini + ".aside");
            fs::create_directory(ini);
        },
        [](const std::string& ini) {
            fs::remove(ini);
            fs::rename(ini + ".aside", ini);
        });
}

TEST(SaveFailure, FullDisk) {
    testing::TempDir dir;
    const testing::TinyDiskResult result = testing::RunOnTinyDisk(dir, [](const std::string& disk) {
        const std::string before = "[T5]\r\nValue=100\r\n";
        Meter m(disk, before);
        if (!m.Start())
            return std::string("start-up refused");
        const std::string filler = disk + "/filler";
        {
            std::ofstream fill(filler, std::ios::binary);
            const std::string block(4096, 'f');
            while (fill.write(block.data(), block.size())) {
            }
        }
        {
            std::ofstream fill(filler, std::ios::binary | std::ios::app);
            while (fill.put('f')) {
            }
        }
        m.Ticks(30);
        if (ReadFile(m.ini) != before)
            return std::string("the file changed on a full disk");
        if (m.Told() != 1)
            return "told " + std::to_string(m.Told()) + " times";
        fs::remove(filler);
        m.Ticks(10);
        if (m.Stored() != 104)
            return "stored " + std::to_string(m.Stored()) + " after the disk had room";
        return std::string();
    });
    if (result.cannotMount)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << result.message;
    EXPECT_TRUE(result.message.empty()) << result.message;
}

}  // namespace
}  // namespace kivrel
