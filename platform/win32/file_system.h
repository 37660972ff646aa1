// The settings file on Windows: whole-file reads, and writes that are a durable whole-file replace.
//
// timer.ini is rewritten every 6 seconds while online and holds every month's usage record, so a
// torn rewrite must never be possible: the new contents go to a fresh temporary file beside the
// target ("timer.ini.kvtmp-" and eight hex digits), are flushed to the disk, take over the
// target's attributes and creation time, and then replace the target in one write-through rename
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING). ReplaceFileW is not used: it is not one rename
// (wine moves the old file away first, so a crash in between leaves no timer.ini at all, and a
// refused attempt leaves an "rf*.tmp" file behind). Another program that holds the file open
// without sharing (a virus scanner, a backup tool) is waited for briefly.
#pragma once

#include <optional>
#include <string>

#include "ports/system_ports.h"

namespace kivrel {

class Win32FileSystem final : public IFileSystem {
  public:
    // Paths are UTF-8. `retryBudgetMs` bounds the waiting for a file that another program holds.
    explicit Win32FileSystem(unsigned retryBudgetMs = 150) : retryBudgetMs_(retryBudgetMs) {}

    // True for an existing file that is not a directory.
    bool Exists(const std::string& path) override;
    // An existing file, not read-only, that this user may open for writing.
    bool Writable(const std::string& path) override;
    // Creates the folder and its missing parents; they inherit the parent folder's permissions.
    bool MakeDirectories(const std::string& path) override;
    // A file on a disk only, at most 64 MiB: a pipe or a device is refused before it is read.
    std::optional<std::string> ReadAll(const std::string& path) override;
    std::optional<uint64_t> FileSize(const std::string& path) override;
    std::optional<std::string> ReadRange(const std::string& path, uint64_t offset,
                                         size_t length) override;
    // Cuts a file on a disk back and flushes it; refused for a read-only file.
    bool CutTo(const std::string& path, uint64_t size) override;
    // Refused, leaving the target byte-identical, when the target is read-only or a directory,
    // its directory is missing, or any step fails; the temporary file is then deleted. When the
    // folder refuses the temporary (access denied) but the file itself may be written, the file
    // is rewritten in place and flushed instead.
    bool ReplaceAll(const std::string& path, const std::string& bytes) override;
    // Writes at the end of the file, creating it when missing (it inherits the folder's
    // permissions, as the settings file does), and flushes it to the disk. Refused, leaving the
    // file untouched, for a read-only file or a directory; a write cut short (a full disk)
    // returns false and leaves the part that was written.
    bool Append(const std::string& path, const std::string& bytes) override;
    // Deletes leftovers "NAME.kvtmp-XXXXXXXX" beside `path`. Call it only while no other process
    // may be writing the same file.
    void RemoveStaleTemporaries(const std::string& path) override;
    // The same volume serial number and file index (GetFileInformationByHandle).
    bool SameFile(const std::string& a, const std::string& b) override;
    // FormatMessage's text for the error code of the latest failure.
    std::string FailureReason() override;

  private:
    void* OpenDiskFile(const std::string& path);
    bool Replace(const std::string& path, const std::string& bytes);
    bool Failed(unsigned long error);

    unsigned retryBudgetMs_;
    unsigned long lastError_ = 0;
};

// The name prefix of the temporaries of the file name `fileName` ("timer.ini.kvtmp-").
std::wstring TemporaryPrefix(const std::wstring& fileName);
// Whether `name` is a temporary of `fileName`: the prefix and exactly eight hex digits.
bool IsTemporaryName(const std::wstring& name, const std::wstring& fileName);

}  // namespace kivrel
