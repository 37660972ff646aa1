// The keyboard move and size of the Qt window, as the tray menu's Move and Size start them:
// the arrow keys move or size it, Enter keeps the result, Esc puts it back, a click ends it.
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "platform/qt/qt_window.h"

namespace kivrel {

namespace {

// Steps of the keyboard move and size, in pixels.
constexpr int kTrackStep = 10;
constexpr int kTrackFineStep = 1;

}  // namespace

void QtWindow::StartTracking(Tracking mode) {
    if (tracking_ != Tracking::None || destroyed_ || !isVisible())
        return;
    tracking_ = mode;
    trackingStart_ = geometry();
    raise();
    activateWindow();
    grabKeyboard();
    grabMouse(mode == Tracking::Move ? Qt::SizeAllCursor : Qt::SizeFDiagCursor);
}

void QtWindow::EndTracking(bool keep) {
    const Tracking mode = tracking_;
    if (mode == Tracking::None)
        return;
    tracking_ = Tracking::None;
    releaseMouse();
    releaseKeyboard();
    if (keep)
        return;
    // Esc puts the window back where and as large as it was.
    if (mode == Tracking::Move) {
        move(trackingStart_.topLeft());
    } else if (size() != trackingStart_.size()) {
        if (nativeWayland_)
            SetWindowSize(trackingStart_.size());
        else
            setGeometry(trackingStart_);
        if (Reporting())
            ReportSize(trackingStart_.size());
    }
}

void QtWindow::StepTracking(int dx, int dy) {
    if (tracking_ == Tracking::Move) {
        move(pos() + QPoint(dx, dy));
        return;
    }
    // Right and Down widen and lengthen the window, Left and Up narrow and shorten it.
    const QSize wanted(std::max(1, width() + dx), std::max(1, height() + dy));
    if (wanted == size())
        return;
    // Reported as given, at once: the window system may report it only later.
    SetWindowSize(wanted);
    if (Reporting())
        ReportSize(wanted);
}

void QtWindow::keyPressEvent(QKeyEvent* event) {
    if (tracking_ == Tracking::None) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = (event->modifiers() & Qt::ControlModifier) ? kTrackFineStep : kTrackStep;
    switch (event->key()) {
        case Qt::Key_Left:
            StepTracking(-step, 0);
            break;
        case Qt::Key_Right:
            StepTracking(step, 0);
            break;
        case Qt::Key_Up:
            StepTracking(0, -step);
            break;
        case Qt::Key_Down:
            StepTracking(0, step);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EndTracking(true);
            break;
        case Qt::Key_Escape:
            EndTracking(false);
            break;
        default:
            break;
    }
    event->accept();
}

void QtWindow::mousePressEvent(QMouseEvent* event) {
    if (tracking_ != Tracking::None) {
        EndTracking(true);  // a click ends the keyboard move or size where it is
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace kivrel
