// The texts of the month query and of clear and preset.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace kivrel
