#include "platform/qt/qt_dialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/qt_look.h"

namespace kivrel {

namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QWidget* QtDialogs::Owner() const {
    return owner_ != nullptr && owner_->isVisible() && !owner_->isMinimized() ? owner_.data()
                                                                              : nullptr;
}

MsgAnswer QtDialogs::MsgBox(const std::string& text, const std::string& title, MsgStyle style) {
    PrepareUserInterface();  // the box may be the first text on the screen (a refused start)
    QMessageBox box(Owner());
    box.setObjectName(kMessageBoxName);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(QString::fromStdString(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(text));
    box.setIcon(IconOf(style.icon));

    if (style.buttons == MsgButtons::Ok) {
        QPushButton* ok = box.addButton(QMessageBox::Ok);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
        box.exec();
        return MsgAnswer::Ok;
    }
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    box.setDefaultButton(style.defaultButton == 1 ? no : yes);
    box.setEscapeButton(no);  // closing the box any other way is a No
    box.exec();
    return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
    PrepareUserInterface();
    QInputDialog dialog(Owner());
    dialog.setObjectName(kInputBoxName);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(DisplayText(prompt));
    dialog.setTextValue(QString::fromStdString(defaultAnswer));
    // The proposed answer is selected, so typing replaces it.
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdString();
}

}  // namespace kivrel
