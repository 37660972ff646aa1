#include "platform/linux/autostart_xdg.h"

#include "platform/linux/user_dirs.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace kivrel {

namespace {

constexpr const char* kEntryName = "kivrel.desktop";
constexpr const char* kExeName = "kivrel";

std::string ErrorText(int err) {
    return std::generic_category().message(err);
}

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool ValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) {
            return false;
        }
        for (size_t k = 1; k <= extra; ++k) {
            auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

// Creates `dir` and any missing parents (mode 0700, as for the user's own configuration).
// Returns 0 or the errno of the step that failed, with `failed` naming the folder concerned.
int MakeFolders(const std::string& dir, std::string& failed) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        failed = dir;
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (errno != ENOENT) {
        failed = dir;
        return errno;
    }
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (int err = MakeFolders(dir.substr(0, slash), failed); err != 0) {
            return err;
        }
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        failed = dir;
        return errno;
    }
    return 0;
}

// Makes a finished rename or unlink in `dir` survive a power cut.
void SyncFolder(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes `path` in `folder` as a new file that is renamed over it; on failure, `err` is the errno
// of what failed and the new file is removed.
bool ReplaceWhole(const std::string& folder, const std::string& path, const std::string& text,
                  int& err) {
    std::string temp = folder + "/.kivrel.desktop.XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return false;
    }
    bool ok = WriteAll(fd, text) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

}  // namespace

std::string DesktopExecValue(const std::string& exePath) {
    if (!ValidUtf8(exePath)) {
        return {};
    }
    // First the argument is quoted for the command line: inside double quotes, " ` $ and \ take
    // a backslash. A literal % is %% so it is not read as a field code.
    std::string quoted = "\"";
    for (char c : exePath) {
        auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\n' && c != '\r') || u == 0x7F) {
            return {};
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    // Then the whole command line is stored as a string value, which escapes the backslash
    // itself and the characters that would break the line.
    std::string value;
    for (char c : quoted) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                value += c;
        }
    }
    return value;
}

std::string XdgAutostart::DefaultConfigHome() {
    const std::string dir = XdgBaseDir("XDG_CONFIG_HOME", "/.config");
    return dir.empty() ? "/.config" : dir;
}

XdgAutostart::XdgAutostart(std::string configHome) {
    while (configHome.size() > 1 && configHome.back() == '/') {
        configHome.pop_back();
    }
    folder_ = (configHome == "/" ? "" : configHome) + "/autostart";
    entry_ = folder_ + "/" + kEntryName;
}

bool XdgAutostart::Enter(const std::string& exeDir, std::string& why) {
    std::string dir = exeDir;
    while (!dir.empty() && dir.back() == '/') {
        dir.pop_back();
    }
    if (!exeDir.empty() && exeDir.front() != '/') {
        why = "程序所在的文件夹不是绝对路径：" + exeDir;
        return false;
    }
    std::string exec = DesktopExecValue(dir + "/" + kExeName);
    if (exec.empty()) {
        why = "程序所在的文件夹名含有开机运行项无法记录的字符：" + exeDir;
        return false;
    }
    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Kivrel\n"
        "Comment=上网计时器\n"
        "Exec=" +
        exec +
        "\n"
        "Icon=kivrel\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n"
        "X-KDE-autostart-after=panel\n"
        "X-LXQt-Need-Tray=true\n";

    std::string failedFolder;
    if (int err = MakeFolders(folder_, failedFolder); err != 0) {
        why = "无法创建开机运行项的文件夹：" + failedFolder + "：" + ErrorText(err);
        return false;
    }

    // Written beside the entry under a name autostart ignores, then renamed over it, so the
    // folder only ever holds the old entry or the whole new one.
    if (int err = 0; !ReplaceWhole(folder_, entry_, text, err)) {
        why = "无法写入开机运行项：" + entry_ + "：" + ErrorText(err);
        return false;
    }
    SyncFolder(folder_);
    return true;
}

bool XdgAutostart::Remove(std::string& why) {
    if (::unlink(entry_.c_str()) != 0) {
        // No folder, or something that is no folder, holds no entry either.
        if (errno == ENOENT || errno == ENOTDIR) {
            return true;
        }
        why = "无法删除开机运行项：" + entry_ + "：" + ErrorText(errno);
        return false;
    }
    SyncFolder(folder_);
    return true;
}

}  // namespace kivrel
