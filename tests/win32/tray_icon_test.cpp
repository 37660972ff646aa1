#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/tray_icon.h"
#include "win32/test_support.h"

namespace kivrel {
namespace {

// The window's own procedure: counts what reaches it.
std::vector<UINT> g_seen;
LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == Win32TrayIcon::kCallbackMessage || message == WM_USER + 7)
        g_seen.push_back(message);
    if (message == WM_USER + 7)
        return 4242;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class RecordingSink : public ITraySink {
  public:
    std::vector<TrayEvent> events;
    int hostCreated = 0;
    bool handle = true;
    bool OnTrayEvent(TrayEvent event) override {
        events.push_back(event);
        return handle && (event == TrayEvent::LeftButtonUp || event == TrayEvent::RightButtonUp);
    }
    void TrayHostCreated() override { ++hostCreated; }
    void TrayHostLost() override {}
};

class TrayHook : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no display";
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KivrelTrayHookTest";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        g_seen.clear();
        tray.Attach(hwnd, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
    }
    void TearDown() override {
        if (hwnd != nullptr) {
            tray.Remove();
            DestroyWindow(hwnd);
        }
    }
    HWND hwnd = nullptr;
    Win32TrayIcon tray;
    RecordingSink sink;
};

TEST_F(TrayHook, CatchesTheIconsClicksAndPassesEverythingElseOn) {
    const LONG_PTR own = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    tray.Add(sink, Menu::mnuTray);
    ASSERT_NE(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), own);

    EXPECT_EQ(SendMessageW(hwnd, Win32TrayIcon::kCallbackMessage, 0, WM_LBUTTONUP), 0);
    EXPECT_EQ(SendMessageW(hwnd, Win32TrayIcon::kCallbackMessage, 0, WM_RBUTTONUP), 0);
    EXPECT_TRUE(g_seen.empty()) << "handled clicks do not reach the window's own procedure";

    // A mouse move over the icon and a double click go on to the window's procedure.
    SendMessageW(hwnd, Win32TrayIcon::kCallbackMessage, 0, WM_MOUSEMOVE);
    SendMessageW(hwnd, Win32TrayIcon::kCallbackMessage, 0, WM_LBUTTONDBLCLK);
    EXPECT_EQ(g_seen.size(), 2u);
    ASSERT_EQ(sink.events.size(), 4u);
    EXPECT_EQ(sink.events[0], TrayEvent::LeftButtonUp);
    EXPECT_EQ(sink.events[1], TrayEvent::RightButtonUp);
    EXPECT_EQ(sink.events[2], TrayEvent::Other);
    EXPECT_EQ(sink.events[3], TrayEvent::Other);

    // Other messages reach the window's procedure, and its result comes back whole.
    EXPECT_EQ(SendMessageW(hwnd, WM_USER + 7, 0, 0), 4242);
}

TEST_F(TrayHook, TheShellsRestartReachesTheSinkAndRemovePutsTheProcedureBack) {
    const LONG_PTR own = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    tray.Add(sink, Menu::mnuTray);
    EXPECT_NE(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), own);

    SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(sink.hostCreated, 1);
    // Adding again after the restart must not hook the hook.
    tray.Add(sink, Menu::mnuTray);
    EXPECT_EQ(SendMessageW(hwnd, WM_USER + 7, 0, 0), 4242);

    tray.Remove();
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC), own);
    g_seen.clear();
    SendMessageW(hwnd, Win32TrayIcon::kCallbackMessage, 0, WM_LBUTTONUP);
    EXPECT_EQ(sink.events.size(), 0u) << "after Remove the icon's messages are the window's own";
    EXPECT_EQ(g_seen, std::vector<UINT>{Win32TrayIcon::kCallbackMessage});
}

}  // namespace
}  // namespace kivrel
