// The settings file on Linux: whole-file reads, and writes that are a durable whole-file replace.
//
// timer.ini holds every month's usage record and is rewritten every 6 seconds while online, so a
// torn rewrite (crash, power cut, full disk) must never be possible. ReplaceAll therefore writes
// the new contents to a fresh temporary file beside the target, syncs it, renames it over the
// target and syncs the directory: at every moment the target holds either its old or its new
// contents in full. A symlinked file keeps its link; the link's final target is replaced.
#pragma once

#include <optional>
#include <string>

#include "ports/system_ports.h"

namespace kivrel {

class LinuxFileSystem : public IFileSystem {
  public:
    // True for a regular file, or a symlink that leads to one.
    bool Exists(const std::string& path) override;
    // A regular file (through symlinks) with a write permission bit that this process may write.
    bool Writable(const std::string& path) override;
    // mkdir -p; the folders made are private to the user (0700).
    bool MakeDirectories(const std::string& path) override;
    // The whole regular file (through symlinks), nothing when it cannot be read, is not a
    // regular file (a fifo, a device) or is over 64 MiB.
    std::optional<std::string> ReadAll(const std::string& path) override;
    // A regular file only, opened without blocking (O_NONBLOCK): a fifo or a device is refused
    // before anything is read from it.
    std::optional<uint64_t> FileSize(const std::string& path) override;
    std::optional<std::string> ReadRange(const std::string& path, uint64_t offset,
                                         size_t length) override;
    // ftruncate and fsync; refused for what is not a regular file and for a file without any
    // write permission bit.
    bool CutTo(const std::string& path, uint64_t size) override;
    // Durable whole-file replace. Refused, leaving the file untouched, when the target is not a
    // regular file, has no write permission bit at all, is not writable by this process, or its
    // directory is missing. The new file keeps the old one's permission bits (and, where this
    // process may, its owner); a new file gets 0666 less the umask.
    //
    // When no temporary file can be made beside the file (a writable file in a folder the user
    // may not write), the file itself is rewritten: truncated, written and fsynced. That is not
    // proof against a crash in the middle, but it beats failing every save.
    //
    // One case leaves the new contents in place and still returns false: the rename succeeded
    // but syncing the directory failed with an I/O error, so the change is visible but not known
    // to be on disk.
    bool ReplaceAll(const std::string& path, const std::string& bytes) override;
    // Appends at the end of the file (through symlinks) and fsyncs it; a file it creates gets
    // 0666 less the umask, and its folder is synced too. Refused, leaving the file untouched,
    // for what is not a regular file and for a file without any write permission bit. A write
    // cut short (a full disk) returns false and leaves the part that was written.
    bool Append(const std::string& path, const std::string& bytes) override;
    // Removes the temporaries of `path` (".NAME.tmp-XXXXXX" beside its final target) that a killed
    // process left behind. Only call it while no other process may be writing the same file.
    void RemoveStaleTemporaries(const std::string& path) override;
    // The same device and inode, both through symlinks.
    bool SameFile(const std::string& a, const std::string& b) override;
    // strerror's text for the errno of the latest failure.
    std::string FailureReason() override;

  private:
    bool Replace(const std::string& path, const std::string& bytes);
    bool Failed(int error);

    int lastError_ = 0;
};

// The file that a write to `path` lands on: `path` with every symlink followed to its final
// target, which need not exist yet. Nothing for an empty path or a symlink loop.
std::optional<std::string> ResolveWriteTarget(const std::string& path);

// The name prefix of the temporaries for the file name `fileName` (".timer.ini.tmp-" for
// "timer.ini"); six random characters follow it. A very long name is shortened so that the
// temporary's name stays within the file system's name limit.
std::string TemporaryPrefix(const std::string& fileName);

}  // namespace kivrel
