// The names the core and the window share: the controls, menu items and timers of the main
// window, colours, window states, the window's own commands and the events of its controls. The
// layout of the window (where each control stands, its text and colours) is presenter/controls.h; this is
// only the vocabulary.
#pragma once

#include <cstdint>

namespace kivrel {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The window itself and every control that has a text.
enum class Ctl {
    Form1,
    Combo2,
    Command5,
    Command3,
    Command1,
    Command2,
    command4,
    Combo1,
    Label1,
    Label6,
    Label9,
    Label8,
    Label3,
    Label4,
    Label7,
    Label5,
    Label2,
};

enum class Menu {
    mnuFile,
    mnuFileExit,
    mnuTray,
    mnuTrayRestore,
    mnuTrayMove,
    mnuTraySize,
    mnuTrayMinimize,
    mnuTrayMaximize,
    mnuTraySep,
    mnuTrayClose,
};

// Timer1 the accounting tick, Timer2 the auto-hide countdown, TrayGrace the wait before a
// notification area that went away counts as gone.
enum class TimerId { Timer1, Timer2, TrayGrace };

// The states of the main window.
enum class WindowState : int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

// The window's own keyboard move and size, as the tray menu's Move and Size ask for them.
enum class SysCommand { Move, Size };

// What the user did to a control: a click (a button pressed, a combo box item chosen, a label
// clicked) or the mouse moving over it.
enum class UiEvent { Click, MouseMove };

// Where the mouse is in a mouse event: relative to the control, in pixels.
struct MouseArgs {
    float x = 0;
};

}  // namespace kivrel
