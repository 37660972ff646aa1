// Qt widgets need an application object for the whole test run; the offscreen platform keeps the
// tests away from any real display.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "platform/qt/qt_look.h"

namespace {

QtMessageHandler g_standardHandler = nullptr;

// The offscreen platform says so whenever a window asks for something it cannot do (raise,
// grabs, size hints); that is expected here and would only hide real messages.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (g_standardHandler != nullptr)
        g_standardHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_standardHandler = qInstallMessageHandler(QuietOffscreen);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setFont(kivrel::UiFont());
    return RUN_ALL_TESTS();
}
