// The idle guard's notifications as the presenter shows them: which buttons each offers, and
// what each answer means. The adapters only show them and report the answer back.
#pragma once

#include <string_view>
#include <vector>

#include "ports/window_ports.h"

namespace kivrel {

inline constexpr int kIdleNotice = 1;    // "已连接但 N 分钟没有流量…"
inline constexpr int kHangUpNotice = 2;  // "将于 23:30:00 断开…", and what became of it

// The idle reminder's buttons: "断开连接" only where the connection can be ended, then "继续上网".
std::vector<NoticeAction> IdleNoticeActions(bool canHangUp);
// The announcement's one button, "取消".
std::vector<NoticeAction> WarningActions();

enum class GuardAnswer { None, Continue, HangUpNow, Cancel };

// What an answer to a notification means. A click on a reminder without buttons means
// "继续上网"; a click on an announcement without buttons cancels it: a click never ends a
// connection.
GuardAnswer AnswerOf(int notice, std::string_view action);

}  // namespace kivrel
