// The main window on Win32: a borderless popup without a taskbar button, 539 × 351 client pixels,
// hidden until first shown and centred then, holding every control of the control table. It shows
// what Form1 tells it and reports what the user and the system did to Form1's handlers.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/controls.h"
#include "platform/ports.h"

namespace kivrel {

class Form1;

// A GDI device context as Form_Paint's surface.
class Win32Canvas final : public ICanvas {
  public:
    Win32Canvas(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {}
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // A solid rectangle without outline covering x1 ≤ x < x2, y1 ≤ y < y2.
    void FillBox(int x1, int y1, int x2, int y2, Rgb colour) override;
    // A solid disc without outline.
    void FillCircle(double cx, double cy, double radius, Rgb colour) override;

  private:
    HDC dc_;
    int width_;
    int height_;
};

class Win32Window final : public IWindow {
  public:
    explicit Win32Window(HINSTANCE instance);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Creates the window, hidden, with all its controls, menus and fonts. False when the system
    // refused (no display).
    bool Create();
    // From now on events go to `form`'s handlers.
    void Attach(Form1& form) { form_ = &form; }

    HWND Handle() const { return hwnd_; }
    HWND Control(Ctl id) const;
    HMENU PopupOf(Menu menu) const;
    UINT CommandOf(Menu item) const;
    HICON SmallIcon() const { return smallIcon_; }
    HWND Tooltip() const { return tooltip_; }
    // The message loop's keyboard handling (Tab between the controls): true when consumed.
    bool PreTranslate(MSG& message);

    // IWindow
    void SetText(Ctl control, const std::string& text) override;
    void SetMenuEnabled(Menu item, bool enabled) override;
    void SetTimerEnabled(TimerId timer, bool enabled) override;
    void ApplyWindowState(int16_t state) override;
    void SetVisible(bool visible) override;
    void Activate() override;
    void SetFocus(Ctl control) override;
    int ComboIndex(Ctl combo) override;
    double ControlWidth(Ctl control) override;
    void Repaint() override;
    void PopupMenu(Menu menu) override;
    void SystemCommand(SysCommand command) override;
    WindowAbilities Abilities() override { return {}; }  // the system's own move and size
    void SetTaskbarFallback(bool on) override;
    void Destroy() override;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void CreateMenus();
    void OnPaint();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnMenu(UINT id);
    void OnSize(WPARAM kind, LPARAM size);
    void OnMouse(UINT message, WPARAM keys, LPARAM position);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    void RedrawBehind(HWND child);
    void Centre();
    int IndexOf(HWND control) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    Form1* form_ = nullptr;
    std::array<HWND, kControls.size()> controls_{};
    HMENU fileMenu_ = nullptr;
    HMENU trayMenu_ = nullptr;
    HFONT songTi_ = nullptr;
    HFONT guiFont_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool timerOn_[2] = {false, false};
    // The state Form1 asked for, shown on the next SetVisible(true).
    int16_t wantedState_ = kNormal;
    // What the window last was, so that only real changes go back to Form1 as resizes.
    int16_t shownState_ = kNormal;
    SIZE shownSize_{0, 0};
    bool everShown_ = false;
    bool taskbarFallback_ = false;
    int applying_ = 0;  // > 0 while the window carries out a request of Form1's
    bool trackingLabel6_ = false;
};

// Window messages of the program's own.
inline constexpr UINT kComboChosenMessage = WM_APP + 1;

}  // namespace kivrel
