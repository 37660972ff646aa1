// The billing period day by day, from the ledger of sessions: how many minutes each day of the
// period was online, and the daily pace that would just use up what remains of the allowance.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "vocabulary/calendar.h"
#include "rules/ledger.h"
#include "rules/period.h"
#include "rules/tariff.h"

namespace kivrel {

enum class DayState {
    NoRecords,  // before the ledger began: nothing is known of it, which is not the same as 0
    Recorded,   // the ledger covers it
    Future,     // after today
};

struct DayUse {
    LocalDate date;
    DayState state = DayState::NoRecords;
    int64_t tenths = 0;      // 0 unless recorded
    int64_t freeTenths = 0;  // the part of them in free bands
    int64_t idleTenths = 0;  // the part of them that was idle, spread as the tenths are
};

// The tenths of each day of `period`, first to last. `sessions` are the ledger's sessions with
// the open one among them; only the part of each that falls in the period counts. A session that
// spans midnight counts on both days: its ticks are spread evenly over its real elapsed time,
// local midnights placed by `offsets` (SpreadSession), each day taking its share (the shares
// rounded down where they add up, so that the days together hold exactly the session's tenths);
// a session whose end is not after its start counts on its end day. The part in the tariff's
// free bands is told apart. The ledger began on the day its earliest session started; without a
// session at all, no day has records.
std::vector<DayUse> DailyUse(const BillingPeriod& period, const std::vector<Session>& sessions,
                             const LocalDate& today, const UtcOffsets& offsets = {},
                             const Tariff& tariff = {});

// The tenths of a minute a day that would just use up what remains of an allowance of
// `allowanceHours` over `daysLeft` days (today counted), when `billedTenths` are used: the rest
// divided by the days, rounded down so that keeping to it never goes over. None without an
// allowance (a flat rate); 0 when nothing remains (also of a negative allowance).
std::optional<int64_t> PaceTenths(int32_t allowanceHours, int64_t billedTenths, int64_t daysLeft);

}  // namespace kivrel
