// The window builds its controls and menus when they are first needed, not at start-up: hidden in
// the tray it holds no child widget, and what Form1 wrote meanwhile shows once it is built.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

#include "rules/billing.h"
#include "harness.h"
#include "platform/qt/qt_look.h"

namespace kivrel::qttest {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Allowance 40 hours, billing day 20, run at start-up on.
constexpr const char* kIni = "[s]\r\nValue=40\r\n[r]\r\nValue=20\r\n[Run]\r\nValue=1\r\n";

// A start, one online tick and a few texts of Form1's kind, all while the window is hidden.
void StartAndWriteWhileHidden(Harness& h) {
    ASSERT_TRUE(h.form.Form_Load());
    h.connection.online = true;
    h.form.Timer1_Timer();
    h.window.SetText(Ctl::Label5, "第一行\r\n第二行");
    h.window.SetText(Ctl::Combo1, std::string(kCombo1Items[2]));  // an item's text chooses it
    h.window.SetText(Ctl::Label7, "先写的");
    h.window.SetText(Ctl::Label7, "后写的");  // the last text wins
}

// What a control shows: its text, and for a combo box the chosen position too.
QString Shown(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText() + QStringLiteral(" @%1").arg(combo->currentIndex());
    return widget->property("text").toString();
}

TEST(QtWindowLazy, HiddenWindowHasNoWidgetsAndShowsWhatWasWrittenOnceOpened) {
    // The same start with the controls built up front, for comparison.
    Harness eager(true, kIni);
    ASSERT_NE(eager.window.Control(Ctl::Label1), nullptr);
    ASSERT_TRUE(ControlsBuilt(eager.window));
    StartAndWriteWhileHidden(eager);

    Harness h(true, kIni);
    StartAndWriteWhileHidden(h);
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_TRUE(h.window.findChildren<QWidget*>().isEmpty())
        << h.window.findChildren<QWidget*>().size() << " child widgets while hidden";
    EXPECT_FALSE(ControlsBuilt(h.window));
    EXPECT_FALSE(MenusBuilt(h.window));
    // The timers are real from the start: Timer1 ticks while hidden.
    EXPECT_TRUE(h.window.TimerOf(TimerId::Timer1)->isActive());
    EXPECT_EQ(h.window.windowTitle(), QString::fromUtf8("☆Kivrel☆  第1版第71次编译"));

    h.tray.Click(TrayEvent::LeftButtonUp);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
    EXPECT_TRUE(ControlsBuilt(h.window));
    const auto labels = std::count_if(kControls.begin(), kControls.end(), [](const auto& row) {
        return row.kind == ControlKind::Label;
    });
    EXPECT_EQ(h.window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly).size(), labels);

    EXPECT_EQ(h.Get<QLabel>(Ctl::Label3)->text(), Q(AllowanceText(40)));
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label4)->text(), Q(BillingDayText(20)));
    EXPECT_EQ(h.Get<QPushButton>(Ctl::Command5)->text(), QString::fromUtf8("取消开机运行"));
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label8)->text(), QString::fromUtf8("已设开机就运行"));
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label5)->text(), QString::fromUtf8("第一行\n第二行"));
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label7)->text(), QString::fromUtf8("后写的"));
    EXPECT_EQ(h.Get<QComboBox>(Ctl::Combo1)->currentIndex(), 2);
    EXPECT_EQ(h.Get<QComboBox>(Ctl::Combo1)->currentText(), Q(kCombo1Items[2]));
    EXPECT_FALSE(h.Get<QLabel>(Ctl::Label1)->text().isEmpty());  // the hidden tick's status

    // Every control shows what it shows when built up front.
    for (const auto& row : kControls) {
        SCOPED_TRACE(std::string(row.name));
        EXPECT_EQ(Shown(h.window.Control(row.id)), Shown(eager.window.Control(row.id)));
        EXPECT_EQ(h.window.Control(row.id)->font(), eager.window.Control(row.id)->font());
    }
    // The keyboard focus starts where it does when built up front.
    EXPECT_EQ(h.window.focusWidget(), h.window.Control(kTabOrder.front()));
}

TEST(QtWindowLazy, ACallThatNeedsAControlBuildsTheControls) {
    Harness h(true, kIni);
    StartAndWriteWhileHidden(h);
    ASSERT_FALSE(ControlsBuilt(h.window));
    // Form1 asks for Label6's width while the pointer moves over it.
    const auto label6 = std::find_if(kControls.begin(), kControls.end(),
                                     [](const auto& row) { return row.id == Ctl::Label6; });
    ASSERT_NE(label6, kControls.end());
    EXPECT_EQ(h.window.ControlWidth(Ctl::Label6), TwipsToPixels(label6->width));
    EXPECT_TRUE(ControlsBuilt(h.window));
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_EQ(h.window.ComboIndex(Ctl::Combo1), 2);
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label7)->text(), QString::fromUtf8("后写的"));
    // Once built, texts go straight to the controls.
    h.window.SetText(Ctl::Label7, "直接");
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label7)->text(), QString::fromUtf8("直接"));
}

TEST(QtWindowLazy, TrayMenuPopsUpBeforeTheWindowWasEverShown) {
    Harness h(true, kIni);
    StartAndWriteWhileHidden(h);
    // Menu states Form1 set while there were no menus.
    h.window.SetMenuEnabled(Menu::mnuTrayRestore, false);
    h.window.SetMenuEnabled(Menu::mnuTrayMaximize, true);
    h.window.SetMenuEnabled(Menu::mnuTraySize, true);
    h.window.SetMenuEnabled(Menu::mnuTraySize, false);
    ASSERT_FALSE(MenusBuilt(h.window));

    // The right button pops the menu up (modal); it is read and closed from a timer.
    struct Seen {
        bool popup = false;
        std::vector<QString> texts;
        std::vector<bool> enabled;
    };
    auto seen = std::make_shared<Seen>();
    auto* poll = new QTimer;
    poll->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu != nullptr || ++*tries > 400) {
            poll->stop();
            poll->deleteLater();
        }
        if (menu == nullptr)
            return;
        seen->popup = menu->isVisible();
        for (QAction* action : menu->actions()) {
            seen->texts.push_back(action->text());
            seen->enabled.push_back(action->isEnabled());
        }
        menu->close();
    });
    poll->start();
    h.tray.Click(TrayEvent::RightButtonUp);

    ASSERT_TRUE(seen->popup) << "the tray menu did not pop up";
    const std::vector<QString> texts{"&Restore",  "&Move",   "&Size", "Mi&nimize",
                                     "Ma&ximize", QString(), "&Close"};
    EXPECT_EQ(seen->texts, texts);
    const std::vector<bool> enabled{false, true, false, true, true, true, true};
    EXPECT_EQ(seen->enabled, enabled);
    EXPECT_TRUE(UserInterfacePrepared());  // the menu's font was put in place first
    // Only the menus were needed: the controls still wait for the window.
    EXPECT_TRUE(MenusBuilt(h.window));
    EXPECT_FALSE(ControlsBuilt(h.window));
    EXPECT_TRUE(h.window.findChildren<QLabel*>().isEmpty());
    EXPECT_FALSE(h.window.isVisible());

    // A menu item works on the never-shown window: Maximize shows it, built.
    h.window.ActionOf(Menu::mnuTrayMaximize)->trigger();
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_TRUE(ControlsBuilt(h.window));
    EXPECT_EQ(h.Get<QLabel>(Ctl::Label7)->text(), QString::fromUtf8("后写的"));
}

}  // namespace
}  // namespace kivrel::qttest
