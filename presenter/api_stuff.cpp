#include "presenter/api_stuff.h"

namespace kivrel {

void APIStuff::AddTrayIcon(ITrayWindow& window, Menu menu) {
    TrayForm = &window;
    TrayMenu = menu;
    tray_.Add(*this, TrayMenu);
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

bool APIStuff::OnTrayEvent(TrayEvent event) {
    if (TrayForm == nullptr)
        return false;
    ITrayWindow& form = *TrayForm;
    switch (event) {
        case TrayEvent::LeftButtonUp:
            form.BringBack();
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
    tray_.Add(*this, TrayMenu);
    if (!tip_.empty())
        tray_.SetTip(tip_);
    TrayForm->TrayAvailabilityChanged();
}

void APIStuff::TrayHostLost() {
    if (TrayForm != nullptr)
        TrayForm->TrayAvailabilityChanged();
}

}  // namespace kivrel
