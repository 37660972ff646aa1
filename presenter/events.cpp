#include "presenter/events.h"

#include <array>

#include "presenter/form1.h"

namespace kivrel {

namespace {

struct ControlRoute {
    Ctl control;
    UiEvent event;
    void (*handler)(Form1&, const MouseArgs&);
};

constexpr std::array<ControlRoute, 9> kControlRoutes{{
    {Ctl::Command1, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Command1_Click(); }},
    {Ctl::Command2, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Command2_Click(); }},
    {Ctl::Command3, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Command3_Click(); }},
    {Ctl::command4, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.command4_Click(); }},
    {Ctl::Command5, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Command5_Click(); }},
    {Ctl::Combo1, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Combo1_Click(); }},
    {Ctl::Combo2, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Combo2_Click(); }},
    {Ctl::Label7, UiEvent::Click, [](Form1& f, const MouseArgs&) { f.Label7_Click(); }},
    {Ctl::Label6, UiEvent::MouseMove,
     [](Form1& f, const MouseArgs& m) { f.Label6_MouseMove(m.x); }},
}};

struct MenuRoute {
    Menu item;
    void (Form1::*handler)();
};

constexpr std::array<MenuRoute, 7> kMenuRoutes{{
    {Menu::mnuFileExit, &Form1::mnuFileExit_Click},
    {Menu::mnuTrayRestore, &Form1::mnuTrayRestore_Click},
    {Menu::mnuTrayMove, &Form1::mnuTrayMove_Click},
    {Menu::mnuTraySize, &Form1::mnuTraySize_Click},
    {Menu::mnuTrayMinimize, &Form1::mnuTrayMinimize_Click},
    {Menu::mnuTrayMaximize, &Form1::mnuTrayMaximize_Click},
    {Menu::mnuTrayClose, &Form1::mnuTrayClose_Click},
}};

const ControlRoute* RouteOf(Ctl control, UiEvent event) {
    for (const ControlRoute& route : kControlRoutes)
        if (route.control == control && route.event == event)
            return &route;
    return nullptr;
}

}  // namespace

bool HasHandler(Ctl control, UiEvent event) {
    return RouteOf(control, event) != nullptr;
}

void RaiseEvent(Form1& form, Ctl control, UiEvent event, const MouseArgs& mouse) {
    const ControlRoute* route = RouteOf(control, event);
    if (route != nullptr && !form.Unloaded())
        route->handler(form, mouse);
}

void RaiseMenu(Form1& form, Menu item) {
    if (form.Unloaded())
        return;
    for (const MenuRoute& route : kMenuRoutes)
        if (route.item == item)
            (form.*route.handler)();
}

void RaiseTimer(Form1& form, TimerId timer) {
    if (form.Unloaded())
        return;
    switch (timer) {
        case TimerId::Timer1:
            form.Timer1_Timer();
            break;
        case TimerId::Timer2:
            form.Timer2_Timer();
            break;
        case TimerId::TrayGrace:
            form.TrayGrace_Timer();
            break;
    }
}

}  // namespace kivrel
