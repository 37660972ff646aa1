// Form1: the main window's presenter and the table of contents of the program. It shows the
// program's state under the names it has always had, for reading, and holds every event handler;
// each handler hands its work to the part that keeps that concern, and that part alone changes it:
// the settings file (services/settings_store.h), the month's accounting (services/month_account.h),
// the window's states and the tray (presenter/window_states.h, presenter/api_stuff.h), the records
// (services/records.h) and run at log-on (services/run_state.h). The
// toolkit's window only shows what it is told and reports what happened through IWindowEvents.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ports/ports.h"
#include "presenter/api_stuff.h"
#include "presenter/boxes.h"
#include "presenter/window_states.h"
#include "services/month_account.h"
#include "services/settings_store.h"

namespace kivrel {

class Form1 final : public IWindowEvents, public INoticeSink {
  private:
    // The parts, before the state that lives in them.
    Platform& p_;
    SettingsStore settings_;
    ProgramBoxes boxes_;
    MonthAccount account_;
    WindowStates windows_;
    APIStuff apiStuff_;

  public:
    explicit Form1(Platform& platform);

    // --- State, each kept by its part, for reading ---
    const std::string& IniFile() const { return settings_.Path(); }
    int32_t QuotaHours() const { return account_.Allowance(); }
    const std::string& MonthSection() const { return account_.Section(); }
    int BillingMonth() const { return account_.Month(); }  // 1..12, the month MonthSection names
    int32_t MonthYear() const { return account_.Year(); }  // the year of the billing month
    const MinuteTotal& UsedMinutes() const { return account_.Used(); }
    WindowState LastState() const { return windows_.LastState(); }
    int16_t HideCountdown() const { return windows_.HideCountdown(); }

    // --- Start-up and shutdown ---
    // Returns false when start-up refused to run (no timer.ini, a second instance, or no way to
    // make the user's own timer.ini): the program then ends without unloading.
    bool Form_Load();
    void Form_Unload(int16_t& Cancel);
    // Every closing path: unloads once (Form_Unload, then the window is destroyed).
    void Unload();
    bool Unloaded() const { return unloaded_; }
    // The desktop session asks whether it may end: the month's total is stored, nothing more.
    void QueryEndSession();
    // The session's answer: `ending` when it really ends (the program unloads), false when the
    // end was cancelled (the program keeps running).
    void EndSession(bool ending);
    void Command1_Click() { Unload(); }
    void mnuFileExit_Click() { Unload(); }

    // --- Accounting ---
    void Timer1_Timer();
    void RefreshBillingMonth() { account_.RefreshBillingMonth(); }
    bool SaveUsage() { return account_.SaveUsage(); }
    void Command3_Click();
    void command4_Click();

    // --- Drawing ---
    void Form_Paint(ICanvas& canvas);
    void DrawStatusLamps(int16_t Connected);

    // --- Window states, tray menu, auto-hide, hint ---
    WindowState State() const { return windows_.State(); }
    void SystemChangedWindow(WindowState state, bool resized = false);
    void SystemRestore() { windows_.SystemRestore(); }
    void Form_Resize() { windows_.Form_Resize(); }
    void Command2_Click();
    void mnuTrayRestore_Click() { windows_.SystemRestore(); }
    void mnuTrayMove_Click() { windows_.Move(); }
    void mnuTraySize_Click() { windows_.Size(); }
    void mnuTrayMinimize_Click() { windows_.Minimize(); }
    void mnuTrayMaximize_Click() { windows_.Maximize(); }
    void mnuTrayClose_Click() { Unload(); }
    void Timer2_Timer() { windows_.CountdownTick(); }
    void TrayGrace_Timer() { windows_.GraceElapsed(); }
    void Label7_Click() { windows_.CancelCountdown(); }
    void Label6_MouseMove(float X);
    // The notification area appeared or went away.
    void TrayAvailabilityChanged() { windows_.TrayAvailabilityChanged(); }

    // --- Records and autostart ---
    void Combo1_Click();
    void Combo2_Click();
    void Command5_Click();

    // --- IWindowEvents: what the window reports ---
    void Paint(ICanvas& canvas) override { Form_Paint(canvas); }
    void ControlEvent(Ctl control, UiEvent event, const MouseArgs& mouse) override;
    void MenuChosen(Menu item) override;
    void TimerElapsed(TimerId timer) override;
    void StateChanged(WindowState state) override { SystemChangedWindow(state); }
    void SizeChanged(WindowState state, PixelSize size) override {
        windows_.SizeReported(state, size);
    }
    void RestoreRequested() override { SystemRestore(); }
    void CloseRequested() override { Unload(); }
    void SessionEndAsked() override { QueryEndSession(); }
    void SessionEnded(bool ending) override { EndSession(ending); }
    bool Running() const override { return loaded_ && !unloaded_; }

    // --- The idle guard's notifications ---
    void NoticeAnswered(int notice, const std::string& action) override;

  private:
    bool CopyIniTemplate(const std::string& beside);
    void ShowRunAtStartup(bool on);
    void WriteFailedBox(const std::string& title);
    void CarryOutGuard(const MonthAccount::TickResult& tick);
    void EndBilledLink(HangUpReason reason, const std::string& words);

    std::optional<std::string> billedLink_;  // the billed link of the latest tick, while up

    bool loaded_ = false;
    bool unloaded_ = false;
    std::optional<int16_t> lamps_;  // the lamps of the last tick; none before the first
};

}  // namespace kivrel
