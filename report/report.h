// The figures of the usage report (kivrel --report): the current billing month's figures, and
// beside them what only the report shows, gathered from what the settings file and the ledger
// hold: the period's days and the twelve billing months.
#pragma once

#include <optional>
#include <string>

#include "services/month_figures.h"
#include "report/report_page.h"
#include "services/settings_store.h"

namespace kivrel {

// `inputs` as ReadMonthInputs gives them from `settings`; the page is made at `inputs.now`.
// `first` is the ledger's first session, read from its start: the records began that day.
ReportFigures MakeReportFigures(const MonthInputs& inputs, const Settings& settings,
                                const std::string& settingsFile,
                                const std::optional<Session>& first = std::nullopt);

}  // namespace kivrel
