// The current billing month's figures for scripts and panels (kivrel --status, --sessions): the
// same words and numbers as the window's status label, the billing period, a forecast for the
// whole period, the plan and the bill, all read from the month's figures.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "accounting/month_figures.h"
#include "settings/settings_store.h"

namespace kivrel {

struct StatusReport {
    MonthFigures month;
    std::string settingsFile;
};

// `link` is the billed link carrying the route now (BilledLink), none when it is offline.
StatusReport MakeStatusReport(const Settings& settings, std::string_view ledgerText,
                              const LocalTime& now, const std::optional<std::string>& link,
                              const std::string& settingsFile);

// One figure a line, lines ending in LF.
std::string StatusPlainText(const StatusReport& report);
// One JSON object on one line, ending in LF.
std::string StatusJson(const StatusReport& report);
// The period's sessions as the ledger stores them: the header, then a line each, the open one
// last.
std::string SessionsCsv(const MonthFigures& figures);

}  // namespace kivrel
