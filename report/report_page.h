// The usage report: one self-contained HTML page (inline CSS and SVG, no script, nothing fetched)
// made from plain figures, the same bytes from both programs. It shows the current billing month:
// its figures and bill, its days as a bar chart with the daily pace, the twelve billing months,
// and the period's sessions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vocabulary/calendar.h"
#include "rules/daily.h"
#include "services/month_figures.h"

namespace kivrel {

inline constexpr const char* kReportFileName = "report.html";

// One billing month of the year chart.
struct MonthBar {
    int month = 1;                           // 1..12
    std::optional<int32_t> year;             // its total's year stamp; none without one
    int64_t minutes = 0;                     // its total
    std::optional<int64_t> lastYearMinutes;  // the same month's total a year before, when kept
    bool current = false;                    // the billing month the report is about
};

struct ReportFigures {
    MonthFigures month;            // the billing month's figures, as every output reads them
    LocalTime made;                // when the page was made
    std::string settingsFile;      // the file the figures were read from
    std::vector<DayUse> days;      // each day of the period
    std::vector<MonthBar> months;  // the twelve billing months, the oldest first
};

// What every page carries in its head, so that a page of Kivrel's is known for one.
inline constexpr std::string_view kGeneratorMeta = "<meta name=\"generator\" content=\"Kivrel\">";

// Whether the existing file `text` is a usage report of Kivrel's: it carries kGeneratorMeta, or,
// made by an earlier version, its title begins with "Kivrel 用量报告".
bool IsReportPage(std::string_view text);

// Text made safe to stand in HTML text and attribute values: & < > " ' as references; bytes
// that are not UTF-8, and control characters other than tab and line feed, as U+FFFD.
std::string HtmlEscape(std::string_view text);

// The whole page, UTF-8, lines ending in LF.
std::string ReportPage(const ReportFigures& figures);

}  // namespace kivrel
