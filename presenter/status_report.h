// The current billing month's figures for scripts and panels (kivrel --status, --sessions): the
// same words and numbers as the window's status label, the billing period, a forecast for the
// whole period, the plan and the bill, all read from the month's figures.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "services/month_figures.h"
#include "rules/network.h"
#include "services/settings_store.h"

namespace kivrel {

struct StatusReport {
    MonthFigures month;
    std::string settingsFile;
};

// `link` is the billed link carrying the route now (BilledLink), none when it is offline;
// `offsets` the user's time zone, which places the sessions' time in days and the tariff's bands.
// The ledger is read back to the start of the billing period that `now` falls in.
StatusReport MakeStatusReport(const Settings& settings, LedgerRead ledger, const LocalTime& now,
                              const std::optional<std::string>& link,
                              const std::string& settingsFile, const UtcOffsets& offsets = {});

// The billed connection's network in the report; `looked` is the system's list of networks, null
// when not looked up. A list that could not be had gives a warning.
void SetBilledNetwork(StatusReport& report, const std::optional<BilledConnection>& billed,
                      const NetworkList* looked);

// One figure a line, lines ending in LF; a warning a line after them. No control character and
// nothing that is not UTF-8 from the files reaches the terminal.
std::string StatusPlainText(const StatusReport& report);
// One JSON object on one line, ending in LF: valid JSON whatever the files hold (what is not
// UTF-8 becomes U+FFFD, every control character is escaped).
std::string StatusJson(const StatusReport& report);
// The period's sessions as the ledger stores them: the header, then a line each, the open one
// last; a control character or a byte that is not UTF-8 in a link is shown as U+FFFD.
std::string SessionsCsv(const MonthFigures& figures);

}  // namespace kivrel
