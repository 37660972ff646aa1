// The smallest program of Kivrel's kind, to measure Kivrel's footprint against: one hidden
// QWidget window, one tray icon, one 6-second timer, nothing else. A left click on the icon shows
// the window, as in Kivrel.
#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

QIcon DrawnIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 192, 192));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 28, 28);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal tray"));
    window.resize(539, 351);

    QSystemTrayIcon tray(DrawnIcon());
    tray.setToolTip(QStringLiteral("minimal tray"));
    QObject::connect(&tray, &QSystemTrayIcon::activated,
                     [&window](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             window.show();
                     });
    tray.show();

    // The tick: the same period as Kivrel's, with a trivial amount of work.
    unsigned long ticks = 0;
    QTimer tick;
    tick.setInterval(6000);
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start();

    return QApplication::exec();
}
