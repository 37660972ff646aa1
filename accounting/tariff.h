// The provider's tariff and the bill of a billing month. Money is an integer count of the
// currency's smallest unit (分 for 元); minutes are counted in tenths; nothing is floating point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "accounting/ledger.h"

namespace kivrel {

struct Tariff {
    int32_t roundMinutes = 0;  // each session rounded up to a multiple of this; 0: not rounded
    int64_t fee = 0;           // per session
    int64_t base = 0;          // per billing month
    int64_t price = 0;         // per hour beyond the allowance
    std::string currency = "元";
    // Whether anything is charged at all: a flat-rate user sets nothing and sees no charge.
    bool Charges() const { return fee != 0 || base != 0 || price != 0; }
};

// A session's counted tenths rounded up to the tariff's multiple of minutes.
int64_t BilledTenths(int64_t tenths, int32_t roundMinutes);

struct Bill {
    int64_t billedTenths = 0;  // the month's counted minutes plus what rounding adds per session
    int64_t sessions = 0;
    int64_t overTenths = 0;  // billed beyond the allowance
    int64_t baseCharge = 0;
    int64_t feeCharge = 0;   // fee × sessions
    int64_t overCharge = 0;  // price × hours beyond the allowance, rounded half up
    int64_t total = 0;
};

// The bill of a billing month whose stored total is `usedMinutes`, with its sessions (closed in
// the period, and the open one). The allowance is `allowanceHours` (none below 1: every billed
// minute is beyond it, a pay-as-you-go plan).
Bill ComputeBill(int64_t usedMinutes, const std::vector<Session>& sessions, int32_t allowanceHours,
                 const Tariff& tariff);
// The same from the month's total in tenths, as the running program counts it.
Bill ComputeBillTenths(int64_t usedTenths, const std::vector<Session>& sessions,
                       int32_t allowanceHours, const Tariff& tariff);

// How much the month's bill grew since the open session `open` began: the bill with it (the
// month's total `usedTenths` holds its ticks) minus the bill of the month without it.
int64_t SessionCharge(int64_t usedTenths, std::vector<Session> closed, const Session& open,
                      int32_t allowanceHours, const Tariff& tariff);

// Money as people read it: the unit with two decimals, "11.53 元", "-0.05 元".
std::string MoneyText(int64_t amount, const std::string& currency);

// Minutes from tenths with at most one decimal: "12", "12.3".
std::string MinutesText(int64_t tenths);

}  // namespace kivrel
