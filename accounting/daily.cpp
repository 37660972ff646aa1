#include "accounting/daily.h"

#include <algorithm>
#include <map>

#include "accounting/billing.h"

namespace kivrel {

std::vector<DayUse> DailyUse(const BillingPeriod& period, const std::vector<Session>& sessions,
                             const LocalDate& today, const UtcOffsets& offsets,
                             const Tariff& tariff) {
    const int64_t first = DayNumber(period.first);
    const int64_t last = DayNumber(period.last);
    const int64_t todayNumber = DayNumber(today);
    std::optional<int64_t> began;
    std::map<int64_t, int64_t> perDay;
    std::map<int64_t, int64_t> freePerDay;
    for (const Session& s : sessions) {
        const int64_t startDay = DayNumber(s.start.date);
        began = began ? std::min(*began, startDay) : startDay;
        // Only a session near the period can fall in it: the others are not spread.
        if (DayNumber(s.end.date) < first - 1 || startDay > last + 1)
            continue;
        for (const SessionPiece& p : SpreadSession(s, offsets, tariff.bands)) {
            const int64_t day = DayNumber(p.date);
            perDay[day] += p.tenths;
            if (p.band && IsFree(tariff.bands[*p.band], tariff.price))
                freePerDay[day] += p.tenths;
        }
    }
    std::vector<DayUse> days;
    for (int64_t n = first; n <= last; ++n) {
        DayUse d;
        d.date = DateOfDayNumber(n);
        if (n > todayNumber)
            d.state = DayState::Future;
        else if (began && n >= *began) {
            d.state = DayState::Recorded;
            const auto found = perDay.find(n);
            d.tenths = found == perDay.end() ? 0 : found->second;
            const auto free = freePerDay.find(n);
            d.freeTenths = free == freePerDay.end() ? 0 : free->second;
        }
        days.push_back(d);
    }
    return days;
}

std::optional<int64_t> PaceTenths(int32_t allowanceHours, int64_t billedTenths, int64_t daysLeft) {
    if (!HasAllowance(allowanceHours))
        return std::nullopt;
    const int64_t rest = IncludedTenths(allowanceHours) - billedTenths;
    if (rest <= 0 || daysLeft <= 0)
        return 0;
    return rest / daysLeft;
}

}  // namespace kivrel
