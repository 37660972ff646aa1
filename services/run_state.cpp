#include "services/run_state.h"

namespace kivrel {

bool RunAtLogOnIsSet(const SettingsStore& settings) {
    return RunFlagIsOn(settings.Read().Int(Setting::RunAtLogOn));
}

bool ToggleRunAtLogOn(SettingsStore& settings, IAutostart& autostart, const std::string& exeDir,
                      IDialogs& boxes) {
    const bool on = RunAtLogOnIsSet(settings);
    std::string why;
    const bool changed = on ? autostart.Remove(why) : autostart.Enter(exeDir, why);
    if (!changed) {
        boxes.MsgBox("无法更改开机运行设置：\r\n" + why, "Kivrel",
                     MsgStyle{MsgButtons::Ok, MsgIcon::Warning, 0});
        return RunAtLogOnIsSet(settings);
    }
    if (!settings.WriteInt(Setting::RunAtLogOn, on ? 0 : 1)) {
        std::string ignored;
        if (on)
            autostart.Enter(exeDir, ignored);
        else
            autostart.Remove(ignored);
        boxes.MsgBox(WriteFailedText(settings.Path()), "Kivrel",
                     MsgStyle{MsgButtons::Ok, MsgIcon::Critical, 0});
        return RunAtLogOnIsSet(settings);
    }
    return !on;
}

}  // namespace kivrel
