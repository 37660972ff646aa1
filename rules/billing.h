// The billing month, the month's minute total and the texts the accounting shows.
#pragma once

#include <cstdint>
#include <string>

namespace kivrel {

// The billing month of a date for billing day d: a billing month closes on day d and is named
// after the calendar month in which it closes. A day of the month greater than d belongs to the
// next month's billing month (12 is followed by 1); d = 0, and d of 31 or more, give the calendar
// month. The billing day is taken as a 16-bit value; a hand-edited value beyond that range
// saturates (above 32767 acts as the month end, below -32768 as any other negative day).
int BillingMonthOf(int month, int dayOfMonth, int32_t billingDay);

// The minute total of a billing month, held as a whole number of tenths of a minute so that
// every online tick adds exactly one tenth, at any total.
class MinuteTotal {
  public:
    MinuteTotal() = default;
    static MinuteTotal FromWholeMinutes(int64_t minutes) { return MinuteTotal(minutes * 10); }

    void AddTick() { tenths_ += 1; }
    int64_t Tenths() const { return tenths_; }
    // Whole minutes, rounded half to even: the value a save stores.
    int64_t RoundedMinutes() const;
    friend bool operator==(const MinuteTotal&, const MinuteTotal&) = default;

  private:
    explicit MinuteTotal(int64_t tenths) : tenths_(tenths) {}
    int64_t tenths_ = 0;
};

// Whether the month has an allowance: any allowance but 0 (a flat rate). A hand-edited negative
// allowance is one too: nothing of it is left from the start.
constexpr bool HasAllowance(int64_t quotaHours) {
    return quotaHours != 0;
}

// The tenths an allowance includes: none without one, and none of a negative one.
constexpr int64_t IncludedTenths(int64_t quotaHours) {
    return quotaHours > 0 ? quotaHours * 600 : 0;
}

// The figures a tick shows, from the total before the tick's own increment, each rounded half to
// even: used minutes M and hours H, remaining minutes R (allowance × 60 − used, a negative
// allowance counting as 0) and hours RH (R / 60). They are computed exactly, and shown as the
// numbers they are, however large.
struct TickFigures {
    int64_t usedMinutes = 0;
    int64_t usedHours = 0;
    int64_t remainingMinutes = 0;
    int64_t remainingHours = 0;
};
TickFigures ComputeFigures(MinuteTotal used, int64_t quotaHours);

// The status text of Label1, lines ending in CR LF; "本月剩余…" only with an allowance.
std::string StatusText(bool connected, int month, const TickFigures& figures, int64_t quotaHours);

// Label3: "包月" for 0, else "包时n小时".
std::string AllowanceText(int64_t quotaHours);
// Label4 at start-up: "结算为月底" for 0, else "结算为d号".
std::string BillingDayText(int64_t billingDay);

}  // namespace kivrel
