#include "presenter/guard_notices.h"

namespace kivrel {

namespace {
constexpr std::string_view kHangUpKey = "hang-up";
constexpr std::string_view kContinueKey = "continue";
constexpr std::string_view kCancelKey = "cancel";
}  // namespace

std::vector<NoticeAction> IdleNoticeActions(bool canHangUp) {
    std::vector<NoticeAction> actions;
    if (canHangUp)
        actions.push_back({std::string(kHangUpKey), "断开连接"});
    actions.push_back({std::string(kContinueKey), "继续上网"});
    return actions;
}

std::vector<NoticeAction> WarningActions() {
    return {{std::string(kCancelKey), "取消"}};
}

GuardAnswer AnswerOf(int notice, std::string_view action) {
    const bool clicked = action == kNoticeClicked;
    if (notice == kIdleNotice) {
        if (action == kHangUpKey)
            return GuardAnswer::HangUpNow;
        if (action == kContinueKey || clicked)
            return GuardAnswer::Continue;
    }
    if (notice == kHangUpNotice && (action == kCancelKey || clicked))
        return GuardAnswer::Cancel;
    return GuardAnswer::None;
}

}  // namespace kivrel
