#include "accounting/tariff.h"

namespace kivrel {

int64_t BilledTenths(int64_t tenths, int32_t roundMinutes) {
    if (roundMinutes <= 0 || tenths <= 0)
        return tenths;
    const int64_t step = static_cast<int64_t>(roundMinutes) * 10;
    return (tenths + step - 1) / step * step;
}

Bill ComputeBill(int64_t usedMinutes, const std::vector<Session>& sessions, int32_t allowanceHours,
                 const Tariff& tariff) {
    return ComputeBillTenths(usedMinutes * 10, sessions, allowanceHours, tariff);
}

int64_t SessionCharge(int64_t usedTenths, std::vector<Session> closed, const Session& open,
                      int32_t allowanceHours, const Tariff& tariff) {
    const int64_t before =
        ComputeBillTenths(usedTenths - open.tenths, closed, allowanceHours, tariff).total;
    closed.push_back(open);
    return ComputeBillTenths(usedTenths, closed, allowanceHours, tariff).total - before;
}

Bill ComputeBillTenths(int64_t usedTenths, const std::vector<Session>& sessions,
                       int32_t allowanceHours, const Tariff& tariff) {
    Bill bill;
    // Minutes counted before the ledger existed, or preset by hand, count as they are; each
    // session adds what its rounding adds.
    bill.billedTenths = usedTenths;
    for (const Session& s : sessions)
        bill.billedTenths += BilledTenths(s.tenths, tariff.roundMinutes) - s.tenths;
    bill.sessions = static_cast<int64_t>(sessions.size());
    const int64_t includedTenths = allowanceHours > 0 ? int64_t{allowanceHours} * 600 : 0;
    bill.overTenths = bill.billedTenths > includedTenths ? bill.billedTenths - includedTenths : 0;
    bill.baseCharge = tariff.base;
    bill.feeCharge = tariff.fee * bill.sessions;
    // price × tenths / 600, half up; whole hours first so that the product stays small.
    const int64_t hours = bill.overTenths / 600, rest = bill.overTenths % 600;
    bill.overCharge = tariff.price * hours + (tariff.price * rest * 2 + 600) / 1200;
    bill.total = bill.baseCharge + bill.feeCharge + bill.overCharge;
    return bill;
}

std::string MoneyText(int64_t amount, const std::string& currency) {
    const bool negative = amount < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(amount) : amount;
    const uint64_t cents = magnitude % 100;
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    text += ' ';
    text += currency;
    return text;
}

std::string MinutesText(int64_t tenths) {
    const std::string text = TenthsText(tenths);
    return tenths % 10 == 0 ? text.substr(0, text.size() - 2) : text;
}

}  // namespace kivrel
