#include "rules/billing.h"

#include <algorithm>

#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"

namespace kivrel {

int BillingMonthOf(int month, int dayOfMonth, int32_t billingDay) {
    int16_t d = SaturateTo16(billingDay);
    if (d != 0 && dayOfMonth > d)
        return month == 12 ? 1 : month + 1;
    return month;
}

int64_t MinuteTotal::RoundedMinutes() const {
    return DivideHalfEven(tenths_, 10);
}

TickFigures ComputeFigures(MinuteTotal used, int64_t quotaHours) {
    TickFigures f;
    f.usedMinutes = DivideHalfEven(used.Tenths(), 10);
    f.usedHours = DivideHalfEven(used.Tenths(), 600);
    // A negative allowance leaves nothing: every minute used is beyond it, and no more.
    f.remainingMinutes = DivideHalfEven(std::max<int64_t>(quotaHours, 0) * 600 - used.Tenths(), 10);
    f.remainingHours = DivideHalfEven(f.remainingMinutes, 60);
    return f;
}

std::string StatusText(bool connected, int month, const TickFigures& f, int64_t quotaHours) {
    const std::string crlf = "\r\n";
    std::string text = connected ? "计费月为：" : "计费月为:";
    text += DecimalText(month) + "月" + crlf;
    text += connected ? "已经连接上网" : "没有连接上网";
    text += crlf;
    text +=
        "本月已用" + DecimalText(f.usedMinutes) + "分钟" + DecimalText(f.usedHours) + "小时" + crlf;
    if (HasAllowance(quotaHours)) {
        text += "本月剩余" + DecimalText(f.remainingMinutes) + "分钟" +
                DecimalText(f.remainingHours) + "小时";
    }
    return text;
}

std::string AllowanceText(int64_t quotaHours) {
    return !HasAllowance(quotaHours) ? "包月" : "包时" + DecimalText(quotaHours) + "小时";
}

std::string BillingDayText(int64_t billingDay) {
    return billingDay == 0 ? "结算为月底" : "结算为" + DecimalText(billingDay) + "号";
}

}  // namespace kivrel
