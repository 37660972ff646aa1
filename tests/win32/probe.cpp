// kivrel_probe.exe: reads windows of a running Kivrel.exe for the desktop tests, the way a screen
// reader would (window texts, visibility, position). It never changes anything.
//
//   kivrel_probe.exe texts TITLE   the texts of the window titled TITLE and of its children
//   kivrel_probe.exe main          the main window: caption, visibility, state, rectangle, and
//                                  the texts of its controls
// Output is UTF-8, one item a line; the exit code is 1 when the window is not there.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/text.h"

namespace {

void Print(const std::wstring& line) {
    const std::string utf8 = kivrel::Narrow(line) + "\n";
    fwrite(utf8.data(), 1, utf8.size(), stdout);
}

std::wstring TextOf(HWND h) {
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return text;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    Print(std::wstring(cls) + L": " + TextOf(child));
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring command = argv[1];
    HWND window = nullptr;
    if (command == L"texts" && argc >= 3)
        window = FindWindowW(nullptr, argv[2]);
    else if (command == L"main")
        window = FindWindowW(L"KivrelForm1", nullptr);
    else
        return 2;
    if (window == nullptr)
        return 1;
    if (command == L"main") {
        RECT r{};
        GetWindowRect(window, &r);
        Print(L"caption: " + TextOf(window));
        Print(L"visible: " + std::to_wstring(IsWindowVisible(window) ? 1 : 0));
        Print(L"zoomed: " + std::to_wstring(IsZoomed(window) ? 1 : 0));
        Print(L"rect: " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
              std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
    } else {
        Print(L"title: " + TextOf(window));
    }
    EnumChildWindows(window, PrintChild, 0);
    return 0;
}
