// The one place that knows which Form1 handler answers which event. A shell reports "this
// control, this event" (or this menu item, this timer) through IWindowEvents and nothing else; it
// never names a handler.
#pragma once

#include "ports/window_ids.h"

namespace kivrel {

class Form1;

// Whether `control` has a handler for `event`: a shell needs to listen only for those.
bool HasHandler(Ctl control, UiEvent event);
// Raises the handler of `event` on `control`, or of a menu item or a timer. Does nothing when
// there is no handler or the program has unloaded.
void RaiseEvent(Form1& form, Ctl control, UiEvent event, const MouseArgs& mouse = {});
void RaiseMenu(Form1& form, Menu item);
void RaiseTimer(Form1& form, TimerId timer);

}  // namespace kivrel
