#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/win32/file_system.h"
#include "platform/win32/text.h"
#include "win32/test_support.h"

namespace kivrel {
namespace {

using test::FileExists;
using test::ListFolder;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

class FileSystem : public ::testing::Test {
  protected:
    ScratchDir dir{L"kivrel-fs 测试"};  // a blank and Chinese in the path
    std::wstring ini = dir.File(L"timer.ini");
    std::string iniUtf8 = Narrow(ini);
    Win32FileSystem fs;
};

TEST_F(FileSystem, ReplaceCreatesAMissingFileAndReplacesAnExistingOne) {
    EXPECT_FALSE(fs.Exists(iniUtf8));
    EXPECT_FALSE(fs.ReadAll(iniUtf8).has_value());

    ASSERT_TRUE(fs.ReplaceAll(iniUtf8, "[T5]\r\nValue=95\r\n"));
    EXPECT_TRUE(fs.Exists(iniUtf8));
    EXPECT_EQ(ReadBytes(ini), "[T5]\r\nValue=95\r\n");

    ASSERT_TRUE(fs.ReplaceAll(iniUtf8, "[T5]\r\nValue=120\r\n"));
    EXPECT_EQ(fs.ReadAll(iniUtf8).value_or("?"), "[T5]\r\nValue=120\r\n");
    // A shorter text leaves nothing of the longer one behind, and no temporary stays.
    ASSERT_TRUE(fs.ReplaceAll(iniUtf8, ""));
    EXPECT_EQ(ReadBytes(ini), "");
    EXPECT_EQ(ListFolder(dir.Path()), L"timer.ini");
}

TEST_F(FileSystem, LargeAndBinaryContentsArriveWhole) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>(i * 7));
    ASSERT_TRUE(fs.ReplaceAll(iniUtf8, bytes));
    EXPECT_EQ(fs.ReadAll(iniUtf8).value_or(""), bytes);
}

TEST_F(FileSystem, AReadOnlyTargetIsRefusedAndLeftAsItWas) {
    WriteBytes(ini, "[s]\r\nValue=60\r\n");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(fs.ReplaceAll(iniUtf8, "[s]\r\nValue=0\r\n"));
    EXPECT_EQ(fs.FailureReason(), SystemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadBytes(ini), "[s]\r\nValue=60\r\n");
    EXPECT_EQ(ListFolder(dir.Path()), L"timer.ini");
    EXPECT_EQ(fs.ReadAll(iniUtf8).value_or(""), "[s]\r\nValue=60\r\n");
}

// One file by any of its names; never two files with the same bytes, nor a missing one.
TEST_F(FileSystem, SameFileComparesTheFileNotItsName) {
    WriteBytes(ini, "x");
    WriteBytes(dir.File(L"copy.ini"), "x");
    ASSERT_TRUE(CreateHardLinkW(dir.File(L"hard.ini").c_str(), ini.c_str(), nullptr));
    for (const std::wstring& other : {ini, dir.File(L"HARD.INI"), dir.File(L".\\Timer.ini")})
        EXPECT_TRUE(fs.SameFile(Narrow(other), iniUtf8)) << Narrow(other);
    for (const std::wstring& other : {dir.File(L"copy.ini"), dir.File(L"missing.ini")})
        EXPECT_FALSE(fs.SameFile(Narrow(other), iniUtf8)) << Narrow(other);
}

TEST_F(FileSystem, ADirectoryOrAMissingFolderIsRefused) {
    CreateDirectoryW(ini.c_str(), nullptr);
    EXPECT_FALSE(fs.Exists(iniUtf8));
    EXPECT_FALSE(fs.ReplaceAll(iniUtf8, "x"));
    EXPECT_FALSE(fs.ReplaceAll(Narrow(dir.File(L"missing\\timer.ini")), "x"));
    EXPECT_EQ(ListFolder(dir.Path()), L"timer.ini");
}

TEST_F(FileSystem, AppendCreatesAddsAtTheEndAndRefusesWhatItMayNotChange) {
    const std::wstring csv = dir.File(L"会话.csv");
    const std::string csvUtf8 = Narrow(csv);
    ASSERT_TRUE(fs.Append(csvUtf8, "start,end\n"));
    EXPECT_EQ(ReadBytes(csv), "start,end\n");
    ASSERT_TRUE(fs.Append(csvUtf8, "1,"));  // a torn line stays as it is
    ASSERT_TRUE(fs.Append(csvUtf8, "2\n"));
    EXPECT_EQ(ReadBytes(csv), "start,end\n1,2\n");

    SetFileAttributesW(csv.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(fs.Append(csvUtf8, "3\n"));
    SetFileAttributesW(csv.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(csv), "start,end\n1,2\n");

    CreateDirectoryW(ini.c_str(), nullptr);
    EXPECT_FALSE(fs.Append(iniUtf8, "x"));
    EXPECT_FALSE(fs.Append(Narrow(dir.File(L"missing\\sessions.csv")), "x"));
    EXPECT_EQ(ListFolder(dir.Path()), L"timer.ini 会话.csv");
}

// A pipe and a device are refused before anything is read from them (a read would wait for a
// writer, or never end); a file on the disk is read in parts and cut back.
TEST_F(FileSystem, OnlyAFileOnTheDiskIsRead) {
    const std::wstring pipe = L"\\\\.\\pipe\\kivrel-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 4, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    for (const std::string& path : {Narrow(pipe), std::string("NUL"), std::string("CON")}) {
        EXPECT_FALSE(fs.ReadAll(path).has_value()) << path;
        EXPECT_FALSE(fs.FileSize(path).has_value()) << path;
        EXPECT_FALSE(fs.ReadRange(path, 0, 10).has_value()) << path;
    }
    CloseHandle(server);
    WriteBytes(ini, "0123456789");
    EXPECT_EQ(fs.FileSize(iniUtf8).value_or(0), 10u);
    EXPECT_EQ(fs.ReadRange(iniUtf8, 3, 4).value_or("?"), "3456");
    EXPECT_EQ(fs.ReadRange(iniUtf8, 8, 100).value_or("?"), "89");
    EXPECT_FALSE(fs.CutTo(iniUtf8, 10));
    EXPECT_TRUE(fs.CutTo(iniUtf8, 4));
    EXPECT_EQ(ReadBytes(ini), "0123");
}

// Holds the file open without any sharing, as a virus scanner or a backup tool may, for a while.
class Holder {
  public:
    Holder(const std::wstring& path, DWORD ms) {
        handle_ = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        thread_ = std::thread([this, ms] {
            Sleep(ms);
            CloseHandle(handle_);
        });
    }
    ~Holder() { thread_.join(); }
    bool Holding() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
    std::thread thread_;
};

TEST_F(FileSystem, AShortLockIsWaitedForALongOneGivesUpAndKeepsTheFile) {
    WriteBytes(ini, "old");
    {
        Holder holder(ini, 40);
        ASSERT_TRUE(holder.Holding());
        EXPECT_TRUE(fs.ReplaceAll(iniUtf8, "new"));
    }
    EXPECT_EQ(ReadBytes(ini), "new");

    {
        Holder holder(ini, 1500);
        ASSERT_TRUE(holder.Holding());
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(fs.ReplaceAll(iniUtf8, "newer"));
        EXPECT_LT(GetTickCount64() - start, 400u) << "a locked file must not stall the tick";
        // Reading waits the same short while and then gives up.
        EXPECT_FALSE(fs.ReadAll(iniUtf8).has_value());
    }
    EXPECT_EQ(ReadBytes(ini), "new");
    EXPECT_EQ(ListFolder(dir.Path()), L"timer.ini");
}

TEST_F(FileSystem, StaleTemporariesAreRemovedAndNothingElse) {
    WriteBytes(ini, "keep");
    const std::wstring stale1 = TemporaryPrefix(L"timer.ini") + L"0123abcd";
    const std::wstring stale2 = L"TIMER.INI.KVTMP-ffffffff";  // names compare without case
    const std::vector<std::wstring> kept = {
        L"timer.ini.kvtmp-0123abc",    // too short
        L"timer.ini.kvtmp-0123abcde",  // too long
        L"timer.ini.kvtmp-0123abcg",   // not hex
        L"other.ini.kvtmp-0123abcd",   // another file's
        L"timer.ini.bak",
    };
    WriteBytes(dir.File(stale1), "x");
    WriteBytes(dir.File(stale2), "x");
    for (const auto& name : kept)
        WriteBytes(dir.File(name), "x");

    fs.RemoveStaleTemporaries(iniUtf8);

    EXPECT_FALSE(FileExists(dir.File(stale1)));
    EXPECT_FALSE(FileExists(dir.File(stale2)));
    for (const auto& name : kept)
        EXPECT_TRUE(FileExists(dir.File(name))) << Narrow(name);
    EXPECT_EQ(ReadBytes(ini), "keep");
}

TEST_F(FileSystem, ConcurrentReadersNeverSeeATornFile) {
    const std::string a(20000, 'a');
    const std::string b(30000, 'b');
    ASSERT_TRUE(fs.ReplaceAll(iniUtf8, a));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        Win32FileSystem readerFs;
        while (!stop) {
            auto text = readerFs.ReadAll(iniUtf8);
            if (text && *text != a && *text != b)
                ++torn;
        }
    });
    for (int i = 0; i < 60; ++i)
        fs.ReplaceAll(iniUtf8, i % 2 ? a : b);
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
}

// A file the user may write in a folder that takes no new file (windows-test.sh seals one and
// names it in KIVREL_SEALED_DIR): the file is rewritten in place rather than every save failing.
TEST(FileSystemSealed, AWritableFileInASealedFolderIsRewrittenInPlace) {
    const char* sealed = std::getenv("KIVREL_SEALED_DIR");
    if (sealed == nullptr || *sealed == '\0')
        GTEST_SKIP() << "no sealed folder given";
    std::wstring dir = L"Z:" + Widen(sealed);
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    const std::wstring ini = dir + L"\\timer.ini";
    Win32FileSystem fs;
    ASSERT_TRUE(fs.Writable(Narrow(ini)));
    ASSERT_TRUE(fs.ReplaceAll(Narrow(ini), "[T5]\r\nValue=7\r\n"));
    EXPECT_EQ(ReadBytes(ini), "[T5]\r\nValue=7\r\n");
    EXPECT_EQ(ListFolder(dir), L"timer.ini") << "no temporary left behind";
}

TEST_F(FileSystem, WritableAndMakeDirectories) {
    WriteBytes(ini, "x");
    EXPECT_TRUE(fs.Writable(iniUtf8));
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(fs.Writable(iniUtf8));
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(fs.Writable(Narrow(dir.File(L"missing.ini"))));

    const std::wstring deep = dir.File(L"a\\b\\Kivrel");
    EXPECT_TRUE(fs.MakeDirectories(Narrow(deep)));
    EXPECT_TRUE(fs.MakeDirectories(Narrow(deep)));
    EXPECT_NE(GetFileAttributesW(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(fs.MakeDirectories(iniUtf8 + "\\sub"));
}

}  // namespace
}  // namespace kivrel
