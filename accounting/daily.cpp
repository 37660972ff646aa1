#include "accounting/daily.h"

#include <algorithm>
#include <map>

#include "accounting/billing.h"

namespace kivrel {

namespace {

constexpr int64_t kDaySeconds = 86400;

// Seconds of a wall-clock reading since 1970-01-01 00:00 on the same clock: midnights fall on
// whole multiples of a day, whatever the offset from UTC.
int64_t WallSeconds(const LocalTime& t) {
    return DayNumber(t.date) * kDaySeconds + t.hour * 3600 + t.minute * 60 + t.second;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// tenths × part / whole, rounded down, without overflowing for any part within the whole.
int64_t ShareOf(int64_t tenths, int64_t part, int64_t whole) {
    return tenths / whole * part + tenths % whole * part / whole;
}

}  // namespace

std::vector<DayUse> DailyUse(const BillingPeriod& period, const std::vector<Session>& sessions,
                             const LocalDate& today) {
    const int64_t first = DayNumber(period.first);
    const int64_t last = DayNumber(period.last);
    const int64_t todayNumber = DayNumber(today);
    std::optional<int64_t> began;
    std::map<int64_t, int64_t> perDay, idlePerDay;
    // The tenths before each midnight inside the span, rounded down; each day takes the
    // difference, so that the shares add up to the whole.
    const auto spread = [](std::map<int64_t, int64_t>& days, int64_t tenths, int64_t start,
                           int64_t end) {
        if (end <= start) {
            days[FloorDiv(end, kDaySeconds)] += tenths;
            return;
        }
        int64_t given = 0;
        for (int64_t day = FloorDiv(start, kDaySeconds); day <= FloorDiv(end - 1, kDaySeconds);
             ++day) {
            const int64_t upTo = std::min(end, (day + 1) * kDaySeconds);
            const int64_t before =
                upTo == end ? tenths : ShareOf(tenths, upTo - start, end - start);
            days[day] += before - given;
            given = before;
        }
    };
    for (const Session& s : sessions) {
        const int64_t startDay = DayNumber(s.start.date);
        began = began ? std::min(*began, startDay) : startDay;
        if (s.tenths <= 0)
            continue;
        spread(perDay, s.tenths, WallSeconds(s.start), WallSeconds(s.end));
        if (s.idleTenths > 0)
            spread(idlePerDay, s.idleTenths, WallSeconds(s.start), WallSeconds(s.end));
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
    const int64_t rest = int64_t{allowanceHours} * 600 - billedTenths;
    if (rest <= 0 || daysLeft <= 0)
        return 0;
    return rest / daysLeft;
}

}  // namespace kivrel
