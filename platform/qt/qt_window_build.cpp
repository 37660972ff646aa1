// The Qt window's controls, menus and timers, built from the control table when first needed,
// and the lookups that reach them.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/qt_look.h"
#include "platform/qt/qt_window.h"

namespace kivrel {

namespace {

QRect PixelsOf(const ControlSpec& row) {
    return QRect(TwipsToPixels(row.left), TwipsToPixels(row.top), TwipsToPixels(row.width),
                 TwipsToPixels(row.height));
}

}  // namespace

void QtWindow::EnsureControls() {
    if (controlsBuilt_)
        return;
    controlsBuilt_ = true;
    PrepareUserInterface();
    // The default font of every control: the usage hint must fit Label6's box.
    const ControlSpec& hintLabel = ControlSpecOf(Ctl::Label6);
    setFont(UiFontFitting(QString::fromUtf8(kHintText),
                          QSize(TwipsToPixels(hintLabel.width), TwipsToPixels(hintLabel.height))));
    BuildControls();
    // What the core wrote while there were no controls.
    for (const auto& [control, shown] : pendingTexts_)
        ShowText(BuiltControl(control), shown);
    pendingTexts_.clear();
}

void QtWindow::EnsureMenus() {
    if (menusBuilt_)
        return;
    menusBuilt_ = true;
    // The font waits for the menu's first popup: a panel that draws the tray menu itself reads
    // only its items.
    BuildMenus();
    for (const auto& [item, enabled] : pendingEnabled_)
        SetMenuEnabled(item, enabled);
    pendingEnabled_.clear();
}

void QtWindow::BuildControls() {
    for (const ControlSpec& row : kControls) {
        QWidget* widget = nullptr;
        switch (row.kind) {
            case ControlKind::ComboBox:
                widget = BuildComboBox(row);
                break;
            case ControlKind::Button:
                widget = BuildButton(row);
                break;
            case ControlKind::Label:
                widget = BuildLabel(row);
                break;
        }
        widget->setObjectName(FromView(row.name));
        widget->setGeometry(PixelsOf(row));
        widget->setForegroundRole(row.colour == TextColour::WindowText ? QPalette::WindowText
                                                                       : QPalette::ButtonText);
        if (row.font == FontChoice::SongTi12)
            widget->setFont(SongTi12());
        controls_[row.id] = widget;
    }

    // Keyboard order, and the control that has the focus first.
    for (size_t i = 0; i + 1 < kTabOrder.size(); ++i)
        QWidget::setTabOrder(controls_[kTabOrder[i]], controls_[kTabOrder[i + 1]]);
    controls_[kTabOrder.front()]->setFocus(Qt::OtherFocusReason);
}

QWidget* QtWindow::BuildComboBox(const ControlSpec& row) {
    const Ctl id = row.id;
    auto* combo = new QComboBox(this);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    for (std::string_view item : row.items)
        combo->addItem(FromView(item));
    combo->setCurrentIndex(-1);
    combo->setEditText(FromView(row.text));
    connect(combo, &QComboBox::activated, this, [this, id](int) { Raise(id); });
    return combo;
}

QWidget* QtWindow::BuildButton(const ControlSpec& row) {
    const Ctl id = row.id;
    auto* button = new QPushButton(FromView(row.text), this);
    button->setFlat(row.flat);
    button->setAutoDefault(false);
    if (row.background)
        button->setStyleSheet(ButtonStyle(*row.background, row.flat));
    connect(button, &QPushButton::clicked, this, [this, id] { Raise(id); });
    return button;
}

QWidget* QtWindow::BuildLabel(const ControlSpec& row) {
    const Ctl id = row.id;
    auto* label = new QLabel(FromView(row.text), this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment((row.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setAutoFillBackground(false);
    if (row.border) {
        label->setFrameShape(QFrame::Box);
        label->setFrameShadow(QFrame::Plain);
        label->setLineWidth(1);
    }
    if (!row.tooltip.empty())
        label->setToolTip(FromView(row.tooltip));
    // Labels report only the events they have a handler for.
    if (HasHandler(id, UiEvent::MouseMove))
        label->setMouseTracking(true);
    if (HasHandler(id, UiEvent::MouseMove) || HasHandler(id, UiEvent::Click))
        label->installEventFilter(this);
    return label;
}

void QtWindow::BuildMenus() {
    for (const MenuSpec& row : kMenus) {
        if (!row.parent) {
            // A top-level menu: a hidden container, shown only as a popup.
            auto* menu = new QMenu(FromView(row.caption), this);
            menu->setObjectName(FromView(row.name));
            menu->setEnabled(row.enabled);
            menu->menuAction()->setVisible(row.visible);
            menus_[row.id] = menu;
            continue;
        }
        QMenu* parent = menus_.at(*row.parent);
        QAction* action =
            row.caption == "-" ? parent->addSeparator() : parent->addAction(FromView(row.caption));
        action->setObjectName(FromView(row.name));
        action->setEnabled(row.enabled);
        action->setVisible(row.visible);
        connect(action, &QAction::triggered, this, [this, item = row.id] {
            if (Reporting())
                events_->MenuChosen(item);
        });
        actions_[row.id] = action;
    }
}

void QtWindow::BuildTimers() {
    for (const TimerSpec& row : kTimers) {
        auto* timer = new QTimer(this);
        timer->setObjectName(FromView(row.name));
        timer->setInterval(row.intervalMs);
        if (row.precise)
            timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id = row.id] {
            if (Reporting())
                events_->TimerElapsed(id);
        });
        timers_[row.id] = timer;
    }
}

// ------------------------------------------------------------------------------- lookups

QWidget* QtWindow::Control(Ctl control) {
    if (control == Ctl::Form1)
        return this;
    EnsureControls();
    return BuiltControl(control);
}

QWidget* QtWindow::BuiltControl(Ctl control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second;
}

QMenu* QtWindow::MenuOf(Menu menu) {
    EnsureMenus();
    const auto it = menus_.find(menu);
    return it == menus_.end() ? nullptr : it->second;
}

QAction* QtWindow::ActionOf(Menu item) {
    if (QMenu* menu = MenuOf(item))
        return menu->menuAction();
    const auto it = actions_.find(item);
    return it == actions_.end() ? nullptr : it->second;
}

QTimer* QtWindow::TimerOf(TimerId timer) const {
    return timers_.at(timer);
}

}  // namespace kivrel
