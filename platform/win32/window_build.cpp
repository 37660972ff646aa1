// The Win32 window's creation: the window class, the controls of the control table with their
// fonts and tooltips, the menus; and the lookups that reach them.
#include <windows.h>

#include <commctrl.h>  // after windows.h, which it needs

#include "presenter/events.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"

namespace kivrel {
namespace {

constexpr wchar_t kClassName[] = L"KivrelForm1";
constexpr int kIconResource = 1;
constexpr int kComboListHeight = 240;  // pixels of the dropped-down list

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

// Fills a combo box with its items. The closed box is as high as the table says: its height
// follows the height of its text field, set by CB_SETITEMHEIGHT. What CB_GETITEMHEIGHT reports
// may differ from what was set (wine adds 2), so the result is measured and corrected once.
void FillComboBox(HWND control, const ControlSpec& spec) {
    for (std::string_view item : spec.items)
        SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
    auto boxHeight = [control] {
        RECT shown{};
        GetWindowRect(control, &shown);
        return static_cast<int>(shown.bottom - shown.top);
    };
    const RECT r = PixelRect(spec);
    const int want = r.bottom - r.top;
    int field =
        static_cast<int>(SendMessageW(control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int delta = want - boxHeight();
        if (delta == 0 || field + delta <= 0)
            break;
        field += delta;
        SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance) {}

Win32Window::~Win32Window() {
    events_ = nullptr;  // the core may be gone already: the last messages are the window's alone
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
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

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
        HWND control = CreateControl(spec, kFirstControlId + static_cast<int>(i));
        controls_[i] = control;
        if (spec.kind == ControlKind::ComboBox)
            FillComboBox(control, spec);
        if (!spec.tooltip.empty())
            AddTooltip(control, spec.tooltip);
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

// One control of the table, of the class and style its kind takes, in its font.
HWND Win32Window::CreateControl(const ControlSpec& spec, int id) {
    const RECT r = PixelRect(spec);
    const std::wstring text = Widen(spec.text);
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
            // Labels with a click of their own take the mouse; the others let it through
            // to the window (mouse moves over a label are seen there).
            if (HasHandler(spec.id, UiEvent::Click))
                style |= SS_NOTIFY;
            break;
    }
    HWND control =
        CreateWindowExW(0, cls, text.c_str(), style, r.left, r.top, r.right - r.left, height, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(spec.font == FontChoice::SongTi12 ? songTi_ : guiFont_),
                 FALSE);
    return control;
}

void Win32Window::AddTooltip(HWND control, std::string_view text) {
    if (tooltip_ == nullptr)
        tooltip_ =
            CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    std::wstring tip = Widen(text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
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

}  // namespace kivrel
