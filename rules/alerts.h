// Allowance alerts: a notification when the month's remaining minutes fall to the alert
// threshold, and another when they are used up, each once per billing month.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivrel {

// The alert threshold in percent of the allowance, from the `Alert` setting: 0 (or missing)
// means 10, 1 to 99 is the percent, a negative value turns both alerts off (nothing). Values of
// 100 and above are not percents the threshold can be: they mean the default 10 as well.
std::optional<int> AlertPercent(int32_t setting);

// The threshold in whole minutes: the percent of the allowance, rounded down.
int64_t AlertThresholdMinutes(int64_t quotaHours, int percent);

// Which alerts were shown in which billing month (a MonthStamp; 0 for none yet).
struct AlertState {
    int32_t month = 0;
    bool lowShown = false;
    bool emptyShown = false;
    friend bool operator==(const AlertState&, const AlertState&) = default;
};

// What one online tick decides: the state to keep, and the text to show, if any.
struct AlertStep {
    AlertState state;
    std::optional<std::string> text;
};

// One online tick with the month's remaining minutes as the window shows them. A new billing
// month re-arms both alerts; remaining minutes back above a threshold (a preset, a clear, a larger
// allowance) re-arm that threshold's alert. When both fall due at once only the used-up alert is
// shown, and both count as shown. With no allowance (HasAllowance) or alerts off nothing is shown
// and the state is kept as it is.
AlertStep StepAlerts(const AlertState& stored, int32_t monthStamp, int64_t quotaHours,
                     int32_t alertSetting, int64_t remainingMinutes);

inline constexpr const char* kAlertTitle = "Kivrel";
std::string LowAlertText(int percent, int64_t remainingMinutes);
inline constexpr const char* kEmptyAlertText = "本月包时已用完";

}  // namespace kivrel
