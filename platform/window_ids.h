// The names the core and the window share: the controls, menu items and timers of the main
// window, colours, window states and the window's own commands. The layout of the window (where
// each control stands, its text and colours) is app/controls.h; this is only the vocabulary.
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

enum class TimerId { Timer1, Timer2 };

// Window states, as everywhere in the program: 0 normal, 1 minimised, 2 maximised.
enum WindowStateValue : int16_t { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// The system commands the tray menu's Restore, Move and Size items ask of the window.
enum class SysCommand { Restore, Move, Size };

}  // namespace kivrel
