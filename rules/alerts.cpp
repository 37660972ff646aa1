#include "rules/alerts.h"

#include "rules/billing.h"
#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"

namespace kivrel {

std::optional<int> AlertPercent(int32_t setting) {
    if (setting < 0)
        return std::nullopt;
    if (setting >= 1 && setting <= 99)
        return static_cast<int>(setting);
    return 10;
}

int64_t AlertThresholdMinutes(int64_t quotaHours, int percent) {
    const int64_t minutes = quotaHours * 60 * percent;
    return minutes >= 0 ? minutes / 100 : -((-minutes + 99) / 100);
}

AlertStep StepAlerts(const AlertState& stored, int32_t monthStamp, int64_t quotaHours,
                     int32_t alertSetting, int64_t remainingMinutes) {
    AlertStep step{stored, std::nullopt};
    const std::optional<int> percent = AlertPercent(alertSetting);
    if (!HasAllowance(quotaHours) || !percent)
        return step;
    AlertState& s = step.state;
    if (s.month != monthStamp)
        s = AlertState{monthStamp, false, false};
    const int64_t threshold = AlertThresholdMinutes(quotaHours, *percent);
    if (remainingMinutes > threshold)
        s.lowShown = false;
    if (remainingMinutes > 0)
        s.emptyShown = false;

    if (remainingMinutes <= 0 && !s.emptyShown) {
        s.emptyShown = true;
        s.lowShown = true;
        step.text = kEmptyAlertText;
    } else if (remainingMinutes <= threshold && !s.lowShown) {
        s.lowShown = true;
        step.text = LowAlertText(*percent, remainingMinutes);
    }
    return step;
}

std::string LowAlertText(int percent, int64_t remainingMinutes) {
    return "本月剩余不足" + DecimalText(percent) + "%，还剩" + DecimalText(remainingMinutes) +
           "分钟";
}

}  // namespace kivrel
