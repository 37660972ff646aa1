// Form1: the main window's presenter. It holds every piece of the program's state and every
// event handler; the toolkit's window only shows what it is told and forwards what the user did.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "accounting/alerts.h"
#include "accounting/billing.h"
#include "accounting/period.h"
#include "platform/ports.h"
#include "settings/settings_store.h"
#include "tray/api_stuff.h"

namespace kivrel {

class Form1 final : public ITrayWindow {
  public:
    explicit Form1(Platform& platform);

    // --- State ---
    std::string IniFile;
    int32_t QuotaHours = 0;
    std::string MonthSection;
    int BillingMonth = 1;   // 1..12, the month MonthSection names
    int32_t MonthYear = 0;  // the year of the billing month, the year of its closing date
    MinuteTotal UsedMinutes;
    int16_t LastState = kNormal;
    int16_t HideCountdown = 0;

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
    void RefreshBillingMonth();
    bool SaveUsage();
    void Command3_Click();
    void command4_Click();

    // --- Drawing ---
    void Form_Paint(ICanvas& canvas);
    void DrawStatusLamps(int16_t Connected);

    // --- Window states, tray menu, auto-hide, hint ---
    int16_t WindowState() const override { return windowState_; }
    // Sets the window state at the program's request and raises Form_Resize at once.
    void SetWindowState(int16_t state) override;
    // The system or the user put the window into `state` (a restore from the taskbar, a
    // maximise) or, with `resized`, gave it a new size (a keyboard size): raises Form_Resize. A
    // report that only repeats the state Form1 holds is the echo of its own request: ignored.
    void SystemChangedWindow(int16_t state, bool resized = false);
    // What the platform's own restore command does: back from the tray to LastState, or from
    // maximised to normal; then shown and focused.
    void SystemRestore();
    bool Visible() const { return visible_; }
    void Show() override;
    void Hide();
    void SetFocus() override;
    void PopupMenu(Menu menu) override;
    void Form_Resize();
    void Command2_Click();
    void mnuTrayRestore_Click();
    void mnuTrayMove_Click();
    void mnuTraySize_Click();
    void mnuTrayMinimize_Click();
    void mnuTrayMaximize_Click();
    void mnuTrayClose_Click() { Unload(); }
    void Timer2_Timer();
    void Label7_Click();
    void Label6_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    // The notification area appeared or went away.
    void TrayAvailabilityChanged() override;
    int16_t StateFromTray() const override { return LastState; }

    // --- Records and autostart ---
    void Combo1_Click();
    void Combo2_Click();
    void Command5_Click();

  private:
    void CheckAllowance(int64_t remainingMinutes);
    void ShowRunAtStartup();
    void SetTimer2(bool enabled);
    void SetTrayMenuFor(int16_t state);
    void ReportSave(bool saved);
    void FollowCalendar();
    void WriteFailedBox(const std::string& title);
    std::string IniPathBeside() const;
    bool CopyIniTemplate();
    MsgAnswer Ask(const std::string& text, const std::string& title, MsgStyle style);
    std::string Input(const std::string& prompt, const std::string& title,
                      const std::string& defaultAnswer);

    Platform& p_;
    SettingsStore settings_;
    APIStuff apiStuff_;
    int16_t windowState_ = kNormal;
    bool visible_ = false;
    bool everShown_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool trayUsable_ = true;
    bool saveFailureTold_ = false;
    int64_t savedTenths_ = 0;       // the month's total when it was last read or saved
    AlertState alerts_;             // which allowance alerts this billing month has shown
    int openBoxes_ = 0;             // boxes of the program's own that are open right now
    std::optional<int16_t> lamps_;  // the lamps of the last tick; none before the first
};

// The fixed texts of the window.
inline constexpr const char* kTrayTip = "Kivrel正在运行，好运！";
inline constexpr const char* kHintRest = "如何正确使用";
inline constexpr const char* kHintText =
    "请在控制面板→Internet选项→连接中,将(ADSL拨号连接) ⑴设置默认值 ⑵始终拨默认连接。";

}  // namespace kivrel
