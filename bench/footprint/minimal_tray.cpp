// The smallest program of Kivrel's kind, to measure Kivrel's footprint against: one hidden
// QWidget window, one tray icon with a tooltip, one 6-second timer, nothing else. Its icon is a
// PNG image bundled as a Qt resource, as Kivrel's are (the same image), read the way Kivrel reads
// them: by Qt's built-in PNG reader, without asking the image-format plugins. A left click on the
// icon shows the window, as in Kivrel.
#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {

QIcon BundledIcon() {
    QImageReader reader(QStringLiteral(":/minimal/tray.png"), QByteArrayLiteral("png"));
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal tray"));
    window.resize(539, 351);

    const QIcon icon = BundledIcon();
    if (icon.isNull())
        qFatal("minimal tray: the bundled icon could not be read");
    QSystemTrayIcon tray(icon);
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
