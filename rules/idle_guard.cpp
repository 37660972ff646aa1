#include "rules/idle_guard.h"

#include "rules/tariff.h"
#include "vocabulary/texts.h"

namespace kivrel {

namespace {

constexpr int64_t kDaySeconds = 86400;

// Seconds of a wall-clock reading since 1970-01-01 00:00 on the same clock.
int64_t WallSeconds(const LocalTime& t) {
    return DayNumber(t.date) * kDaySeconds + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime Later(const LocalTime& t, int64_t seconds) {
    const int64_t wall = WallSeconds(t) + seconds;
    const int64_t second = wall % kDaySeconds;
    return LocalTime{DateOfDayNumber(wall / kDaySeconds), static_cast<int>(second / 3600),
                     static_cast<int>(second / 60 % 60), static_cast<int>(second % 60),
                     t.offsetMinutes};
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerText(std::string_view text) {
    std::string out;
    for (const char c : text)
        out += Lower(c);
    return out;
}

// Digits only, at most 18 of them.
std::optional<int64_t> Digits(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "HH:MM" (or "H:MM") within a day.
std::optional<int> ClockMinute(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.size() - colon != 3)
        return std::nullopt;
    const auto hour = Digits(text.substr(0, colon)), minute = Digits(text.substr(colon + 1));
    if (!hour || !minute || *hour > 23 || *minute > 59 || colon > 2)
        return std::nullopt;
    return static_cast<int>(*hour * 60 + *minute);
}

// The day (DayNumber) on which the daily hang-up that `now` falls near acts, when `now` lies
// from a minute before that time to kAtLateSeconds after it.
std::optional<int64_t> AtOccurrence(int atMinute, const LocalTime& now) {
    const int64_t wall = WallSeconds(now);
    const int64_t from = atMinute * 60 - kHangUpNoticeSeconds;
    const int64_t into = ((wall - from) % kDaySeconds + kDaySeconds) % kDaySeconds;
    if (into >= kHangUpNoticeSeconds + kAtLateSeconds)
        return std::nullopt;
    return (wall - into + kHangUpNoticeSeconds) / kDaySeconds;
}

std::string TwoDigits(int value) {
    std::string text;
    text += static_cast<char>('0' + value / 10 % 10);
    text += static_cast<char>('0' + value % 10);
    return text;
}

}  // namespace

Traffic ClassifyTraffic(const std::optional<TrafficSample>& before,
                        const std::optional<TrafficSample>& now, int64_t idleBytes) {
    if (!before || !now || before->link != now->link ||
        now->bytes.received < before->bytes.received || now->bytes.sent < before->bytes.sent)
        return Traffic::Fresh;
    const uint64_t passed =
        (now->bytes.received - before->bytes.received) + (now->bytes.sent - before->bytes.sent);
    return passed < static_cast<uint64_t>(idleBytes) ? Traffic::Idle : Traffic::Busy;
}

std::vector<std::string> SplitCommand(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : command) {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

GuardConfig ReadGuardConfig(int32_t idleMinutes, int32_t idleBytes, std::string_view hangUp,
                            std::string command) {
    GuardConfig config;
    config.idleMinutes = idleMinutes > 0 ? idleMinutes : 0;
    config.idleBytes = idleBytes > 0 ? idleBytes : kDefaultIdleBytes;
    std::string items(hangUp);
    for (char& c : items)
        if (c == ',')
            c = ' ';
    for (const std::string& item : SplitCommand(items)) {
        const std::string word = LowerText(item);
        if (word == "idle")
            config.onIdle = true;
        else if (word == "allowance")
            config.onAllowance = true;
        else if (word.rfind("budget=", 0) == 0) {
            if (const auto cents = Digits(std::string_view(word).substr(7)))
                config.budget = *cents;
        } else if (word.rfind("at=", 0) == 0) {
            if (const auto minute = ClockMinute(std::string_view(word).substr(3)))
                config.atMinute = *minute;
        }
    }
    config.command = std::move(command);
    return config;
}

GuardStep StepGuard(const GuardConfig& config, GuardState state, const GuardInput& in) {
    GuardStep step;
    if (!in.online) {
        // The link is down: the run, its reminder and a planned hang-up end with it.
        state.idleRun = 0;
        state.idleToldAt.reset();
        state.idleHeld = false;
        state.pending = HangUpReason::None;
        step.state = state;
        return step;
    }
    if (in.traffic == Traffic::Idle) {
        ++state.idleRun;
    } else {
        state.idleRun = 0;
        state.idleToldAt.reset();
        state.idleHeld = false;
        if (state.pending == HangUpReason::Idle)
            state.pending = HangUpReason::None;
    }
    if (config.idleMinutes > 0 && state.idleRun >= int64_t{config.idleMinutes} * 10 &&
        !state.idleToldAt) {
        state.idleToldAt = in.now;
        step.remind = true;
    }
    if (state.pending == HangUpReason::None) {
        const int64_t now = WallSeconds(in.now);
        HangUpReason due = HangUpReason::None;
        if (config.onIdle && state.idleToldAt && !state.idleHeld &&
            now - WallSeconds(*state.idleToldAt) >= kHangUpNoticeSeconds)
            due = HangUpReason::Idle;
        else if (config.onAllowance && in.allowanceReached && state.allowanceHeld != in.month)
            due = HangUpReason::Allowance;
        else if (config.budget && in.bill && *in.bill >= *config.budget &&
                 state.budgetHeld != in.month)
            due = HangUpReason::Budget;
        else if (config.atMinute) {
            if (const auto day = AtOccurrence(*config.atMinute, in.now);
                day && *day != state.atHeld) {
                due = HangUpReason::At;
                state.atDay = *day;
            }
        }
        if (due != HangUpReason::None) {
            state.pending = due;
            state.actAt = Later(in.now, kHangUpNoticeSeconds);
            step.warn = due;
        }
    } else if (WallSeconds(in.now) >= WallSeconds(state.actAt)) {
        step.act = state.pending;
        state = Hold(state, state.pending, in.month);
    }
    step.state = state;
    return step;
}

GuardState AnswerContinue(GuardState state) {
    state.idleHeld = true;
    if (state.pending == HangUpReason::Idle)
        state.pending = HangUpReason::None;
    return state;
}

GuardState AnswerCancel(GuardState state, int32_t month) {
    return Hold(state, state.pending, month);
}

GuardState Hold(GuardState state, HangUpReason reason, int32_t month) {
    switch (reason) {
        case HangUpReason::Idle:
        case HangUpReason::User:
            state.idleHeld = true;
            break;
        case HangUpReason::Allowance:
            state.allowanceHeld = month;
            break;
        case HangUpReason::Budget:
            state.budgetHeld = month;
            break;
        case HangUpReason::At:
            state.atHeld = state.atDay;
            break;
        case HangUpReason::None:
            break;
    }
    if (state.pending == reason)
        state.pending = HangUpReason::None;
    return state;
}

std::string IdleReminderText(int64_t idleTenths, int64_t billedTenths,
                             const std::optional<std::string>& grown) {
    std::string text = "已连接但 " + MinutesText(idleTenths) + " 分钟没有流量，本次会话计费 " +
                       MinutesText(billedTenths) + " 分钟";
    if (grown)
        text += "，约 " + *grown;
    return text;
}

std::string ClockText(const LocalTime& time) {
    return TwoDigits(time.hour) + ":" + TwoDigits(time.minute);
}

std::string ReasonText(HangUpReason reason, const GuardConfig& config, int64_t idleTenths) {
    switch (reason) {
        case HangUpReason::Idle:
            return MinutesText(idleTenths) + " 分钟没有流量";
        case HangUpReason::Allowance:
            return "本月包时已用完";
        case HangUpReason::Budget:
            return "本月费用已达预算";
        case HangUpReason::At:
            return "已到 " + TwoDigits(config.atMinute.value_or(0) / 60) + ":" +
                   TwoDigits(config.atMinute.value_or(0) % 60);
        case HangUpReason::User:
            return "你选择了断开连接";
        case HangUpReason::None:
            break;
    }
    return std::string();
}

std::string WarningText(const std::string& link, const LocalTime& when, const std::string& reason) {
    return "将于 " + ClockText(when) + ":" + TwoDigits(when.second) + " 断开 " + link + "（" +
           reason + "）";
}

std::string HungUpText(const std::string& link, const std::string& reason) {
    return "已断开 " + link + "（" + reason + "）";
}

std::string HangUpFailedText(const std::string& link, const std::string& why) {
    return "无法断开 " + link + "：" + why;
}

std::string_view ReasonWord(HangUpReason reason) {
    switch (reason) {
        case HangUpReason::Idle:
            return "idle";
        case HangUpReason::Allowance:
            return "allowance";
        case HangUpReason::Budget:
            return "budget";
        case HangUpReason::At:
            return "at";
        case HangUpReason::User:
            return "user";
        case HangUpReason::None:
            break;
    }
    return "";
}

HangUpReason ReasonOfWord(std::string_view word) {
    for (const HangUpReason r : {HangUpReason::Idle, HangUpReason::Allowance, HangUpReason::Budget,
                                 HangUpReason::At, HangUpReason::User})
        if (ReasonWord(r) == word)
            return r;
    return HangUpReason::None;
}

}  // namespace kivrel
