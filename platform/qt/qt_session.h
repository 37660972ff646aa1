// The end of the desktop session, wired to Form1.
#pragma once

#include <QObject>

namespace kivrel {

class Form1;

// The session manager asking the program to save is only a question: the user may still cancel
// the log-out, so Form1 stores the month's total and keeps counting. When the session really ends
// the application quits, and that unloads. `started` tells whether start-up has finished; the
// connections live as long as `context`.
void ConnectSessionEnd(QObject* context, Form1& form, const bool& started);

}  // namespace kivrel
