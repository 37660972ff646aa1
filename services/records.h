// The records of the twelve months: the month query, clearing them all, and a preset of one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ports/window_ports.h"
#include "services/settings_store.h"

namespace kivrel {

// "N月份使用了H小时", H being the stored minutes / 60 rounded half to even, shown as the number
// it is even where it does not fit 16 bits.
std::string MonthQueryText(int month, int64_t storedMinutes);

inline constexpr std::string_view kClearQuestion =
    "要使1-12月份数据全部归零吗？\r\nYes确定，No取消。";
inline constexpr std::string_view kClearAskTitle = "Kivrel全清数据";
inline constexpr std::string_view kClearDone = "已全清";
inline constexpr std::string_view kClearDoneTitle = "Kivrel数据全清";
inline constexpr std::string_view kPresetTitle = "Kivrel数据预设";
inline constexpr std::string_view kPresetRejected = "预设请输正数!\r\n预设没成功！";

// "预设N月份已使用分钟数"
std::string PresetPrompt(int month);
// "预设N月份已使用<entry as typed>分钟"
std::string PresetDoneText(int month, std::string_view entry);

// The month query's text for `month` while the accounting is in `billingMonth` of `billingYear`:
// the current month shows its current total, last year's total being no use of this year.
std::string MonthQuery(const SettingsStore& settings, int month, int billingMonth,
                       int32_t billingYear);

// Item `item` of the clear and preset list: 0 clears all twelve months after asking, 1 to 12
// presets that month to the minutes the user types (stamped with the year of its latest start).
// Asks and tells through `boxes`; `written` runs once the months are written, before the user is
// told.
void ClearOrPreset(int item, SettingsStore& settings, IDialogs& boxes, int billingMonth,
                   int32_t billingYear, const std::function<void()>& written);

}  // namespace kivrel
