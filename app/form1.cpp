#include "app/form1.h"

#include "accounting/numbers.h"
#include "app/drawing.h"
#include "app/module1.h"
#include "autostart/run_state.h"
#include "records/records.h"
#include "records/year_stamp.h"

namespace kivrel {

namespace {
constexpr MsgStyle kOkPlain{MsgButtons::Ok, MsgIcon::None, 0};
constexpr MsgStyle kOkError{MsgButtons::Ok, MsgIcon::Critical, 0};
}  // namespace

Form1::Form1(Platform& platform)
    : p_(platform), settings_(platform.files), apiStuff_(platform.tray) {}

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
        Ask("程序已经运行", "Kivrel", kOkPlain);
        return false;
    }

    // The settings file; the user's own is made from the installed one the first time, and
    // temporaries of a killed earlier run are cleared away now that this is the only running
    // copy.
    IniFile = source == IniSource::Beside ? IniPathBeside() : UserIniPath(p_.app);
    if (source == IniSource::UserFromCopy && !CopyIniTemplate())
        return false;
    p_.files.RemoveStaleTemporaries(IniFile);
    settings_.Open(IniFile);

    // Run-at-startup state.
    ShowRunAtStartup();

    // The state to come back to from the tray.
    LastState = windowState_ == kMinimized ? static_cast<int16_t>(kNormal) : windowState_;

    // The tray icon. Where the desktop does not let the program move or size its window, Move and
    // Size are off from the start.
    const WindowAbilities can = p_.window.Abilities();
    if (!can.move)
        p_.window.SetMenuEnabled(Menu::mnuTrayMove, false);
    if (!can.size)
        p_.window.SetMenuEnabled(Menu::mnuTraySize, false);
    apiStuff_.AddTrayIcon(*this, Menu::mnuTray);
    apiStuff_.SetTrayTip(kTrayTip);

    // Billing month and its total.
    const int32_t d = settings_.Read().Int(Setting::BillingDay);
    RefreshBillingMonth();
    const Settings shown = settings_.Read();
    alerts_ =
        AlertState{shown.Int(Setting::AlertShownMonth), shown.Int(Setting::LowAlertShown) != 0,
                   shown.Int(Setting::EmptyAlertShown) != 0};

    // Allowance.
    QuotaHours = settings_.Read().Int(Setting::AllowanceHours);
    p_.window.SetText(Ctl::Label3, AllowanceText(QuotaHours));

    // Billing day, as the file holds it.
    p_.window.SetText(Ctl::Label4, BillingDayText(d));

    loaded_ = true;
    // The timers that run from the start (Timer1, the tick) start now that the start is accepted.
    for (const TimerSpec& timer : kTimers)
        if (timer.enabled)
            p_.window.SetTimerEnabled(timer.id, true);

    // A desktop without a notification area would leave a hidden window unreachable: there the
    // window starts shown and minimises with a taskbar entry instead of hiding.
    if (!p_.tray.Available()) {
        trayUsable_ = false;
        p_.window.SetTaskbarFallback(true);
        Show();
        SetFocus();
    }
    return true;
}

std::string Form1::IniPathBeside() const {
    return p_.app.ExeDir() + p_.app.PathSeparator() + kIniFileName;
}

// The user's own timer.ini starts as a copy of the installed one.
bool Form1::CopyIniTemplate() {
    const std::string dir = p_.app.UserDataDir();
    const std::optional<std::string> text = p_.files.ReadAll(IniPathBeside());
    if (text && p_.files.MakeDirectories(dir) && p_.files.ReplaceAll(IniFile, *text))
        return true;
    Ask("无法创建设置文件 " + IniFile + "\r\n请检查该文件夹是否可写。", "Kivrel", kOkError);
    return false;
}

void Form1::Form_Unload(int16_t& Cancel) {
    (void)Cancel;  // unloading is never refused
    SaveUsage();
    apiStuff_.RemoveTrayIcon();
}

// The session asks whether it may end; the user may still cancel the log-out, so the program
// only stores the month's total and keeps counting.
void Form1::QueryEndSession() {
    if (loaded_ && !unloaded_)
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

// ---------------------------------------------------------------- accounting

// Entering a billing month: a total stamped with an earlier year is last year's, and the month
// starts from 0 (the next save keeps last year's total under a key of its own).
void Form1::RefreshBillingMonth() {
    const BillingPeriod period =
        PeriodOf(p_.clock.Today(), settings_.Read().Int(Setting::BillingDay));
    BillingMonth = period.month;
    MonthSection = MonthSectionName(BillingMonth);
    MonthYear = period.year;
    UsedMinutes = MinuteTotal::FromWholeMinutes(
        CurrentTotal(settings_.Read().Month(BillingMonth), MonthYear));
    savedTenths_ = UsedMinutes.Tenths();
}

bool Form1::SaveUsage() {
    const int32_t minutes = SaturateTo32(UsedMinutes.RoundedMinutes());
    const bool saved = settings_.Write([&](Settings& settings) {
        WriteStampedTotal(settings, BillingMonth, minutes, MonthYear);
        settings.SetInt(Setting::Exit, 0);
    });
    if (saved)
        savedTenths_ = UsedMinutes.Tenths();
    ReportSave(saved);
    return saved;
}

// A save that fails is told once; counting goes on in memory and every online tick tries again.
void Form1::ReportSave(bool saved) {
    if (saved) {
        saveFailureTold_ = false;
        return;
    }
    if (saveFailureTold_ || unloaded_)
        return;
    saveFailureTold_ = true;
    p_.tray.Notify("Kivrel",
                   "无法保存上网时间到 " + IniFile + "\r\n计时仍在继续，文件恢复可写后自动补存。");
}

// A billing month closes on the billing day: when today belongs to another billing month, the
// old month's total is stored and the accounting moves on. Should that store fail, the move waits
// for a later tick so that the old month's minutes are not dropped.
void Form1::FollowCalendar() {
    const BillingPeriod period =
        PeriodOf(p_.clock.Today(), settings_.Read().Int(Setting::BillingDay));
    if (period.month == BillingMonth && period.year == MonthYear)
        return;
    // Only a total that changed since it was saved is stored: an offline tick writes nothing.
    if (UsedMinutes.Tenths() != savedTenths_ && !SaveUsage())
        return;
    RefreshBillingMonth();
}

// Allowance alerts, on an online tick, from the remaining minutes the window shows.
void Form1::CheckAllowance(int64_t remainingMinutes) {
    if (!HasAllowance(QuotaHours))
        return;
    const int32_t stamp = MonthStamp(MonthYear, BillingMonth);
    const AlertStep step = StepAlerts(
        alerts_, stamp, QuotaHours, settings_.Read().Int(Setting::AlertPercent), remainingMinutes);
    if (step.state != alerts_) {
        alerts_ = step.state;
        settings_.Write([&](Settings& settings) {
            settings.SetInt(Setting::AlertShownMonth, alerts_.month);
            settings.SetInt(Setting::LowAlertShown, alerts_.lowShown ? 1 : 0);
            settings.SetInt(Setting::EmptyAlertShown, alerts_.emptyShown ? 1 : 0);
        });
    }
    if (step.text)
        p_.tray.Notify(kAlertTitle, *step.text);
}

void Form1::Timer1_Timer() {
    if (!loaded_ || unloaded_)
        return;
    FollowCalendar();

    const TickFigures figures = ComputeFigures(UsedMinutes, QuotaHours);
    const bool connected = p_.connection.Connected();
    if (connected) {
        UsedMinutes.AddTick();
        SaveUsage();
        CheckAllowance(figures.remainingMinutes);
        DrawStatusLamps(-1);
    } else {
        DrawStatusLamps(0);
    }
    p_.window.SetText(Ctl::Label1, StatusText(connected, BillingMonth, figures, QuotaHours));
}

void Form1::Command3_Click() {
    const std::string title = "设置每月使用时间";
    const Answer answer = ReadAnswer(Input("0表示包月,\r\n60表示60小时", title, "60"));
    // The allowance is held in 0..32767; a larger answer is held at 32767 hours.
    const int32_t value = answer.valid ? SaturateTo16(answer.rounded) : 0;
    if (!settings_.WriteInt(Setting::AllowanceHours, value)) {
        WriteFailedBox("Kivrel");
        return;
    }
    QuotaHours = value;
    p_.window.SetText(Ctl::Label3, AllowanceText(value));
}

void Form1::command4_Click() {
    const std::string title = "设置每月结算时间";
    const std::string typed = Input("0表示月底,\r\n20表示20号", title, "0");
    const Answer answer = ReadAnswer(typed);
    // A day beyond 32 bits is stored as the 32-bit limit; any day of 31 or more means month end.
    const int32_t stored = answer.valid ? SaturateTo32(answer.rounded) : 0;
    if (!settings_.WriteInt(Setting::BillingDay, stored)) {
        WriteFailedBox("Kivrel");
        return;
    }
    const bool isZero = !answer.valid || answer.isZero;
    p_.window.SetText(Ctl::Label4, isZero ? std::string("结算为月底") : "结算为" + typed + "号");
    RefreshBillingMonth();
}

void Form1::WriteFailedBox(const std::string& title) {
    Ask("无法写入设置文件 " + IniFile + "\r\n设置没有改变。", title, kOkError);
}

// ---------------------------------------------------------------- the program's own boxes

// While one of the program's boxes is open the auto-hide countdown holds, so the window does not
// vanish from under a question the user is answering.
MsgAnswer Form1::Ask(const std::string& text, const std::string& title, MsgStyle style) {
    ++openBoxes_;
    const MsgAnswer answer = p_.dialogs.MsgBox(text, title, style);
    --openBoxes_;
    return answer;
}

std::string Form1::Input(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) {
    ++openBoxes_;
    std::string answer = p_.dialogs.InputBox(prompt, title, defaultAnswer);
    --openBoxes_;
    return answer;
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

// ---------------------------------------------------------------- window states and tray menu

void Form1::SetWindowState(int16_t state) {
    if (state == windowState_)
        return;
    windowState_ = state;
    p_.window.ApplyWindowState(state);
    Form_Resize();
}

void Form1::SystemChangedWindow(int16_t state, bool resized) {
    if (state != kMinimized)
        visible_ = true;
    if (state == windowState_ && !resized)
        return;
    windowState_ = state;
    Form_Resize();
}

void Form1::SystemRestore() {
    const int16_t target = windowState_ == kMinimized ? LastState : static_cast<int16_t>(kNormal);
    SetWindowState(target);
    Show();
    SetFocus();
}

void Form1::Show() {
    if (visible_)
        return;
    visible_ = true;
    p_.window.SetVisible(true);
    if (!everShown_) {
        everShown_ = true;
        Form_Resize();
    }
}

void Form1::Hide() {
    visible_ = false;
    p_.window.SetVisible(false);
}

void Form1::SetFocus() {
    p_.window.Activate();
}

void Form1::PopupMenu(Menu menu) {
    p_.window.PopupMenu(menu);
}

void Form1::SetTimer2(bool enabled) {
    p_.window.SetTimerEnabled(TimerId::Timer2, enabled);
}

void Form1::SetTrayMenuFor(int16_t state) {
    // In this order: Maximize, Minimize, Move, Restore, Size. Move and Size only where the
    // desktop lets the program move or size its window.
    const WindowAbilities can = p_.window.Abilities();
    p_.window.SetMenuEnabled(Menu::mnuTrayMaximize, state != kMaximized);
    p_.window.SetMenuEnabled(Menu::mnuTrayMinimize, state != kMinimized);
    p_.window.SetMenuEnabled(Menu::mnuTrayMove, state == kNormal && can.move);
    p_.window.SetMenuEnabled(Menu::mnuTrayRestore, state != kNormal);
    p_.window.SetMenuEnabled(Menu::mnuTraySize, state == kNormal && can.size);
}

void Form1::Form_Resize() {
    if (windowState_ == kMinimized) {
        SetTrayMenuFor(kMinimized);
        if (trayUsable_)
            Hide();
        SetTimer2(false);
    } else {
        SetTrayMenuFor(windowState_);
        SetTimer2(true);
        HideCountdown = 30;
    }
    if (windowState_ != kMinimized)
        LastState = windowState_;
}

void Form1::Command2_Click() {
    SetWindowState(kMinimized);
    p_.window.SetText(Ctl::Label6, kHintRest);
}

void Form1::mnuTrayRestore_Click() {
    p_.window.SystemCommand(SysCommand::Restore);
}
void Form1::mnuTrayMove_Click() {
    p_.window.SystemCommand(SysCommand::Move);
}
void Form1::mnuTraySize_Click() {
    p_.window.SystemCommand(SysCommand::Size);
}

void Form1::mnuTrayMinimize_Click() {
    if (trayUsable_)
        Hide();
    SetWindowState(kMinimized);
}

// An enabled menu item that did nothing would be a fault users see: Maximize maximises.
void Form1::mnuTrayMaximize_Click() {
    SetWindowState(kMaximized);
    Show();
    SetFocus();
}

void Form1::Timer2_Timer() {
    if (openBoxes_ > 0)
        return;
    p_.window.SetText(Ctl::Label7, "自动隐藏倒计时:" + DecimalText(HideCountdown));
    if (HideCountdown < 1) {
        SetWindowState(kMinimized);
        SetTimer2(false);
    }
    if (HideCountdown > -1)
        HideCountdown -= 1;
}

void Form1::Label7_Click() {
    SetTimer2(false);
    p_.window.SetText(Ctl::Label7, "已取消自动隐藏");
}

void Form1::Label6_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    (void)Button;
    (void)Shift;
    (void)Y;
    const float width = static_cast<float>(p_.window.ControlWidth(Ctl::Label6));
    p_.window.SetText(Ctl::Label6, X < width ? kHintText : kHintRest);
}

void Form1::TrayAvailabilityChanged() {
    const bool available = p_.tray.Available();
    if (available == trayUsable_)
        return;
    trayUsable_ = available;
    p_.window.SetTaskbarFallback(!available);
    if (available) {
        if (windowState_ == kMinimized)
            Hide();  // back into the tray from the taskbar
        return;
    }
    if (visible_)
        return;
    // The tray is gone while the window was hidden in it, or had never been opened: keep it
    // reachable, minimised with a taskbar entry.
    if (windowState_ != kMinimized)
        SetWindowState(kMinimized);
    else
        p_.window.ApplyWindowState(kMinimized);
    visible_ = true;
    everShown_ = true;
    p_.window.SetVisible(true);
}

// ---------------------------------------------------------------- records

void Form1::Combo1_Click() {
    const int position = p_.window.ComboIndex(Ctl::Combo1);
    if (position < 0)
        return;
    const int month = position + 1;
    const MonthRecord record = settings_.Read().Month(month);
    // Last year's total is not this month's use.
    const int32_t minutes =
        month == BillingMonth ? CurrentTotal(record, MonthYear) : record.minutes;
    p_.window.SetText(Ctl::Label5, MonthQueryText(month, minutes));
    p_.window.SetText(Ctl::Combo1, "");
    p_.window.SetFocus(Ctl::Command2);
}

void Form1::Combo2_Click() {
    const int k = p_.window.ComboIndex(Ctl::Combo2);
    if (k == 0) {
        const MsgAnswer answer = Ask(std::string(kClearQuestion), std::string(kClearAskTitle),
                                     MsgStyle{MsgButtons::YesNo, MsgIcon::None, 0});
        if (answer == MsgAnswer::Yes) {
            const bool cleared = settings_.Write([](Settings& settings) {
                for (int month = 1; month <= 12; ++month)
                    settings.SetMonthMinutes(month, 0);
            });
            if (cleared) {
                RefreshBillingMonth();
                Ask(std::string(kClearDone), std::string(kClearDoneTitle), kOkPlain);
            } else {
                WriteFailedBox(std::string(kClearDoneTitle));
            }
        }
    } else if (k >= 1 && k <= 12) {
        const std::string title(kPresetTitle);
        const std::string entry = Input(PresetPrompt(k), title, "0");
        const Answer answer = ReadAnswer(entry);
        // Entries that do not fit 32 bits are rejected like any other unusable entry.
        if (answer.valid && !answer.overflow && answer.rounded <= INT32_MAX) {
            const int32_t minutes = static_cast<int32_t>(answer.rounded);
            const int32_t year = PresetYear(k, BillingMonth, MonthYear);
            if (settings_.Write(
                    [&](Settings& settings) { WriteStampedTotal(settings, k, minutes, year); })) {
                RefreshBillingMonth();
                Ask(PresetDoneText(k, entry), title, kOkPlain);
            } else {
                WriteFailedBox(title);
            }
        } else {
            Ask(std::string(kPresetRejected), title,
                MsgStyle{MsgButtons::Ok, MsgIcon::Question, 0});
        }
    }
    p_.window.SetText(Ctl::Combo2, "");
    p_.window.SetFocus(Ctl::Command2);
}

// ---------------------------------------------------------------- autostart

void Form1::ShowRunAtStartup() {
    const RunStateTexts texts =
        RunStateTextsFor(RunFlagIsOn(settings_.Read().Int(Setting::RunAtLogOn)));
    p_.window.SetText(Ctl::Command5, texts.caption);
    p_.window.SetText(Ctl::Label8, texts.label);
}

// The settings flag decides which way a click goes. The flag, the caption and the label change
// only when the autostart entry was really entered or removed and the flag reached the file;
// otherwise the user is told why and the window keeps showing the true state.
void Form1::Command5_Click() {
    const bool on = RunFlagIsOn(settings_.Read().Int(Setting::RunAtLogOn));
    std::string why;
    const std::string dir = p_.app.ExeDir();
    const bool changed = on ? p_.autostart.Remove(why) : p_.autostart.Enter(dir, why);
    if (!changed) {
        Ask("无法更改开机运行设置：\r\n" + why, "Kivrel",
            MsgStyle{MsgButtons::Ok, MsgIcon::Warning, 0});
        ShowRunAtStartup();
        return;
    }
    if (!settings_.WriteInt(Setting::RunAtLogOn, on ? 0 : 1)) {
        // Put the entry back as the flag says, so the two never disagree.
        std::string ignored;
        if (on)
            p_.autostart.Enter(dir, ignored);
        else
            p_.autostart.Remove(ignored);
        WriteFailedBox("Kivrel");
        ShowRunAtStartup();
        return;
    }
    const RunStateTexts texts = RunStateTextsFor(!on);
    p_.window.SetText(Ctl::Command5, texts.caption);
    p_.window.SetText(Ctl::Label8, texts.label);
}

}  // namespace kivrel
