#include "platform/win32/window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>

#include "app/form1.h"
#include "platform/win32/text.h"

namespace kivrel {
namespace {

constexpr wchar_t kClassName[] = L"KivrelForm1";
constexpr int kFirstControlId = 100;
constexpr int kFirstMenuId = 200;
constexpr int kIconResource = 1;
constexpr int kComboListHeight = 240;  // pixels of the dropped-down list

COLORREF ToColorref(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

size_t ControlIndex(Ctl id) {
    for (size_t i = 0; i < kControls.size(); ++i)
        if (kControls[i].id == id)
            return i;
    return kControls.size();
}

size_t MenuIndex(Menu id) {
    for (size_t i = 0; i < kMenus.size(); ++i)
        if (kMenus[i].id == id)
            return i;
    return kMenus.size();
}

RECT PixelRect(const ControlSpec& spec) {
    const int left = TwipsToPixels(spec.left);
    const int top = TwipsToPixels(spec.top);
    return RECT{left, top, left + TwipsToPixels(spec.width), top + TwipsToPixels(spec.height)};
}

int16_t StateOfSize(WPARAM kind) {
    if (kind == SIZE_MINIMIZED)
        return kMinimized;
    if (kind == SIZE_MAXIMIZED)
        return kMaximized;
    return kNormal;
}

// Mouse buttons and shift keys as event arguments: left 1, right 2, middle 4; shift 1, ctrl 2,
// alt 4.
int16_t ButtonsOf(WPARAM keys) {
    return static_cast<int16_t>(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
                                ((keys & MK_MBUTTON) ? 4 : 0));
}
int16_t ShiftOf(WPARAM keys) {
    return static_cast<int16_t>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                                (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

// Counts the window's own requests, so that the sizes they cause are not reported back.
class Applying {
  public:
    explicit Applying(int& depth) : depth_(depth) { ++depth_; }
    ~Applying() { --depth_; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;

  private:
    int& depth_;
};

}  // namespace

// ---------------------------------------------------------------- canvas

void Win32Canvas::FillBox(int x1, int y1, int x2, int y2, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(ToColorref(colour));
    const RECT box{x1, y1, x2, y2};
    FillRect(dc_, &box, brush);
    DeleteObject(brush);
}

void Win32Canvas::FillCircle(double cx, double cy, double radius, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(ToColorref(colour));
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(NULL_PEN));
    // With no pen the ellipse fills up to, not including, its right and bottom bounds.
    Ellipse(dc_, static_cast<int>(std::lround(cx - radius)),
            static_cast<int>(std::lround(cy - radius)),
            static_cast<int>(std::lround(cx + radius)) + 1,
            static_cast<int>(std::lround(cy + radius)) + 1);
    SelectObject(dc_, oldPen);
    SelectObject(dc_, oldBrush);
    DeleteObject(brush);
}

// ---------------------------------------------------------------- creation

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance) {}

Win32Window::~Win32Window() {
    form_ = nullptr;  // the form may be gone already: the last messages are the window's alone
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
    if (trayMenu_ != nullptr)
        DestroyMenu(trayMenu_);
    if (fileMenu_ != nullptr)
        DestroyMenu(fileMenu_);
    if (songTi_ != nullptr)
        DeleteObject(songTi_);
    if (bigIcon_ != nullptr)
        DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr)
        DestroyIcon(smallIcon_);
}

bool Win32Window::Create() {
    INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX),
                                ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);

    bigIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(kIconResource),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &Win32Window::WndProc;
    wc.hInstance = instance_;
    wc.hIcon = bigIcon_;
    wc.hIconSm = smallIcon_;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;  // Form_Paint covers the whole client area
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    // A sizing frame only so that the system's keyboard sizing works; WM_NCCALCSIZE gives the
    // whole window to the client area, so nothing of the frame shows or reacts to the mouse.
    const int width = TwipsToPixels(kForm1.clientWidth);
    const int height = TwipsToPixels(kForm1.clientHeight);
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, kClassName,
                            Widen(kForm1.caption).c_str(), WS_POPUP | WS_THICKFRAME, 0, 0, width,
                            height, nullptr, nullptr, instance_, this);
    if (hwnd_ == nullptr)
        return false;
    // The frame style changed the sizes CreateWindowEx worked with: settle them again.
    {
        Applying applying(applying_);
        SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    shownSize_ = SIZE{width, height};

    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    songTi_ = CreateFontW(-MulDiv(12, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    guiFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    CreateControls();
    CreateMenus();
    return true;
}

void Win32Window::CreateControls() {
    for (size_t i = 0; i < kControls.size(); ++i) {
        const ControlSpec& spec = kControls[i];
        const RECT r = PixelRect(spec);
        const std::wstring text = Widen(spec.text);
        const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i));
        DWORD style = WS_CHILD | WS_VISIBLE;
        const wchar_t* cls = WC_STATICW;
        int height = r.bottom - r.top;
        switch (spec.kind) {
            case ControlKind::ComboBox:
                cls = WC_COMBOBOXW;
                style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
                height = kComboListHeight;
                break;
            case ControlKind::Button:
                cls = WC_BUTTONW;
                style |= BS_OWNERDRAW | WS_TABSTOP;
                break;
            case ControlKind::Label:
                style |= (spec.centred ? SS_CENTER : SS_LEFT) | SS_NOPREFIX;
                if (spec.border)
                    style |= WS_BORDER;
                // Labels with an event of their own take the mouse; the others let it through
                // to the window (Label6's mouse moves are seen there).
                if (spec.id == Ctl::Label7)
                    style |= SS_NOTIFY;
                break;
        }
        HWND control = CreateWindowExW(0, cls, text.c_str(), style, r.left, r.top, r.right - r.left,
                                       height, hwnd_, id, instance_, nullptr);
        controls_[i] = control;
        SendMessageW(
            control, WM_SETFONT,
            reinterpret_cast<WPARAM>(spec.font == FontChoice::SongTi12 ? songTi_ : guiFont_),
            FALSE);
        if (spec.kind == ControlKind::ComboBox) {
            auto add = [&](std::string_view item) {
                SendMessageW(control, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(Widen(item).c_str()));
            };
            if (spec.id == Ctl::Combo1)
                for (auto item : kCombo1Items)
                    add(item);
            else
                for (auto item : kCombo2Items)
                    add(item);
            // The closed box is as high as the table says: its height follows the height of its
            // text field, set by CB_SETITEMHEIGHT. What CB_GETITEMHEIGHT reports may differ from
            // what was set (wine adds 2), so the result is measured and corrected once.
            auto boxHeight = [control] {
                RECT shown{};
                GetWindowRect(control, &shown);
                return static_cast<int>(shown.bottom - shown.top);
            };
            const int want = r.bottom - r.top;
            int field = static_cast<int>(
                SendMessageW(control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
            for (int attempt = 0; attempt < 2; ++attempt) {
                const int delta = want - boxHeight();
                if (delta == 0 || field + delta <= 0)
                    break;
                field += delta;
                SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
            }
        }
        if (!spec.tooltip.empty()) {
            if (tooltip_ == nullptr)
                tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                                           nullptr, instance_, nullptr);
            std::wstring tip = Widen(spec.tooltip);
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(control);
            tool.lpszText = tip.data();
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    // The keyboard focus moves through the controls in z-order: put them in the tab order.
    HWND previous = HWND_TOP;
    for (Ctl id : kTabOrder) {
        HWND control = Control(id);
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    lastFocus_ = Control(kTabOrder.front());
}

void Win32Window::CreateMenus() {
    fileMenu_ = CreatePopupMenu();
    trayMenu_ = CreatePopupMenu();
    for (size_t i = 0; i < kMenus.size(); ++i) {
        const MenuSpec& spec = kMenus[i];
        if (!spec.parent)
            continue;  // the top-level menus are hidden containers
        HMENU popup = *spec.parent == Menu::mnuFile ? fileMenu_ : trayMenu_;
        const UINT id = static_cast<UINT>(kFirstMenuId + i);
        if (spec.caption == "-") {
            AppendMenuW(popup, MF_SEPARATOR, id, nullptr);
            continue;
        }
        AppendMenuW(popup, MF_STRING | (spec.enabled ? MF_ENABLED : MF_GRAYED), id,
                    Widen(spec.caption).c_str());
    }
}

HWND Win32Window::Control(Ctl id) const {
    const size_t i = ControlIndex(id);
    return i < controls_.size() ? controls_[i] : nullptr;
}

HMENU Win32Window::PopupOf(Menu menu) const {
    return menu == Menu::mnuFile ? fileMenu_ : trayMenu_;
}

UINT Win32Window::CommandOf(Menu item) const {
    return static_cast<UINT>(kFirstMenuId + MenuIndex(item));
}

int Win32Window::IndexOf(HWND control) const {
    for (size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] != nullptr && controls_[i] == control)
            return static_cast<int>(i);
    return -1;
}

bool Win32Window::PreTranslate(MSG& message) {
    return hwnd_ != nullptr && IsDialogMessageW(hwnd_, &message);
}

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

// Repaints the window's face behind a child, then the child over it.
void Win32Window::RedrawBehind(HWND child) {
    if (!IsWindowVisible(hwnd_))
        return;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
    const int index = timer == TimerId::Timer1 ? 0 : 1;
    const UINT_PTR id = static_cast<UINT_PTR>(index + 1);
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

void Win32Window::ApplyWindowState(int16_t state) {
    if (hwnd_ == nullptr)
        return;
    Applying applying(applying_);
    wantedState_ = state;
    if (state == kMinimized) {
        if (!taskbarFallback_)
            ShowWindow(hwnd_, SW_HIDE);
        else if (IsWindowVisible(hwnd_))
            ShowWindow(hwnd_, SW_MINIMIZE);
        shownState_ = kMinimized;
        return;
    }
    if (IsWindowVisible(hwnd_)) {
        ShowWindow(hwnd_, state == kMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
        shownState_ = state;
    }
}

void Win32Window::SetVisible(bool visible) {
    if (hwnd_ == nullptr)
        return;
    Applying applying(applying_);
    if (!visible) {
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    if (!everShown_) {
        everShown_ = true;
        Centre();
    }
    int command = SW_SHOWNORMAL;
    if (wantedState_ == kMaximized)
        command = SW_SHOWMAXIMIZED;
    else if (wantedState_ == kMinimized)
        command = SW_SHOWMINNOACTIVE;
    ShowWindow(hwnd_, command);
    shownState_ = wantedState_;
    RECT r{};
    GetClientRect(hwnd_, &r);
    shownSize_ = SIZE{r.right - r.left, r.bottom - r.top};
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
    WPARAM sc = SC_RESTORE;
    if (command == SysCommand::Move)
        sc = SC_MOVE;
    else if (command == SysCommand::Size)
        sc = SC_SIZE;
    SendMessageW(hwnd_, WM_SYSCOMMAND, sc, 0);
}

void Win32Window::SetTaskbarFallback(bool on) {
    if (hwnd_ == nullptr || on == taskbarFallback_)
        return;
    taskbarFallback_ = on;
    Applying applying(applying_);
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
        KillTimer(h, 1);
        KillTimer(h, 2);
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
    HWND hwnd = hwnd_;
    switch (message) {
        case WM_NCCALCSIZE:
            return 0;  // the whole window is client area: no border, no title bar
        case WM_NCHITTEST: {
            const LRESULT hit = DefWindowProcW(hwnd, message, wParam, lParam);
            return hit == HTNOWHERE ? hit : HTCLIENT;  // no sizing or moving with the mouse
        }
        case WM_NCPAINT:
            return 0;
        case WM_NCACTIVATE:
            return TRUE;
        case WM_GETMINMAXINFO: {
            // Maximised, the window fills the work area of its monitor and no more.
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
                info->ptMaxPosition.x = monitor.rcWork.left - monitor.rcMonitor.left;
                info->ptMaxPosition.y = monitor.rcWork.top - monitor.rcMonitor.top;
                info->ptMaxSize.x = monitor.rcWork.right - monitor.rcWork.left;
                info->ptMaxSize.y = monitor.rcWork.bottom - monitor.rcWork.top;
            }
            info->ptMinTrackSize = POINT{1, 1};
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT paints everything
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC: {
            const int index = IndexOf(reinterpret_cast<HWND>(lParam));
            if (index < 0 || kControls[static_cast<size_t>(index)].kind != ControlKind::Label)
                break;
            const ControlSpec& spec = kControls[static_cast<size_t>(index)];
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(spec.colour == TextColour::WindowText ? COLOR_WINDOWTEXT
                                                                               : COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        case WM_DRAWITEM:
            if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
                return TRUE;
            break;
        case WM_COMMAND:
            OnCommand(wParam, lParam);
            return 0;
        case kComboChosenMessage:
            if (form_ == nullptr)
                return 0;
            if (static_cast<Ctl>(wParam) == Ctl::Combo1)
                form_->Combo1_Click();
            else
                form_->Combo2_Click();
            return 0;
        case WM_TIMER:
            if (form_ == nullptr)
                return 0;
            if (wParam == 1)
                form_->Timer1_Timer();
            else if (wParam == 2)
                form_->Timer2_Timer();
            return 0;
        case WM_SIZE:
            OnSize(wParam, lParam);
            return 0;
        case WM_SYSCOMMAND: {
            const UINT command = static_cast<UINT>(wParam & 0xFFF0);
            if (!IsWindowVisible(hwnd)) {
                // In the tray the window is hidden, not minimised: the system's restore would
                // leave it hidden, so restoring is done as the program does it from the icon.
                if (command == SC_RESTORE && form_ != nullptr) {
                    form_->SystemRestore();
                    return 0;
                }
                if (command == SC_MOVE || command == SC_SIZE)
                    return 0;  // nothing on the screen to move or size
            }
            break;
        }
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
            trackingLabel6_ = false;
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd, focus))
                    lastFocus_ = focus;
                return 0;
            }
            if (!IsIconic(hwnd) && lastFocus_ != nullptr) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_SETFOCUS:
            if (lastFocus_ != nullptr && IsWindow(lastFocus_))
                ::SetFocus(lastFocus_);
            return 0;
        case WM_CLOSE:
            if (form_ != nullptr)
                form_->Unload();
            else
                Destroy();
            return 0;
        case WM_QUERYENDSESSION:
            // Only a question: the log-out may still be cancelled, so the usage is stored and
            // the program keeps counting.
            if (form_ != nullptr)
                form_->QueryEndSession();
            return TRUE;
        case WM_ENDSESSION:
            // wParam TRUE: the session really ends now; FALSE: the end was cancelled.
            if (form_ != nullptr)
                form_->EndSession(wParam != FALSE);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Window::OnPaint() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if (w > 0 && h > 0) {
        // Drawn off the screen first, so the strips never flicker.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(memory, bitmap);
        HBRUSH background = CreateSolidBrush(ToColorref(kForm1.background));
        FillRect(memory, &client, background);
        DeleteObject(background);
        if (form_ != nullptr) {
            Win32Canvas canvas(memory, w, h);
            form_->Form_Paint(canvas);
        }
        BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(hwnd_, &ps);
}

bool Win32Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const int index = IndexOf(item.hwndItem);
    if (index < 0)
        return false;
    const ControlSpec& spec = kControls[static_cast<size_t>(index)];
    if (spec.kind != ControlKind::Button)
        return false;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;

    HBRUSH fill = CreateSolidBrush(ToColorref(spec.background.value_or(Rgb{192, 192, 192})));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    if (spec.flat) {
        FrameRect(dc, &r, GetSysColorBrush(pressed ? COLOR_BTNTEXT : COLOR_BTNSHADOW));
    } else {
        DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }

    const int length = GetWindowTextLengthW(item.hwndItem);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item.hwndItem, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT textBox = r;
    if (pressed)
        OffsetRect(&textBox, 1, 1);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textBox,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);

    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = r;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
    return true;
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
    if (index < 0 || form_ == nullptr)
        return;
    const Ctl ctl = kControls[static_cast<size_t>(index)].id;
    switch (ctl) {
        case Ctl::Command1:
        case Ctl::Command2:
        case Ctl::Command3:
        case Ctl::command4:
        case Ctl::Command5:
            // An owner-drawn button reports the second click of a quick pair as a double click;
            // for the user it is one more click.
            if (code != BN_CLICKED && code != BN_DOUBLECLICKED)
                return;
            if (ctl == Ctl::Command1)
                form_->Command1_Click();
            else if (ctl == Ctl::Command2)
                form_->Command2_Click();
            else if (ctl == Ctl::Command3)
                form_->Command3_Click();
            else if (ctl == Ctl::command4)
                form_->command4_Click();
            else
                form_->Command5_Click();
            return;
        case Ctl::Combo1:
        case Ctl::Combo2:
            // Handled once the combo box has finished with the choice, so that the text the
            // handler clears is not written back by the box afterwards.
            if (code == CBN_SELCHANGE)
                PostMessageW(hwnd_, kComboChosenMessage, static_cast<WPARAM>(ctl), 0);
            return;
        case Ctl::Label7:
            if (code == STN_CLICKED)
                form_->Label7_Click();
            return;
        default:
            return;
    }
}

void Win32Window::OnMenu(UINT id) {
    if (form_ == nullptr || id < kFirstMenuId || id >= kFirstMenuId + kMenus.size())
        return;
    switch (kMenus[id - kFirstMenuId].id) {
        case Menu::mnuFileExit:
            form_->mnuFileExit_Click();
            break;
        case Menu::mnuTrayRestore:
            form_->mnuTrayRestore_Click();
            break;
        case Menu::mnuTrayMove:
            form_->mnuTrayMove_Click();
            break;
        case Menu::mnuTraySize:
            form_->mnuTraySize_Click();
            break;
        case Menu::mnuTrayMinimize:
            form_->mnuTrayMinimize_Click();
            break;
        case Menu::mnuTrayMaximize:
            form_->mnuTrayMaximize_Click();
            break;
        case Menu::mnuTrayClose:
            form_->mnuTrayClose_Click();
            break;
        default:
            break;
    }
}

void Win32Window::OnSize(WPARAM kind, LPARAM size) {
    if (kind != SIZE_RESTORED && kind != SIZE_MINIMIZED && kind != SIZE_MAXIMIZED)
        return;
    const int16_t state = StateOfSize(kind);
    const SIZE now{GET_X_LPARAM(size), GET_Y_LPARAM(size)};
    const bool changed =
        state != shownState_ ||
        (state != kMinimized && (now.cx != shownSize_.cx || now.cy != shownSize_.cy));
    shownState_ = state;
    if (state != kMinimized)
        shownSize_ = now;
    // Changes that Form1 asked for are not reported: it raises Form_Resize itself.
    if (applying_ > 0 || !changed || form_ == nullptr)
        return;
    form_->SystemChangedWindow(state);
}

void Win32Window::OnMouse(UINT message, WPARAM keys, LPARAM position) {
    HWND label6 = Control(Ctl::Label6);
    if (form_ == nullptr || label6 == nullptr)
        return;
    const POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    RECT box{};
    GetWindowRect(label6, &box);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    const bool over = PtInRect(&box, at) != FALSE;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // A button pressed over the label keeps its moves coming wherever the pointer goes.
            if (over) {
                SetCapture(hwnd_);
                trackingLabel6_ = true;
            }
            return;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (trackingLabel6_ && (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0)
                ReleaseCapture();
            return;
        default:
            break;
    }
    if (over || trackingLabel6_)
        form_->Label6_MouseMove(ButtonsOf(keys), ShiftOf(keys), static_cast<float>(at.x - box.left),
                                static_cast<float>(at.y - box.top));
}

}  // namespace kivrel
