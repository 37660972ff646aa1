// The current billing month's figures for scripts and panels (kivrel --status), computed from
// the settings file's values alone: the same words and numbers as the window's status label, the
// billing period, and a forecast for the whole period.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/ledger.h"
#include "accounting/period.h"
#include "accounting/tariff.h"
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
    std::optional<std::string> link;  // the billed link carrying the route now, none offline
    std::vector<Session> sessions;    // this billing period's, the open one last
    Tariff tariff;
    Bill bill;
    int64_t idleTenths = 0;                // the idle minutes of the period's sessions
    std::optional<int64_t> idleRunTenths;  // online: how long the link has been idle now
    std::optional<LocalTime> hangUpAt;     // online: when an announced hang-up acts
};

// The sessions of the billing period: the ledger's (`ledgerText`) that end in it, and the one the
// settings hold open unless the ledger holds it already (it closed after the last save).
std::vector<Session> PeriodSessions(const Settings& settings, std::string_view ledgerText,
                                    const BillingPeriod& period);

// `link` is the billed link carrying the route now (BilledLink), none when it is offline.
StatusReport MakeStatusReport(const Settings& settings, std::string_view ledgerText,
                              const LocalDate& today, const std::optional<std::string>& link,
                              const std::string& settingsFile);

// One figure a line, lines ending in LF.
std::string StatusPlainText(const StatusReport& report);
// One JSON object on one line, ending in LF.
std::string StatusJson(const StatusReport& report);
// The period's sessions as the ledger stores them: the header, then a line each.
std::string SessionsCsv(const std::vector<Session>& sessions);

}  // namespace kivrel
