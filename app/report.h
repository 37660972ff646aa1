// The figures of the usage report (kivrel --report), gathered from what the settings file and the
// ledger hold: the current billing month, its days and bill, the twelve billing months and the
// period's sessions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounting/ledger.h"
#include "accounting/tariff.h"
#include "app/report_page.h"
#include "settings/settings_store.h"

namespace kivrel {

struct ReportInputs {
    Settings settings;                  // the values of the settings file
    Tariff tariff;                      // the provider's tariff as the settings give it
    std::vector<Session> ledger;        // the closed sessions read back to the period's start
    std::optional<Session> first;       // the ledger's first session: the records began that day
    std::optional<Session> open;        // the session going on
    std::vector<std::string> warnings;  // what the figures leave out, and why
};

// What the settings and the ledger (read back to the period's start, its first session read
// from its start) hold for the report; `ledgerPath` names the ledger in a warning.
ReportInputs ReadReportInputs(Settings settings, LedgerRead ledger, std::optional<Session> first,
                              const std::string& ledgerPath);

// `offsets`: the user's time zone, which places the sessions' time in days and bands.
ReportFigures MakeReportFigures(const ReportInputs& inputs, const LocalTime& now,
                                const std::string& settingsFile, const UtcOffsets& offsets = {});

}  // namespace kivrel
