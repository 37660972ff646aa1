// Helpers of the Win32 adapter tests: a scratch folder of their own and file access that does not
// go through the code under test.
#pragma once

#include <windows.h>

#include <string>

namespace kivrel::test {

// A new folder under the temporary directory, removed with everything in it at the end.
class ScratchDir {
  public:
    explicit ScratchDir(const std::wstring& name = L"kivrel-test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Names of the files in a folder, sorted.
std::wstring ListFolder(const std::wstring& folder);

// Whether windows can be created (a display is there).
bool HaveDisplay();

}  // namespace kivrel::test
