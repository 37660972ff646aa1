// The main window on Win32: a borderless popup without a taskbar button, 539 × 351 client pixels,
// hidden until first shown and centred then, holding every control of the control table. It shows
// what the core tells it and reports what happens to it through IWindowEvents.
// Its creation is window_build.cpp, its painting window_paint.cpp.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "presenter/controls.h"
#include "ports/ports.h"

namespace kivrel {

class Win32Window final : public IWindow {
  public:
    explicit Win32Window(HINSTANCE instance);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Creates the window, hidden, with all its controls, menus and fonts. False when the system
    // refused (no display).
    bool Create();
    // From now on events go to `events`.
    void Attach(IWindowEvents& events) { events_ = &events; }

    HWND Handle() const { return hwnd_; }
    HWND Control(Ctl id) const;
    HMENU PopupOf(Menu menu) const;
    UINT CommandOf(Menu item) const;
    HICON SmallIcon() const { return smallIcon_; }
    // The message loop's keyboard handling (Tab between the controls): true when consumed.
    bool PreTranslate(MSG& message);

    // IWindow
    void SetText(Ctl control, const std::string& text) override;
    void SetMenuEnabled(Menu item, bool enabled) override;
    void SetTimerEnabled(TimerId timer, bool enabled) override;
    void ApplyWindowState(WindowState state) override;
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
    static constexpr int kFirstControlId = 100;
    static constexpr int kFirstMenuId = 200;

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnFrame(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnInput(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> OnWindow(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> LabelColours(HDC dc, HWND control);
    void CreateControls();
    HWND CreateControl(const ControlSpec& spec, int id);
    void AddTooltip(HWND control, std::string_view text);
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
    IWindowEvents* events_ = nullptr;
    std::array<HWND, kControls.size()> controls_{};
    HMENU fileMenu_ = nullptr;
    HMENU trayMenu_ = nullptr;
    HFONT songTi_ = nullptr;
    HFONT guiFont_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::array<bool, kTimers.size()> timerOn_{};
    // The state the core asked for, shown on the next SetVisible(true).
    WindowState wantedState_ = WindowState::Normal;
    bool everShown_ = false;
    bool taskbarFallback_ = false;
    Ctl trackedLabel_ = Ctl::Form1;  // the label a held mouse button went down on, if any
};

// Window messages of the program's own.
inline constexpr UINT kComboChosenMessage = WM_APP + 1;

}  // namespace kivrel
