// Helper of the kill test: rewrites the counter in [T5] of a settings file as fast as it can,
// the way SetINI does (read the file, change the one value, write the file back), until it is
// killed.
//
//   ini_kill_writer durable|inplace FILE REPORT_FD
//
// First it reports the value it found, then every value it has written and seen confirmed, as
// raw int32 records on the pipe REPORT_FD. "durable" writes through LinuxFileSystem::ReplaceAll;
// "inplace" truncates the file and rewrites it in a few chunks with short pauses between them,
// the torn rewrite the durable replace exists to prevent.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/linux/durable_file.h"
#include "vocabulary/ini_format.h"

namespace {

bool Report(int fd, int32_t value) {
    return ::write(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool WriteInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    constexpr std::size_t kChunks = 4;
    const std::size_t chunk = bytes.size() / kChunks + 1;
    bool ok = true;
    for (std::size_t offset = 0; ok && offset < bytes.size(); offset += chunk) {
        const std::string_view part = std::string_view(bytes).substr(offset, chunk);
        ok = ::write(fd, part.data(), part.size()) == static_cast<ssize_t>(part.size());
        const timespec pause{0, 100000};  // 0.1 ms
        ::nanosleep(&pause, nullptr);
    }
    return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    const std::string mode = argv[1];
    const std::string path = argv[2];
    const int reportFd = std::atoi(argv[3]);
    const bool durable = mode == "durable";
    if (!durable && mode != "inplace") {
        return 2;
    }

    kivrel::LinuxFileSystem files;
    std::optional<std::string> text = files.ReadAll(path);
    if (!text || !Report(reportFd, kivrel::IniReadInt(*text, "T5", "Value"))) {
        return 3;
    }
    for (;;) {
        text = files.ReadAll(path);
        if (!text) {
            return 3;
        }
        const int32_t next = kivrel::IniReadInt(*text, "T5", "Value") + 1;
        const std::string updated = kivrel::IniWriteInt(*text, "T5", "Value", next);
        const bool written =
            durable ? files.ReplaceAll(path, updated) : WriteInPlace(path, updated);
        if (!written || !Report(reportFd, next)) {
            return 4;
        }
    }
}
