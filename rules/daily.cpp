#include "rules/daily.h"

#include <algorithm>
#include <map>

#include "rules/billing.h"

namespace kivrel {

std::vector<DayUse> DailyUse(const BillingPeriod& period, const std::vector<Session>& sessions,
                             const LocalDate& today, const UtcOffsets& offsets,
                             const Tariff& tariff) {
    const int64_t first = DayNumber(period.first);
    const int64_t last = DayNumber(period.last);
    const int64_t todayNumber = DayNumber(today);
    std::optional<int64_t> began;
    std::map<int64_t, int64_t> perDay, freePerDay, idlePerDay;
    for (const Session& s : sessions) {
        const int64_t startDay = DayNumber(s.start.date);
        began = began ? std::min(*began, startDay) : startDay;
        // Only a session near the period can fall in it: the others are not spread.
        if (DayNumber(s.end.date) < first - 1 || startDay > last + 1)
            continue;
        // The idle tenths go with the session's tenths: each piece takes what the pieces up to
        // its end hold of them, rounded down, less what the pieces before took.
        int64_t upTo = 0, idleGiven = 0;
        for (const SessionPiece& p : SpreadSession(s, offsets, tariff.bands)) {
            const int64_t day = DayNumber(p.date);
            perDay[day] += p.tenths;
            if (p.band && IsFree(tariff.bands[*p.band], tariff.price))
                freePerDay[day] += p.tenths;
            upTo += p.tenths;
            if (s.idleTenths > 0 && s.tenths > 0) {
                const int64_t idle =
                    upTo >= s.tenths ? s.idleTenths : s.idleTenths * upTo / s.tenths;
                idlePerDay[day] += idle - idleGiven;
                idleGiven = idle;
            }
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
            const auto idle = idlePerDay.find(n);
            d.idleTenths = idle == idlePerDay.end() ? 0 : std::min(d.tenths, idle->second);
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
