#include "platform/win32/tray_icon.h"

#include <algorithm>
#include <utility>

#include "platform/win32/text.h"

namespace kivrel {
namespace {

// The one hooked window of the process and the icon object that hooked it.
Win32TrayIcon* g_hooked = nullptr;

template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::string& utf8) {
    std::wstring text = Widen(utf8);
    if (text.size() >= N) {
        text.resize(N - 1);
        // Never leave half of a surrogate pair at the cut.
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
            text.pop_back();
    }
    std::fill(std::begin(field), std::end(field), L'\0');
    std::copy(text.begin(), text.end(), field);
}

}  // namespace

TrayEvent TrayEventOf(LPARAM mouseMessage) {
    switch (static_cast<UINT>(mouseMessage)) {
        case WM_LBUTTONUP:
            return TrayEvent::LeftButtonUp;
        case WM_RBUTTONUP:
            return TrayEvent::RightButtonUp;
        default:
            return TrayEvent::Other;
    }
}

void Win32TrayIcon::Attach(HWND window, HICON icon) {
    window_ = window;
    icon_ = icon;
}

bool Win32TrayIcon::Available() {
    if (FindWindowW(L"Shell_TrayWnd", nullptr) == nullptr)
        return false;
    return !tried_ || added_;
}

bool Win32TrayIcon::Call(DWORD action) {
    return Shell_NotifyIconW(action, &data_) != FALSE;
}

void Win32TrayIcon::Hook() {
    if (oldProc_ != nullptr || window_ == nullptr)
        return;
    g_hooked = this;
    oldProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32TrayIcon::TrayWndProc)));
}

void Win32TrayIcon::Unhook() {
    if (oldProc_ == nullptr)
        return;
    if (IsWindow(window_))
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    oldProc_ = nullptr;
    if (g_hooked == this)
        g_hooked = nullptr;
}

// The shell never draws an icon's menu: the right-button release pops it up through the sink.
void Win32TrayIcon::Add(ITraySink& sink, Menu) {
    sink_ = &sink;
    if (taskbarCreated_ == 0) {
        taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
        // Let the shell's message through also when this process runs elevated.
        if (taskbarCreated_ != 0 && window_ != nullptr)
            ChangeWindowMessageFilterEx(window_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    }
    Hook();

    data_ = NOTIFYICONDATAW{};
    data_.cbSize = sizeof(NOTIFYICONDATAW);
    data_.hWnd = window_;
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON;
    data_.uCallbackMessage = kCallbackMessage;
    data_.hIcon = icon_;
    tried_ = true;
    // After a false alarm of "TaskbarCreated" the icon may still be there: then update it.
    added_ = Call(NIM_ADD) || Call(NIM_MODIFY);
}

void Win32TrayIcon::SetTip(const std::string& tip) {
    CopyCut(data_.szTip, tip);
    data_.uFlags = NIF_TIP;
    Call(NIM_MODIFY);
}

void Win32TrayIcon::Ask(int notice, const std::string& title, const std::string& text,
                        const std::vector<NoticeAction>&, INoticeSink& sink) {
    Notify(title, text);
    askedNotice_ = notice;
    noticeSink_ = &sink;
}

bool Win32TrayIcon::BalloonMessage(LPARAM message) {
    const UINT what = static_cast<UINT>(message);
    if (what != NIN_BALLOONUSERCLICK && what != NIN_BALLOONTIMEOUT && what != NIN_BALLOONHIDE)
        return false;
    const int notice = std::exchange(askedNotice_, 0);
    if (what == NIN_BALLOONUSERCLICK && notice != 0 && noticeSink_ != nullptr)
        noticeSink_->NoticeAnswered(notice, kNoticeClicked);
    return true;
}

void Win32TrayIcon::Notify(const std::string& title, const std::string& text) {
    askedNotice_ = 0;  // a newer balloon replaces an asking one
    CopyCut(data_.szInfoTitle, title);
    CopyCut(data_.szInfo, text);
    data_.dwInfoFlags = NIIF_WARNING;
    data_.uFlags = NIF_INFO;
    Call(NIM_MODIFY);
}

void Win32TrayIcon::Remove() {
    if (tried_) {
        data_.uFlags = 0;
        Call(NIM_DELETE);
        added_ = false;
        tried_ = false;
    }
    Unhook();
    sink_ = nullptr;
}

LRESULT CALLBACK Win32TrayIcon::TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32TrayIcon* self = g_hooked;
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // Kept now: the sink may unhook (the tray menu's Close) before this returns.
    const WNDPROC old = self->oldProc_;
    if (message == kCallbackMessage && self->BalloonMessage(lParam)) {
        return 0;
    } else if (message == kCallbackMessage && self->sink_ != nullptr) {
        if (self->sink_->OnTrayEvent(TrayEventOf(lParam)))
            return 0;
    } else if (message == self->taskbarCreated_ && self->taskbarCreated_ != 0 &&
               self->sink_ != nullptr) {
        // The shell (re)started: its notification area is new and empty.
        self->added_ = false;
        self->sink_->TrayHostCreated();
    }
    return CallWindowProcW(old, hwnd, message, wParam, lParam);
}

}  // namespace kivrel
