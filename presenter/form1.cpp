#include "presenter/form1.h"

#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"
#include "presenter/drawing.h"
#include "presenter/events.h"
#include "presenter/guard_notices.h"
#include "presenter/module1.h"
#include "services/run_state.h"
#include "services/records.h"

namespace kivrel {

namespace {
constexpr MsgStyle kOkPlain{MsgButtons::Ok, MsgIcon::None, 0};
constexpr MsgStyle kOkError{MsgButtons::Ok, MsgIcon::Critical, 0};
}  // namespace

Form1::Form1(Platform& platform)
    : p_(platform),
      settings_(platform.files),
      boxes_(platform.dialogs),
      account_(settings_, platform.files, platform.clock, platform.tray),
      windows_(platform.window, platform.tray, boxes_),
      apiStuff_(platform.tray) {}

// ---------------------------------------------------------------- start-up and shutdown

bool Form1::Form_Load() {
    // Without any timer.ini the program refuses to run.
    const IniSource source = CheckIniFile(p_);
    if (source == IniSource::None)
        return false;

    // The caption carries the build revision.
    p_.window.SetText(Ctl::Form1, std::string(kForm1.caption) + "  第1版第" +
                                      DecimalText(p_.app.Revision()) + "次编译");

    // One running copy per user, before anything is written.
    if (p_.instance.AnotherInstanceRunning()) {
        boxes_.MsgBox("程序已经运行", "Kivrel", kOkPlain);
        return false;
    }

    // The settings file; the user's own is made from the installed one the first time, and
    // temporaries of a killed earlier run are cleared away now that this is the only running
    // copy.
    const std::string beside = BesideIniPath(p_.app);
    settings_.Open(source == IniSource::Beside ? beside : UserIniPath(p_.app));
    if (source == IniSource::UserFromCopy && !CopyIniTemplate(beside))
        return false;
    p_.files.RemoveStaleTemporaries(IniFile());

    ShowRunAtStartup(RunAtLogOnIsSet(settings_));

    // The window's first states, and the tray icon.
    windows_.Start();
    apiStuff_.AddTrayIcon(windows_, Menu::mnuTray);
    apiStuff_.SetTrayTip(kTrayTip);

    // The billing month and its total, the allowance, and the billing day as the file holds it
    // (a refused day is told by a notification, and the month's end is used).
    const int32_t billingDay = settings_.Read().WrittenInt(Setting::BillingDay);
    account_.Load();
    p_.window.SetText(Ctl::Label3, AllowanceText(QuotaHours()));
    p_.window.SetText(Ctl::Label4, BillingDayText(billingDay));

    loaded_ = true;
    // The timers that run from the start (Timer1, the tick) start now that the start is accepted.
    for (const TimerSpec& timer : kTimers)
        if (timer.enabled)
            p_.window.SetTimerEnabled(timer.id, true);

    // A desktop without a notification area would leave a hidden window unreachable.
    if (!p_.tray.Available())
        windows_.StartWithoutTray();
    return true;
}

// The user's own timer.ini starts as a copy of the installed one.
bool Form1::CopyIniTemplate(const std::string& beside) {
    const std::optional<std::string> text = p_.files.ReadAll(beside);
    if (text && p_.files.MakeDirectories(p_.app.UserDataDir()) &&
        p_.files.ReplaceAll(IniFile(), *text))
        return true;
    boxes_.MsgBox("无法创建设置文件 " + IniFile() + "\r\n请检查该文件夹是否可写。", "Kivrel",
                  kOkError);
    return false;
}

void Form1::Form_Unload(int16_t& Cancel) {
    (void)Cancel;  // unloading is never refused
    account_.Close();
    apiStuff_.RemoveTrayIcon();
}

// The session asks whether it may end; the user may still cancel the log-out, so the program
// only stores the month's total and keeps counting.
void Form1::QueryEndSession() {
    if (Running())
        SaveUsage();
}

void Form1::EndSession(bool ending) {
    if (ending && loaded_)
        Unload();
}

void Form1::Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    int16_t cancel = 0;
    Form_Unload(cancel);
    p_.window.Destroy();
}

// ---------------------------------------------------------------- what the window reports

void Form1::ControlEvent(Ctl control, UiEvent event, const MouseArgs& mouse) {
    RaiseEvent(*this, control, event, mouse);
}

void Form1::MenuChosen(Menu item) {
    RaiseMenu(*this, item);
}

void Form1::TimerElapsed(TimerId timer) {
    RaiseTimer(*this, timer);
}

// ---------------------------------------------------------------- accounting

void Form1::Timer1_Timer() {
    if (!Running())
        return;
    // The lamps and the status follow the billed link.
    const MonthAccount::TickResult tick = account_.Tick(
        p_.connection.Connected(), p_.connection.RoutedLinks(),
        [this] { return p_.connection.ActiveNetworks(); },
        [this](const std::string& link) { return p_.connection.LinkBytes(link); });
    DrawStatusLamps(tick.online ? -1 : 0);
    p_.window.SetText(Ctl::Label1, WindowStatusText(tick.figures));
    CarryOutGuard(tick);
}

// ---------------------------------------------------------------- the idle guard

void Form1::CarryOutGuard(const MonthAccount::TickResult& tick) {
    billedLink_ = tick.link;
    if (!tick.link)
        return;
    if (tick.guard.remind)
        p_.tray.Ask(kIdleNotice, "Kivrel", *tick.guard.remind,
                    IdleNoticeActions(
                        p_.hangUp.CanHangUp(*tick.link, SplitCommand(account_.Guard().command))),
                    *this);
    if (tick.guard.warn)
        p_.tray.Ask(kHangUpNotice, "Kivrel", *tick.guard.warn, WarningActions(), *this);
    if (tick.guard.act != HangUpReason::None)
        EndBilledLink(tick.guard.act, tick.guard.reason);
}

// Ends the billed link once, and says what became of it; a refusal is told and not tried again
// (the account holds the trigger either way).
void Form1::EndBilledLink(HangUpReason reason, const std::string& words) {
    if (!billedLink_)
        return;
    const std::string link = *billedLink_;
    const HangUpResult result = p_.hangUp.HangUp(link, SplitCommand(account_.Guard().command));
    account_.GuardActed(reason);
    p_.tray.Notify("Kivrel",
                   result.done ? HungUpText(link, words) : HangUpFailedText(link, result.why));
}

void Form1::NoticeAnswered(int notice, const std::string& action) {
    if (!Running())
        return;
    switch (AnswerOf(notice, action)) {
        case GuardAnswer::Continue:
            account_.GuardContinue();
            break;
        case GuardAnswer::Cancel:
            account_.GuardCancel();
            break;
        case GuardAnswer::HangUpNow:
            EndBilledLink(HangUpReason::User, ReasonText(HangUpReason::User, account_.Guard(), 0));
            break;
        case GuardAnswer::None:
            break;
    }
}

void Form1::Command3_Click() {
    const int32_t hours =
        AllowanceAnswer(boxes_.InputBox("0表示包月,\r\n60表示60小时", "设置每月使用时间", "60"));
    if (!account_.SetAllowance(hours))
        return WriteFailedBox("Kivrel");
    p_.window.SetText(Ctl::Label3, AllowanceText(hours));
}

void Form1::command4_Click() {
    const BillingDayAnswer day =
        ReadBillingDayAnswer(boxes_.InputBox("0表示月底,\r\n20表示20号", "设置每月结算时间", "0"));
    if (!account_.SetBillingDay(day.stored))
        return WriteFailedBox("Kivrel");
    p_.window.SetText(Ctl::Label4, day.label);
}

void Form1::WriteFailedBox(const std::string& title) {
    boxes_.MsgBox(WriteFailedText(IniFile()), title, kOkError);
}

// ---------------------------------------------------------------- drawing

void Form1::Form_Paint(ICanvas& canvas) {
    PaintGradient(canvas);
    if (lamps_)
        PaintLamps(canvas, *lamps_);
}

void Form1::DrawStatusLamps(int16_t Connected) {
    lamps_ = Connected;
    p_.window.Repaint();
}

// ---------------------------------------------------------------- window states and hint

void Form1::SystemChangedWindow(WindowState state, bool resized) {
    windows_.SystemChangedWindow(state, resized);
}

void Form1::Command2_Click() {
    windows_.HideIntoTray();
    p_.window.SetText(Ctl::Label6, kHintRest);
}

void Form1::Label6_MouseMove(float X) {
    const float width = static_cast<float>(p_.window.ControlWidth(Ctl::Label6));
    p_.window.SetText(Ctl::Label6, X < width ? kHintText : kHintRest);
}

// ---------------------------------------------------------------- records and autostart

void Form1::Combo1_Click() {
    const int position = p_.window.ComboIndex(Ctl::Combo1);
    if (position < 0)
        return;
    p_.window.SetText(Ctl::Label5,
                      MonthQuery(settings_, position + 1, BillingMonth(), MonthYear()));
    p_.window.SetText(Ctl::Combo1, "");
    p_.window.SetFocus(Ctl::Command2);
}

void Form1::Combo2_Click() {
    ClearOrPreset(p_.window.ComboIndex(Ctl::Combo2), settings_, boxes_, BillingMonth(), MonthYear(),
                  [this] { RefreshBillingMonth(); });
    p_.window.SetText(Ctl::Combo2, "");
    p_.window.SetFocus(Ctl::Command2);
}

void Form1::Command5_Click() {
    ShowRunAtStartup(ToggleRunAtLogOn(settings_, p_.autostart, p_.app.ExeDir(), boxes_));
}

void Form1::ShowRunAtStartup(bool on) {
    const RunStateTexts texts = RunStateTextsFor(on);
    p_.window.SetText(Ctl::Command5, texts.caption);
    p_.window.SetText(Ctl::Label8, texts.label);
}

}  // namespace kivrel
