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
    // The network on it, none offline or when it is unknown (or not looked up), and whether the
    // system marks it as metered (none when it does not say).
    std::optional<std::string> network;
    std::optional<bool> metered;
    std::vector<Session> sessions;  // this billing period's, the open one last
    Tariff tariff;
    Bill bill;
    std::vector<std::string> warnings;  // what the figures had to leave out, a line each
};

// The sessions of the billing period: the ledger's that end in it (`ledger`, read back to the
// period's start), and the one the settings hold open unless the ledger holds it already (it
// closed after the last save).
std::vector<Session> PeriodSessions(const Settings& settings, LedgerRead ledger,
                                    const BillingPeriod& period);

// `link` is the billed link carrying the route now (BilledLink), none when it is offline;
// `offsets` the user's time zone, which places the sessions' time in the tariff's bands. The
// ledger is read back to the start of the billing period that `today` falls in.
StatusReport MakeStatusReport(const Settings& settings, LedgerRead ledger, const LocalDate& today,
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
// The period's sessions as the ledger stores them: the header, then a line each; a control
// character or a byte that is not UTF-8 in a link is shown as U+FFFD.
std::string SessionsCsv(const std::vector<Session>& sessions);

}  // namespace kivrel
