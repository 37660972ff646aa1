#include "platform/win32/window.h"

#include <windowsx.h>

#include "presenter/events.h"
#include "platform/win32/text.h"

namespace kivrel {
namespace {

WindowState StateOfSize(WPARAM kind) {
    if (kind == SIZE_MINIMIZED)
        return WindowState::Minimized;
    if (kind == SIZE_MAXIMIZED)
        return WindowState::Maximized;
    return WindowState::Normal;
}

// Maximised, the window fills the work area of its monitor and no more.
void FitToWorkArea(HWND hwnd, MINMAXINFO& info) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        info.ptMaxPosition.x = monitor.rcWork.left - monitor.rcMonitor.left;
        info.ptMaxPosition.y = monitor.rcWork.top - monitor.rcMonitor.top;
        info.ptMaxSize.x = monitor.rcWork.right - monitor.rcWork.left;
        info.ptMaxSize.y = monitor.rcWork.bottom - monitor.rcWork.top;
    }
    info.ptMinTrackSize = POINT{1, 1};
}

}  // namespace

// ---------------------------------------------------------------- IWindow

void Win32Window::SetText(Ctl control, const std::string& text) {
    if (hwnd_ == nullptr)
        return;
    const std::wstring wide = Widen(text);
    if (control == Ctl::Form1) {
        SetWindowTextW(hwnd_, wide.c_str());
        return;
    }
    HWND h = Control(control);
    if (h == nullptr)
        return;
    const ControlSpec& spec = ControlSpecOf(control);
    if (spec.kind == ControlKind::ComboBox) {
        if (wide.empty())
            SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(h, wide.c_str());
        return;
    }
    SetWindowTextW(h, wide.c_str());
    if (spec.kind == ControlKind::Label)
        RedrawBehind(h);  // a transparent label shows what lies behind it: the old text must go
    else
        InvalidateRect(h, nullptr, FALSE);
}

void Win32Window::SetMenuEnabled(Menu item, bool enabled) {
    const MenuSpec& spec = MenuSpecOf(item);
    if (!spec.parent)
        return;
    EnableMenuItem(PopupOf(*spec.parent), CommandOf(item),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Win32Window::SetTimerEnabled(TimerId timer, bool enabled) {
    if (hwnd_ == nullptr)
        return;
    // Timer ids are 1 + the TimerId, as WM_TIMER reads them back.
    const auto index = static_cast<size_t>(timer);
    const UINT_PTR id = index + 1;
    if (enabled == timerOn_[index])
        return;  // enabling a running timer does not restart it
    timerOn_[index] = enabled;
    if (!enabled) {
        KillTimer(hwnd_, id);
        return;
    }
    for (const auto& spec : kTimers)
        if (spec.id == timer)
            SetTimer(hwnd_, id, static_cast<UINT>(spec.intervalMs), nullptr);
}

void Win32Window::ApplyWindowState(WindowState state) {
    if (hwnd_ == nullptr)
        return;
    wantedState_ = state;
    if (state == WindowState::Minimized) {
        // In the tray the core hides the window itself; only with the taskbar fallback does
        // minimising show as such.
        if (taskbarFallback_ && IsWindowVisible(hwnd_))
            ShowWindow(hwnd_, SW_MINIMIZE);
        return;
    }
    if (IsWindowVisible(hwnd_))
        ShowWindow(hwnd_, state == WindowState::Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

void Win32Window::SetVisible(bool visible) {
    if (hwnd_ == nullptr)
        return;
    if (!visible) {
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    if (!everShown_) {
        everShown_ = true;
        Centre();
    }
    int command = SW_SHOWNORMAL;
    if (wantedState_ == WindowState::Maximized)
        command = SW_SHOWMAXIMIZED;
    else if (wantedState_ == WindowState::Minimized)
        command = SW_SHOWMINNOACTIVE;
    ShowWindow(hwnd_, command);
}

void Win32Window::Centre() {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Activate() {
    if (hwnd_ == nullptr || !IsWindowVisible(hwnd_))
        return;
    SetForegroundWindow(hwnd_);
    SetActiveWindow(hwnd_);
    HWND focus =
        lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : Control(kTabOrder.front());
    ::SetFocus(focus);
}

void Win32Window::SetFocus(Ctl control) {
    HWND h = Control(control);
    if (h == nullptr)
        return;
    lastFocus_ = h;
    if (IsWindowVisible(hwnd_))
        ::SetFocus(h);
}

int Win32Window::ComboIndex(Ctl combo) {
    HWND h = Control(combo);
    if (h == nullptr)
        return -1;
    const LRESULT index = SendMessageW(h, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

double Win32Window::ControlWidth(Ctl control) {
    HWND h = Control(control);
    if (h == nullptr)
        return 0;
    RECT r{};
    GetWindowRect(h, &r);
    return r.right - r.left;
}

void Win32Window::Repaint() {
    if (hwnd_ != nullptr && IsWindowVisible(hwnd_))
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Window::PopupMenu(Menu menu) {
    if (hwnd_ == nullptr)
        return;
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(hwnd_);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        PopupOf(menu), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    if (chosen != 0)
        OnMenu(chosen);
}

void Win32Window::SystemCommand(SysCommand command) {
    if (hwnd_ == nullptr)
        return;
    SendMessageW(hwnd_, WM_SYSCOMMAND, command == SysCommand::Move ? SC_MOVE : SC_SIZE, 0);
}

void Win32Window::SetTaskbarFallback(bool on) {
    if (hwnd_ == nullptr || on == taskbarFallback_)
        return;
    taskbarFallback_ = on;
    const bool visible = IsWindowVisible(hwnd_) != FALSE;
    if (visible)
        ShowWindow(hwnd_, SW_HIDE);  // the taskbar notices a style change only on showing
    LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    ex = on ? (ex & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW
            : (ex & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW;
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (visible)
        ShowWindow(hwnd_, SW_SHOWNA);
}

void Win32Window::Destroy() {
    if (hwnd_ != nullptr) {
        HWND h = hwnd_;
        for (size_t id = 1; id <= kTimers.size(); ++id)
            KillTimer(h, id);
        DestroyWindow(h);
        hwnd_ = nullptr;
    }
    PostQuitMessage(0);
}

// ---------------------------------------------------------------- messages

LRESULT CALLBACK Win32Window::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;  // WM_NCDESTROY lets go of hwnd_ before the default handling
    std::optional<LRESULT> result = OnFrame(message, wParam, lParam);
    if (!result)
        result = OnInput(message, wParam, lParam);
    if (!result)
        result = OnWindow(message, wParam, lParam);
    return result ? *result : DefWindowProcW(hwnd, message, wParam, lParam);
}

// The borderless frame and the painting. No result: the default handling follows.
std::optional<LRESULT> Win32Window::OnFrame(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCALCSIZE:
            return 0;  // the whole window is client area: no border, no title bar
        case WM_NCHITTEST: {
            const LRESULT hit = DefWindowProcW(hwnd_, message, wParam, lParam);
            return hit == HTNOWHERE ? hit : HTCLIENT;  // no sizing or moving with the mouse
        }
        case WM_NCPAINT:
            return 0;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_GETMINMAXINFO:
            FitToWorkArea(hwnd_, *reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT paints everything
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC:
            return LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM:
            if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

// A label is drawn transparent, in the colour of its row of the control table.
std::optional<LRESULT> Win32Window::LabelColours(HDC dc, HWND control) {
    const int index = IndexOf(control);
    if (index < 0 || kControls[static_cast<size_t>(index)].kind != ControlKind::Label)
        return std::nullopt;
    const ControlSpec& spec = kControls[static_cast<size_t>(index)];
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(
        dc, GetSysColor(spec.colour == TextColour::WindowText ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// The controls, the menus, the timers, the mouse and the keyboard focus.
std::optional<LRESULT> Win32Window::OnInput(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(wParam, lParam);
            return 0;
        case kComboChosenMessage:
            if (events_ != nullptr)
                events_->ControlEvent(static_cast<Ctl>(wParam), UiEvent::Click, {});
            return 0;
        case WM_TIMER:
            if (events_ != nullptr && wParam >= 1 && wParam <= kTimers.size())
                events_->TimerElapsed(static_cast<TimerId>(wParam - 1));
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            OnMouse(message, wParam, lParam);
            return 0;
        case WM_CAPTURECHANGED:
            trackedLabel_ = Ctl::Form1;
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus))
                    lastFocus_ = focus;
                return 0;
            }
            if (!IsIconic(hwnd_) && lastFocus_ != nullptr) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            return std::nullopt;
        case WM_SETFOCUS:
            if (lastFocus_ != nullptr && IsWindow(lastFocus_))
                ::SetFocus(lastFocus_);
            return 0;
        default:
            return std::nullopt;
    }
}

// What happens to the window itself: its size and state, the system's commands, closing, the
// session's end.
std::optional<LRESULT> Win32Window::OnWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            OnSize(wParam, lParam);
            return 0;
        case WM_SYSCOMMAND: {
            const UINT command = static_cast<UINT>(wParam & 0xFFF0);
            if (!IsWindowVisible(hwnd_)) {
                // In the tray the window is hidden, not minimised: the system's restore would
                // leave it hidden, so restoring is done as the program does it from the icon.
                if (command == SC_RESTORE && events_ != nullptr) {
                    events_->RestoreRequested();
                    return 0;
                }
                if (command == SC_MOVE || command == SC_SIZE)
                    return 0;  // nothing on the screen to move or size
            }
            return std::nullopt;
        }
        case WM_CLOSE:
            if (events_ != nullptr)
                events_->CloseRequested();
            else
                Destroy();
            return 0;
        case WM_QUERYENDSESSION:
            // Only a question: the log-out may still be cancelled, so the usage is stored and
            // the program keeps counting.
            if (events_ != nullptr)
                events_->SessionEndAsked();
            return TRUE;
        case WM_ENDSESSION:
            // wParam TRUE: the session really ends now; FALSE: the end was cancelled.
            if (events_ != nullptr)
                events_->SessionEnded(wParam != FALSE);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void Win32Window::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (lParam == 0 && code == 0 && id >= kFirstMenuId) {
        OnMenu(id);
        return;
    }
    HWND source = reinterpret_cast<HWND>(lParam);
    if (id == IDOK) {
        // Enter, as the dialog manager reports it: presses the button that has the focus.
        const int focused = IndexOf(GetFocus());
        if (focused >= 0 && kControls[static_cast<size_t>(focused)].kind == ControlKind::Button)
            SendMessageW(controls_[static_cast<size_t>(focused)], BM_CLICK, 0, 0);
        return;
    }
    const int index = IndexOf(source);
    if (index < 0 || events_ == nullptr)
        return;
    const ControlSpec& spec = kControls[static_cast<size_t>(index)];
    switch (spec.kind) {
        case ControlKind::Button:
            // An owner-drawn button reports the second click of a quick pair as a double click;
            // for the user it is one more click.
            if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
                events_->ControlEvent(spec.id, UiEvent::Click, {});
            return;
        case ControlKind::ComboBox:
            // Raised once the combo box has finished with the choice, so that the text the
            // handler clears is not written back by the box afterwards.
            if (code == CBN_SELCHANGE)
                PostMessageW(hwnd_, kComboChosenMessage, static_cast<WPARAM>(spec.id), 0);
            return;
        case ControlKind::Label:
            if (code == STN_CLICKED)
                events_->ControlEvent(spec.id, UiEvent::Click, {});
            return;
    }
}

void Win32Window::OnMenu(UINT id) {
    if (events_ == nullptr || id < kFirstMenuId || id >= kFirstMenuId + kMenus.size())
        return;
    events_->MenuChosen(kMenus[id - kFirstMenuId].id);
}

void Win32Window::OnSize(WPARAM kind, LPARAM size) {
    if (kind != SIZE_RESTORED && kind != SIZE_MINIMIZED && kind != SIZE_MAXIMIZED)
        return;
    // The state comes with the size: the core tells a new size or state from an echo.
    if (events_ != nullptr)
        events_->SizeChanged(StateOfSize(kind), PixelSize{GET_X_LPARAM(size), GET_Y_LPARAM(size)});
}

void Win32Window::OnMouse(UINT message, WPARAM keys, LPARAM position) {
    if (events_ == nullptr)
        return;
    const POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    // The label whose mouse moves are wanted: the one the pointer is over, or the one a held
    // button was pressed over.
    const ControlSpec* label = nullptr;
    RECT box{};
    for (const ControlSpec& spec : kControls) {
        if (!HasHandler(spec.id, UiEvent::MouseMove) || Control(spec.id) == nullptr)
            continue;
        GetWindowRect(Control(spec.id), &box);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
        if (spec.id == trackedLabel_ || PtInRect(&box, at)) {
            label = &spec;
            break;
        }
    }
    const bool over = label != nullptr && PtInRect(&box, at) != FALSE;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // A button pressed over the label keeps its moves coming wherever the pointer goes.
            if (over) {
                SetCapture(hwnd_);
                trackedLabel_ = label->id;
            }
            return;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (trackedLabel_ != Ctl::Form1 && (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0)
                ReleaseCapture();
            return;
        default:
            break;
    }
    if (label != nullptr)
        events_->ControlEvent(label->id, UiEvent::MouseMove,
                              MouseArgs{static_cast<float>(at.x - box.left)});
}

}  // namespace kivrel
