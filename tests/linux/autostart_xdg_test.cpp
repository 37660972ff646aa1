#include "platform/linux/autostart_xdg.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "test_support.h"

namespace kivrel {
namespace {

namespace fs = std::filesystem;

// What a desktop reads back from an entry. Written from the rules for desktop entries, apart from
// the code under test: string escapes first, then the command line's quoting, then %%.
std::string UnescapeStringValue(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                ADD_FAILURE() << "unknown escape \\" << value[i] << " in " << value;
        }
    }
    return out;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '\\' && i + 1 < line.size() &&
                std::string_view("\"`$\\").find(line[i + 1]) != std::string_view::npos) {
                arg += line[++i];
            } else if (c == '\\') {
                ADD_FAILURE() << "lone backslash inside quotes in " << line;
            } else if (c == '"') {
                quoted = false;
            } else if (c == '`' || c == '$') {
                ADD_FAILURE() << "unescaped " << c << " inside quotes in " << line;
            } else {
                arg += c;
            }
        } else if (c == ' ') {
            if (inArg) {
                args.push_back(arg);
            }
            arg.clear();
            inArg = false;
        } else if (c == '"') {
            quoted = inArg = true;
        } else {
            if (std::string_view("\t\n'\\><~|&;$*?#()`").find(c) != std::string_view::npos) {
                ADD_FAILURE() << "reserved character '" << c << "' outside quotes in " << line;
            }
            arg += c;
            inArg = true;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quotes in " << line;
    if (inArg) {
        args.push_back(arg);
    }
    for (std::string& a : args) {
        std::string plain;
        for (size_t i = 0; i < a.size(); ++i) {
            if (a[i] == '%') {
                if (i + 1 < a.size() && a[i + 1] == '%') {
                    ++i;
                } else {
                    ADD_FAILURE() << "field code in " << line;
                }
            }
            plain += a[i];
        }
        a = plain;
    }
    return args;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The keys of the [Desktop Entry] group; every key must appear once.
std::map<std::string, std::string> ParseEntry(const std::string& text) {
    std::map<std::string, std::string> keys;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "[Desktop Entry]");
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (line.empty() || line[0] == '#') {
            continue;
        }
        EXPECT_NE(eq, std::string::npos) << line;
        std::string key = line.substr(0, eq);
        EXPECT_TRUE(keys.emplace(key, line.substr(eq + 1)).second) << "twice: " << key;
    }
    return keys;
}

class Autostart : public ::testing::Test {
  protected:
    std::vector<std::string> ExecArgs() {
        return SplitCommandLine(UnescapeStringValue(ParseEntry(ReadFile(entry_))["Exec"]));
    }

    linuxtest::TempDir home_;
    XdgAutostart autostart_{home_.path()};
    std::string folder_ = home_ / "autostart";
    std::string entry_ = home_ / "autostart/kivrel.desktop";
    std::string why_;
};

TEST_F(Autostart, ExecRunsExactlyTheProgram) {
    struct {
        std::string dir;
        std::string exe;
    } cases[] = {
        {"/opt/kivrel", "/opt/kivrel/kivrel"},
        {"/home/u/My Programs/kivrel 1.0", "/home/u/My Programs/kivrel 1.0/kivrel"},
        {"/tmp/say \"hi\"", "/tmp/say \"hi\"/kivrel"},
        {"/tmp/back\\slash\\\\two", "/tmp/back\\slash\\\\two/kivrel"},
        {"/tmp/$HOME and ${X}", "/tmp/$HOME and ${X}/kivrel"},
        {"/tmp/100%/%f%u%%", "/tmp/100%/%f%u%%/kivrel"},
        {"/tmp/`date`", "/tmp/`date`/kivrel"},
        {"/tmp/it's;&|<>*?#()~", "/tmp/it's;&|<>*?#()~/kivrel"},
        {"/tmp/tab\there/line\nbreak\r", "/tmp/tab\there/line\nbreak\r/kivrel"},
        {"/tmp/上网 计时器", "/tmp/上网 计时器/kivrel"},
        {"/tmp/\\s not a blank", "/tmp/\\s not a blank/kivrel"},
        {"/tmp/trailing/", "/tmp/trailing/kivrel"},
        {"/", "/kivrel"},
        {"", "/kivrel"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(autostart_.Enter(c.dir, why_)) << why_;
        EXPECT_EQ(ExecArgs(), std::vector<std::string>{c.exe}) << c.dir;
    }
}

TEST_F(Autostart, ExecLineIsEscapedTwice) {
    ASSERT_TRUE(autostart_.Enter("/a b/c\"d\\e$f%g`h", why_)) << why_;
    EXPECT_EQ(ParseEntry(ReadFile(entry_))["Exec"], R"("/a b/c\\"d\\\\e\\$f%%g\\`h/kivrel")");
}

TEST_F(Autostart, EntryHasTheDesktopKeys) {
    ASSERT_TRUE(autostart_.Enter("/opt/kivrel", why_)) << why_;
    std::map<std::string, std::string> keys = ParseEntry(ReadFile(entry_));
    std::map<std::string, std::string> expected = {
        {"Type", "Application"},
        {"Name", "Kivrel"},
        {"Icon", "kivrel"},
        {"Terminal", "false"},
        {"X-GNOME-Autostart-enabled", "true"},
        {"X-KDE-autostart-after", "panel"},
        {"X-LXQt-Need-Tray", "true"},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(keys[key], value) << key;
    }
    EXPECT_FALSE(keys["Comment"].empty());
    struct stat st {};
    ASSERT_EQ(::stat(entry_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Autostart, EnteringAgainReplacesTheEntry) {
    ASSERT_TRUE(autostart_.Enter("/old/place", why_)) << why_;
    ASSERT_TRUE(autostart_.Enter("/new/place", why_)) << why_;
    EXPECT_EQ(ExecArgs(), std::vector<std::string>{"/new/place/kivrel"});
    // Only the entry itself: no temporary file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(Autostart, MissingFoldersAreCreated) {
    XdgAutostart deep(home_ / "a/b/config");
    ASSERT_TRUE(deep.Enter("/opt/kivrel", why_)) << why_;
    EXPECT_TRUE(fs::is_regular_file(home_ / "a/b/config/autostart/kivrel.desktop"));
    for (const char* created : {"a", "a/b", "a/b/config", "a/b/config/autostart"}) {
        struct stat st {};
        ASSERT_EQ(::stat((home_ / created).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << created;
    }
}

TEST_F(Autostart, RemoveDeletesAndAbsentIsFine) {
    EXPECT_TRUE(autostart_.Remove(why_)) << why_;  // no folder at all
    ASSERT_TRUE(autostart_.Enter("/opt/kivrel", why_)) << why_;
    ASSERT_TRUE(autostart_.Remove(why_)) << why_;
    EXPECT_FALSE(fs::exists(entry_));
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_TRUE(autostart_.Remove(why_)) << why_;
}

TEST_F(Autostart, FolderThatIsAFileFails) {
    std::ofstream(folder_) << "not a folder";
    ASSERT_FALSE(autostart_.Enter("/opt/kivrel", why_));
    EXPECT_NE(why_.find(folder_), std::string::npos) << why_;
    EXPECT_EQ(ReadFile(folder_), "not a folder");
    EXPECT_EQ(std::distance(fs::directory_iterator(home_.path()), fs::directory_iterator()), 1);
    // Nothing there to remove either.
    EXPECT_TRUE(autostart_.Remove(why_)) << why_;
}

TEST_F(Autostart, FailedReplaceLeavesNoTemporary) {
    // A folder where the entry should be: the new file is written, but cannot take its place.
    fs::create_directories(entry_ + "/inside");
    ASSERT_FALSE(autostart_.Enter("/opt/kivrel", why_));
    EXPECT_NE(why_.find(entry_), std::string::npos) << why_;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    why_.clear();
    EXPECT_FALSE(autostart_.Remove(why_));
    EXPECT_FALSE(why_.empty());
}

TEST_F(Autostart, UnwritableFolderFails) {
    fs::create_directory(folder_);
    // Root writes into read-only folders, so as root the attempt runs in a child process that has
    // become an ordinary user first.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0) {
            const uid_t kNobody = 65534;
            if (::chown(home_.path().c_str(), kNobody, kNobody) != 0 ||
                ::chown(folder_.c_str(), kNobody, kNobody) != 0 || ::setgroups(0, nullptr) != 0 ||
                ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                ::setresuid(kNobody, kNobody, kNobody) != 0) {
                ::_exit(10);
            }
        }
        if (::chmod(folder_.c_str(), 0500) != 0) {
            ::_exit(11);
        }
        std::string why;
        bool entered = autostart_.Enter("/opt/kivrel", why);
        bool empty = fs::is_empty(folder_);
        ::chmod(folder_.c_str(), 0700);
        ::_exit(entered ? 1 : why.empty() ? 2 : !empty ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    // 1: it claimed success, 2: no reason given, 3: something was left in the folder.
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ::chmod(folder_.c_str(), 0700);
}

TEST_F(Autostart, UnrepresentablePathsAreRefused) {
    for (std::string dir : {std::string("relative/dir"), std::string("/tmp/bad\xff\xfe"),
                            std::string("/tmp/overlong\xc0\xaf"), std::string("/tmp/bell\a"),
                            std::string("/tmp/cut\xe4\xb8")}) {
        why_.clear();
        EXPECT_FALSE(autostart_.Enter(dir, why_)) << dir;
        EXPECT_FALSE(why_.empty()) << dir;
    }
    EXPECT_FALSE(fs::exists(entry_));
}

TEST_F(Autostart, ConfigHomeFromTheEnvironment) {
    struct {
        std::optional<std::string> xdg;
        std::string expected;
    } cases[] = {
        {home_ / "xdg", home_ / "xdg/autostart/kivrel.desktop"},
        {std::nullopt, home_ / "home/.config/autostart/kivrel.desktop"},
        {"", home_ / "home/.config/autostart/kivrel.desktop"},
        {"relative", home_ / "home/.config/autostart/kivrel.desktop"},
    };
    linuxtest::ScopedEnv home("HOME", home_ / "home");
    for (const auto& c : cases) {
        linuxtest::ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        XdgAutostart fromEnv;
        EXPECT_EQ(fromEnv.EntryPath(), c.expected);
    }
    linuxtest::ScopedEnv xdg("XDG_CONFIG_HOME", home_ / "xdg");
    XdgAutostart fromEnv;
    ASSERT_TRUE(fromEnv.Enter("/opt/kivrel", why_)) << why_;
    EXPECT_TRUE(fs::is_regular_file(home_ / "xdg/autostart/kivrel.desktop"));
}

}  // namespace
}  // namespace kivrel
