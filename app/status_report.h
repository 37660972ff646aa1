// The current billing month's figures for scripts and panels (kivrel --status), computed from
// the settings file's values alone: the same words and numbers as the window's status label, the
// billing period, and a forecast for the whole period.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "accounting/period.h"
#include "settings/settings_store.h"

namespace kivrel {

struct StatusReport {
    BillingPeriod period;
    int64_t daysLeft = 0;     // today to the closing date, both counted
    int64_t usedMinutes = 0;  // the stored whole minutes of the billing month
    int32_t allowanceHours = 0;
    std::optional<int64_t> remainingMinutes;  // none for a flat rate
    int64_t forecastMinutes = 0;
    bool online = false;
    std::string settingsFile;
};

StatusReport MakeStatusReport(const Settings& settings, const LocalDate& today, bool online,
                              const std::string& settingsFile);

// One figure a line, lines ending in LF.
std::string StatusPlainText(const StatusReport& report);
// One JSON object on one line, ending in LF.
std::string StatusJson(const StatusReport& report);

}  // namespace kivrel
