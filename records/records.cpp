#include "records/records.h"

#include "accounting/numbers.h"

namespace kivrel {

std::string MonthQueryText(int month, int64_t storedMinutes) {
    return DecimalText(month) + "月份使用了" + DecimalText(DivideHalfEven(storedMinutes, 60)) +
           "小时";
}

std::string PresetPrompt(int month) {
    return "预设" + DecimalText(month) + "月份已使用分钟数";
}

std::string PresetDoneText(int month, std::string_view entry) {
    return "预设" + DecimalText(month) + "月份已使用" + std::string(entry) + "分钟";
}

}  // namespace kivrel
