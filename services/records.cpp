#include "services/records.h"

#include <climits>

#include "vocabulary/numbers.h"
#include "vocabulary/texts.h"
#include "rules/year_stamp.h"

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

std::string MonthQuery(const SettingsStore& settings, int month, int billingMonth,
                       int32_t billingYear) {
    const MonthRecord record = settings.Read().Month(month);
    const int32_t minutes =
        month == billingMonth ? CurrentTotal(record, billingYear) : record.minutes;
    return MonthQueryText(month, minutes);
}

namespace {

constexpr MsgStyle kOkPlain{MsgButtons::Ok, MsgIcon::None, 0};

constexpr MsgStyle kWriteFailed{MsgButtons::Ok, MsgIcon::Critical, 0};

void ClearAll(SettingsStore& settings, IDialogs& boxes, const std::function<void()>& written) {
    const MsgAnswer answer = boxes.MsgBox(std::string(kClearQuestion), std::string(kClearAskTitle),
                                          MsgStyle{MsgButtons::YesNo, MsgIcon::None, 0});
    if (answer != MsgAnswer::Yes)
        return;
    const bool cleared = settings.Write([](Settings& all) {
        for (int month = 1; month <= 12; ++month)
            all.SetMonthMinutes(month, 0);
    });
    if (!cleared) {
        boxes.MsgBox(WriteFailedText(settings.Path()), std::string(kClearDoneTitle), kWriteFailed);
        return;
    }
    written();
    boxes.MsgBox(std::string(kClearDone), std::string(kClearDoneTitle), kOkPlain);
}

void Preset(int month, SettingsStore& settings, IDialogs& boxes, int billingMonth,
            int32_t billingYear, const std::function<void()>& written) {
    const std::string title(kPresetTitle);
    const std::string entry = boxes.InputBox(PresetPrompt(month), title, "0");
    const Answer answer = ReadAnswer(entry);
    // Entries that do not fit 32 bits are rejected like any other unusable entry.
    if (!answer.valid || answer.overflow || answer.rounded > INT32_MAX) {
        boxes.MsgBox(std::string(kPresetRejected), title,
                     MsgStyle{MsgButtons::Ok, MsgIcon::Question, 0});
        return;
    }
    const auto minutes = static_cast<int32_t>(answer.rounded);
    const int32_t year = PresetYear(month, billingMonth, billingYear);
    if (!settings.Write([&](Settings& all) { WriteStampedTotal(all, month, minutes, year); })) {
        boxes.MsgBox(WriteFailedText(settings.Path()), title, kWriteFailed);
        return;
    }
    written();
    boxes.MsgBox(PresetDoneText(month, entry), title, kOkPlain);
}

}  // namespace

void ClearOrPreset(int item, SettingsStore& settings, IDialogs& boxes, int billingMonth,
                   int32_t billingYear, const std::function<void()>& written) {
    if (item == 0)
        ClearAll(settings, boxes, written);
    else if (item >= 1 && item <= 12)
        Preset(item, settings, boxes, billingMonth, billingYear, written);
}

}  // namespace kivrel
