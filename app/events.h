// The one place that knows which Form1 handler answers which event. A shell reports "this
// control, this event" (or this menu item, this timer) and nothing else; it never names a handler.
#pragma once

#include <cstdint>

#include "platform/window_ids.h"

namespace kivrel {

class Form1;

// What the user did to a control: a click (a button pressed, a combo box item chosen, a label
// clicked) or the mouse moving over it.
enum class UiEvent { Click, MouseMove };

// A mouse event's buttons (left 1, right 2, middle 4), shift keys (Shift 1, Ctrl 2, Alt 4) and
// the pointer's position relative to the control, in pixels.
struct MouseArgs {
    int16_t button = 0;
    int16_t shift = 0;
    float x = 0;
    float y = 0;
};

// Whether `control` has a handler for `event`: a shell needs to listen only for those.
bool HasHandler(Ctl control, UiEvent event);
// Raises the handler of `event` on `control`, or of a menu item or a timer. Does nothing when
// there is no handler or the program has unloaded.
void RaiseEvent(Form1& form, Ctl control, UiEvent event, const MouseArgs& mouse = {});
void RaiseMenu(Form1& form, Menu item);
void RaiseTimer(Form1& form, TimerId timer);

}  // namespace kivrel
