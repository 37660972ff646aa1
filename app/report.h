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
    std::vector<Session> ledger;        // the closed sessions, in file order
    std::optional<Session> open;        // the session going on
    std::vector<std::string> warnings;  // settings that could not be read
};

// What the settings and the ledger's text hold for the report.
ReportInputs ReadReportInputs(Settings settings, std::string_view ledgerText);

// `offsets`: the user's time zone, which places the sessions' time in days and bands.
ReportFigures MakeReportFigures(const ReportInputs& inputs, const LocalTime& now,
                                const std::string& settingsFile, const UtcOffsets& offsets = {});

}  // namespace kivrel
