#include "accounting/tariff.h"

#include "accounting/billing.h"

namespace kivrel {

int64_t BilledTenths(int64_t tenths, int32_t roundMinutes) {
    if (roundMinutes <= 0 || tenths <= 0)
        return tenths;
    const int64_t step = static_cast<int64_t>(roundMinutes) * 10;
    return (tenths + step - 1) / step * step;
}

Bill ComputeBill(int64_t usedMinutes, const std::vector<Session>& sessions, int32_t allowanceHours,
                 const Tariff& tariff) {
    Bill bill;
    // Minutes counted before the ledger existed, or preset by hand, count as they are; each
    // session adds what its rounding adds.
    bill.billedTenths = usedMinutes * 10;
    for (const Session& s : sessions)
        bill.billedTenths += BilledTenths(s.tenths, tariff.roundMinutes) - s.tenths;
    bill.sessions = static_cast<int64_t>(sessions.size());
    const int64_t includedTenths = IncludedTenths(allowanceHours);
    bill.overTenths = bill.billedTenths > includedTenths ? bill.billedTenths - includedTenths : 0;
    bill.baseCharge = tariff.base;
    bill.feeCharge = tariff.fee * bill.sessions;
    // price × tenths / 600, half up; whole hours first so that the product stays small.
    const int64_t hours = bill.overTenths / 600, rest = bill.overTenths % 600;
    bill.overCharge = tariff.price * hours + (tariff.price * rest * 2 + 600) / 1200;
    bill.total = bill.baseCharge + bill.feeCharge + bill.overCharge;
    return bill;
}

}  // namespace kivrel
