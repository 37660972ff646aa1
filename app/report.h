// The figures of the usage report (kivrel --report), gathered from what the settings file and the
// ledger hold: the current billing month, its days and bill, the twelve billing months and the
// period's sessions.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/ledger.h"
#include "accounting/tariff.h"
#include "app/report_page.h"

namespace kivrel {

// What one month section holds.
struct MonthRecord {
    int32_t minutes = 0;              // its total
    int32_t year = 0;                 // its year stamp, 0 without one
    std::map<int32_t, int32_t> past;  // totals of earlier years, by year
};

struct ReportInputs {
    int32_t billingDay = 0;
    int32_t allowanceHours = 0;
    std::array<MonthRecord, 12> months;  // month 1 first
    Tariff tariff;
    std::vector<Session> ledger;  // the closed sessions, in file order
    std::optional<Session> open;  // the session going on
};

// The report's figures at `now`. The twelve billing months end with the current one; each shows
// its total as stamped, and the total of the year before its stamp when one was kept. The current
// month shows its current total: a total stamped with an earlier year is last year's. The
// period's sessions are the ledger's that end in it, then the open one.
// What the settings text and the ledger's text hold for the report.
ReportInputs ReadReportInputs(std::string_view settingsText, std::string_view ledgerText);

ReportFigures MakeReportFigures(const ReportInputs& inputs, const LocalTime& now,
                                const std::string& settingsFile);

}  // namespace kivrel
