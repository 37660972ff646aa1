// The Win32 window's face: the core's painting drawn off the screen, the owner-drawn buttons in
// their own colours, and the repaint behind a transparent label.
#include "platform/win32/canvas.h"
#include "platform/win32/window.h"

namespace kivrel {

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
        if (events_ != nullptr) {
            Win32Canvas canvas(memory, w, h);
            events_->Paint(canvas);
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

// Repaints the window's face behind a child, then the child over it.
void Win32Window::RedrawBehind(HWND child) {
    if (!IsWindowVisible(hwnd_))
        return;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace kivrel
