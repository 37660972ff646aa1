#include "tray/api_stuff.h"

#include "app/form1.h"

namespace kivrel {

void APIStuff::AddTrayIcon(Form1& form, Menu menu) {
    TrayForm = &form;
    TrayMenu = menu;
    tray_.Add(*this, kTrayMessage, TrayMenu);
}

void APIStuff::SetTrayTip(const std::string& tip) {
    tip_ = tip;
    tray_.SetTip(tip);
}

void APIStuff::RemoveTrayIcon() {
    if (TrayForm == nullptr)
        return;
    tray_.Remove();
    TrayForm = nullptr;
}

bool APIStuff::TrayWndProc(uint32_t uMsg, TrayEvent lParam) {
    if (TrayForm == nullptr || uMsg != kTrayMessage)
        return false;
    Form1& form = *TrayForm;
    switch (lParam) {
        case TrayEvent::LeftButtonUp:
            if (form.WindowState() == kMinimized)
                form.SetWindowState(form.LastState);
            form.Show();
            form.SetFocus();
            return true;
        case TrayEvent::RightButtonUp:
            form.PopupMenu(TrayMenu);
            return true;
        default:
            return false;
    }
}

void APIStuff::TrayHostCreated() {
    if (TrayForm == nullptr)
        return;
    tray_.Add(*this, kTrayMessage, TrayMenu);
    if (!tip_.empty())
        tray_.SetTip(tip_);
    TrayForm->TrayAvailabilityChanged();
}

}  // namespace kivrel
