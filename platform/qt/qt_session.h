// The end of the desktop session, reported to the core.
#pragma once

#include <QObject>

namespace kivrel {

class IWindowEvents;

// The session manager asking the program to save is only a question: the user may still cancel
// the log-out, so the core stores the month's total and keeps counting. When the session really
// ends the application quits, and that closes the program. The connections live as long as
// `context`.
void ConnectSessionEnd(QObject* context, IWindowEvents& events);

}  // namespace kivrel
