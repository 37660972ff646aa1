// The notification-area icon (Shell_NotifyIconW) and the window hook that receives its mouse
// messages: Add replaces the main window's procedure with TrayWndProc (SetWindowLongPtrW, which
// keeps the whole 64-bit address), which hands the icon's mouse events to the sink as tray events
// and passes everything else on to the procedure it replaced; Remove puts that procedure back.
#pragma once

#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <string>
#include <vector>

#include "ports/window_ports.h"

namespace kivrel {

// The tray event that a callback message's lParam (the mouse message) stands for.
TrayEvent TrayEventOf(LPARAM mouseMessage);

class Win32TrayIcon final : public ITrayIcon {
  public:
    // The window message that carries the icon's mouse events.
    static constexpr UINT kCallbackMessage = 2025;

    // The window that owns the icon and the icon it shows; set before Add.
    void Attach(HWND window, HICON icon);

    // Whether the shell's notification area exists and the icon could be added to it.
    bool Available() override;
    void Add(ITraySink& sink, Menu menu) override;
    void SetTip(const std::string& tip) override;
    void Remove() override;
    // A balloon from the icon.
    void Notify(const std::string& title, const std::string& text) override;
    // The balloon has no buttons: a click on it is the answer (kNoticeClicked).
    void Ask(int notice, const std::string& title, const std::string& text,
             const std::vector<NoticeAction>& actions, INoticeSink& sink) override;
    // The asking balloon's answer, from the icon's callback message (NIN_BALLOONUSERCLICK);
    // true when the message was the balloon's.
    bool BalloonMessage(LPARAM message);

  private:
    static LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Hook();
    void Unhook();
    bool Call(DWORD action);

    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    ITraySink* sink_ = nullptr;
    UINT taskbarCreated_ = 0;
    WNDPROC oldProc_ = nullptr;
    bool tried_ = false;
    bool added_ = false;
    NOTIFYICONDATAW data_{};
    int askedNotice_ = 0;  // the asking balloon shown last, 0: none
    INoticeSink* noticeSink_ = nullptr;
};

}  // namespace kivrel
