#include "platform/win32/console.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/win32/text.h"

namespace kivrel {

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr)
        return args;
    for (int i = 1; i < count; ++i)
        args.push_back(Narrow(argv[i]));
    LocalFree(argv);
    return args;
}

namespace {

HANDLE StandardHandle(bool error) {
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        return handle;
    // Nothing redirected: the console of the starting shell, if there is one.
    static bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
    if (!attached)
        return nullptr;
    static HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    return console == INVALID_HANDLE_VALUE ? nullptr : console;
}

}  // namespace

void WriteConsoleText(const std::string& text, bool error) {
    if (text.empty())
        return;
    HANDLE handle = StandardHandle(error);
    if (handle == nullptr)
        return;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console takes characters as UTF-16 (a line feed starts a new line there).
        const std::wstring wide = Widen(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace kivrel
