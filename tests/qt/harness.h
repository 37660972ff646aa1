// The real Qt window driven by the real Form1, with fakes for everything outside the toolkit.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <string>

#include "presenter/form1.h"
#include "fakes/fakes.h"
#include "platform/qt/qt_window.h"

namespace kivrel::qttest {

using namespace kivrel::fakes;

struct Harness {
    Journal journal;
    FakeDialogs dialogs{journal};
    FakeTray tray{journal};
    FakeConnection connection;
    FakeClock clock;
    FakeFiles files{journal};
    FakeAppInfo app;
    FakeInstance instance{journal};
    FakeAutostart autostart;
    QtWindow window;
    FakeHangUp hangUp;
    Platform platform{window, dialogs, tray,     connection, clock,
                      files,  app,     instance, autostart,  hangUp};
    Form1 form{platform};

    explicit Harness(bool trayAvailable = true, const std::string& ini = "") {
        files.files[IniPath()] = ini;
        tray.available = trayAvailable;
        window.Attach(form);
    }
    ~Harness() {
        // Leave nothing running or grabbed for the next test.
        window.hide();
        QApplication::processEvents();
    }

    std::string IniPath() const { return app.dir + "/timer.ini"; }

    // Starts the program and opens the window from the tray icon, as a user would.
    void LoadAndOpen() {
        ASSERT_TRUE(form.Form_Load());
        tray.Click(TrayEvent::LeftButtonUp);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Lets the auto-hide countdown tick down to `seconds`, as its timer would.
    void CountDownTo(int16_t seconds) {
        while (form.HideCountdown() > seconds)
            form.TimerElapsed(TimerId::Timer2);
    }

    template <class T>
    T* Get(Ctl control) {
        return qobject_cast<T*>(window.Control(control));
    }
};

// What the window has built so far, and whether a keyboard move or size holds the keyboard, as
// Qt shows them.
inline bool ControlsBuilt(QtWindow& window) {
    return !window.findChildren<QLabel*>().isEmpty();
}
inline bool MenusBuilt(QtWindow& window) {
    return !window.findChildren<QMenu*>().isEmpty();
}
inline bool KeyboardTracking(QtWindow& window) {
    return QWidget::keyboardGrabber() == &window;
}

}  // namespace kivrel::qttest
