// The message and input boxes (answered by the test itself), the tray icon's events and the
// notification area coming and going, and the canvas.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_tray.h"
#include "platform/qt/qt_window.h"

namespace kivrel {
namespace {

// Runs `answer` on the modal box once it is open; a box that never opens, or that `answer`
// leaves open, is closed after a while so that the test fails instead of hanging.
void WhenModal(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isVisible()) {
            poll->deleteLater();
            poll->stop();
            answer(modal);
            QTimer::singleShot(2000, [] {
                if (QWidget* left = QApplication::activeModalWidget())
                    left->close();
            });
        } else if (++*tries > 400) {
            poll->deleteLater();
            poll->stop();
            ADD_FAILURE() << "no modal box opened";
        }
    });
    poll->start();
}

TEST(QtDialogs, MessageBoxesShowTitleTextIconAndDefault) {
    QtDialogs dialogs;
    struct Case {
        MsgStyle style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton expectedDefault;
        QMessageBox::StandardButton press;  // NoButton: Esc
        MsgAnswer answer;
    };
    const Case cases[] = {
        {{MsgButtons::Ok, MsgIcon::Critical, 0},
         QMessageBox::Critical,
         QMessageBox::Ok,
         QMessageBox::Ok,
         MsgAnswer::Ok},
        {{MsgButtons::Ok, MsgIcon::None, 0},
         QMessageBox::NoIcon,
         QMessageBox::Ok,
         QMessageBox::NoButton,
         MsgAnswer::Ok},
        {{MsgButtons::YesNo, MsgIcon::Question, 0},
         QMessageBox::Question,
         QMessageBox::Yes,
         QMessageBox::Yes,
         MsgAnswer::Yes},
        {{MsgButtons::YesNo, MsgIcon::Warning, 1},
         QMessageBox::Warning,
         QMessageBox::No,
         QMessageBox::Yes,
         MsgAnswer::Yes},
        {{MsgButtons::YesNo, MsgIcon::Information, 0},
         QMessageBox::Information,
         QMessageBox::Yes,
         QMessageBox::NoButton,
         MsgAnswer::No},
    };
    for (const Case& c : cases) {
        bool seen = false;
        WhenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->objectName(), QtDialogs::kMessageBoxName);
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8("Kivrel全清数据"));
            EXPECT_EQ(box->text(), QString::fromUtf8("第一行\n第二行"));
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->defaultButton(), box->button(c.expectedDefault));
            if (c.press == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(c.press)->click();
        });
        EXPECT_EQ(dialogs.MsgBox("第一行\r\n第二行", "Kivrel全清数据", c.style), c.answer);
        EXPECT_TRUE(seen);
    }
}

TEST(QtDialogs, InputBoxOffersTheDefaultSelectedAndCancelGivesNothing) {
    QtDialogs dialogs;
    WhenModal([](QWidget* modal) {
        auto* input = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->objectName(), QtDialogs::kInputBoxName);
        EXPECT_EQ(input->windowTitle(), QString::fromUtf8("设置每月使用时间"));
        EXPECT_EQ(input->labelText(), QString::fromUtf8("0表示包月,\n60表示60小时"));
        auto* edit = input->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->selectedText(), "60");
        QTest::keyClicks(edit, "45");  // typing replaces the selection
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.InputBox("0表示包月,\r\n60表示60小时", "设置每月使用时间", "60"), "45");

    WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.InputBox("p", "t", "0"), "");
}

struct RecordingSink : ITraySink {
    std::vector<TrayEvent> events;
    int hostsCreated = 0;
    int hostsLost = 0;
    bool OnTrayEvent(TrayEvent event) override {
        events.push_back(event);
        return true;
    }
    void TrayHostCreated() override { ++hostsCreated; }
    void TrayHostLost() override { ++hostsLost; }
};

TEST(QtTray, ClicksReachTheSinkAsTrayEvents) {
    QtTrayIcon tray(AppIcon(), nullptr, [] { return true; });
    RecordingSink sink;
    tray.Add(sink, Menu::mnuTray);
    const std::pair<QSystemTrayIcon::ActivationReason, TrayEvent> cases[] = {
        {QSystemTrayIcon::Trigger, TrayEvent::LeftButtonUp},
        {QSystemTrayIcon::Context, TrayEvent::RightButtonUp},
        {QSystemTrayIcon::DoubleClick, TrayEvent::Other},
        {QSystemTrayIcon::MiddleClick, TrayEvent::Other},
    };
    for (const auto& [reason, event] : cases) {
        emit tray.Icon().activated(reason);
        QApplication::processEvents();
        ASSERT_FALSE(sink.events.empty());
        EXPECT_EQ(sink.events.back(), event);
    }
    EXPECT_EQ(sink.events.size(), std::size(cases));

    tray.Remove();
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    QApplication::processEvents();
    EXPECT_EQ(sink.events.size(), std::size(cases));  // nothing after the icon was removed
}

// Stands in for Qt's XEmbed icon widget: counts the presses that reach it, as Qt's own handling
// would act on them (a menu on the right press, an activation on every press).
struct IconWidget : QWidget {
    int pressesSeen = 0;
    void mousePressEvent(QMouseEvent*) override { ++pressesSeen; }
    void mouseDoubleClickEvent(QMouseEvent*) override { ++pressesSeen; }
};

TEST(QtTray, XEmbedIconActsOnReleaseAndADoubleClickIsTwoClicks) {
    using T = QEvent::Type;
    struct Mouse {
        T type;
        Qt::MouseButton button;
        bool inside = true;
    };
    struct Case {
        const char* name;
        std::vector<Mouse> input;
        std::vector<TrayEvent> delivered;
    };
    constexpr auto L = Qt::LeftButton;
    constexpr auto R = Qt::RightButton;
    const Case cases[] = {
        {"a press alone does nothing", {{T::MouseButtonPress, L}}, {}},
        {"left click",
         {{T::MouseButtonPress, L}, {T::MouseButtonRelease, L}},
         {TrayEvent::LeftButtonUp}},
        {"right click",
         {{T::MouseButtonPress, R}, {T::MouseButtonRelease, R}},
         {TrayEvent::RightButtonUp}},
        {"double click: two left clicks",
         {{T::MouseButtonPress, L},
          {T::MouseButtonRelease, L},
          {T::MouseButtonDblClick, L},
          {T::MouseButtonRelease, L}},
         {TrayEvent::LeftButtonUp, TrayEvent::LeftButtonUp}},
        {"released away from the icon",
         {{T::MouseButtonPress, L}, {T::MouseButtonRelease, L, false}},
         {}},
        {"a release without its press", {{T::MouseButtonPress, R}, {T::MouseButtonRelease, L}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QtTrayIcon tray(
            AppIcon(), nullptr, [] { return true; }, false);
        RecordingSink sink;
        tray.Add(sink, Menu::mnuTray);
        IconWidget icon;
        icon.resize(22, 22);
        tray.TakeClicksFrom(&icon);
        for (const Mouse& m : c.input) {
            const QPointF at = m.inside ? QPointF(11, 11) : QPointF(40, 11);
            const Qt::MouseButtons held = m.type == T::MouseButtonRelease ? Qt::NoButton : m.button;
            QMouseEvent event(m.type, at, icon.mapToGlobal(at), m.button, held, Qt::NoModifier);
            QApplication::sendEvent(&icon, &event);
        }
        QApplication::processEvents();
        EXPECT_EQ(sink.events, c.delivered);
        EXPECT_EQ(icon.pressesSeen, 0) << "Qt's own press handling ran";
    }
}

// The window's tray menu goes to the icon only when the panel draws it: an XEmbed icon leaves the
// menus unbuilt.
TEST(QtTray, OffersTheWindowsMenuOnlyToPanelsThatDrawIt) {
    for (const bool hostDraws : {false, true}) {
        SCOPED_TRACE(hostDraws);
        QtWindow window;
        QtTrayIcon tray(
            AppIcon(), nullptr, [] { return true; }, hostDraws);
        std::vector<Menu> asked;
        tray.SetMenuSource([&](Menu menu) {
            asked.push_back(menu);
            return window.MenuOf(menu);
        });
        RecordingSink sink;
        tray.Add(sink, Menu::mnuTray);
        if (!hostDraws) {
            EXPECT_TRUE(asked.empty());
            EXPECT_TRUE(window.findChildren<QMenu*>().isEmpty());  // menus not built
            EXPECT_EQ(tray.Icon().contextMenu(), nullptr);
            continue;
        }
        EXPECT_EQ(asked, std::vector<Menu>{Menu::mnuTray});
        EXPECT_EQ(tray.Icon().contextMenu(), window.MenuOf(Menu::mnuTray));
        EXPECT_TRUE(window.findChildren<QLabel*>().isEmpty());  // controls not built
        // Added again (a new panel): the same menu, not built twice.
        tray.Add(sink, Menu::mnuTray);
        EXPECT_EQ(tray.Icon().contextMenu(), window.MenuOf(Menu::mnuTray));
    }
}

TEST(QtTray, NotificationAreaComingAndGoing) {
    bool available = true;
    QtTrayIcon tray(AppIcon(), nullptr, [&] { return available; });
    RecordingSink sink;
    tray.Add(sink, Menu::mnuTray);

    struct Step {
        bool available;
        bool announced;
        int lost;
        int created;
    };
    const Step steps[] = {
        {true, false, 0, 0},   // nothing changed
        {false, false, 1, 0},  // the panel went away
        {false, false, 1, 0},  // still away: told once
        {true, false, 1, 1},   // back: the icon goes in again
        {true, true, 1, 2},    // a new panel replaced the old one at once
        {true, false, 1, 2},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        available = steps[i].available;
        tray.CheckHost(steps[i].announced);
        EXPECT_EQ(sink.hostsLost, steps[i].lost);
        EXPECT_EQ(sink.hostsCreated, steps[i].created);
    }
    // Once the icon is removed (the program is closing), nothing is told any more.
    tray.Remove();
    available = false;
    tray.CheckHost(false);
    EXPECT_EQ(sink.hostsLost, 1);
}

TEST(QtCanvas, BoxesHoldBothCornersAndShapesHaveNoOutline) {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, image.width(), image.height());
        EXPECT_EQ(canvas.Width(), 12);
        EXPECT_EQ(canvas.Height(), 12);
        canvas.FillBox(6, 5, 2, 3, Rgb{255, 0, 0});  // corners given the other way round
    }
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x <= 6 && y >= 3 && y <= 5;
            EXPECT_EQ(image.pixelColor(x, y), inside ? QColor(Qt::red) : QColor(Qt::white))
                << x << "," << y;
        }

    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, image.width(), image.height());
        canvas.FillCircle(6, 6, 4, Rgb{0, 0, 255});
    }
    EXPECT_EQ(image.pixelColor(6, 6), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(6, 3), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const QColor c = image.pixelColor(x, y);
            EXPECT_TRUE(c == QColor(Qt::white) || c == QColor(Qt::blue)) << x << "," << y;
        }
}

}  // namespace
}  // namespace kivrel
