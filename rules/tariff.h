// The provider's tariff and the bill of a billing month. Money is an integer count of the
// currency's smallest unit (分 for 元); minutes are counted in tenths; nothing is floating point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rules/bands.h"
#include "rules/ledger.h"

namespace kivrel {

struct Tariff {
    int32_t roundMinutes = 0;  // each session rounded up to a multiple of this; 0: not rounded
    int64_t fee = 0;           // per session
    int64_t base = 0;          // per billing month
    int64_t price = 0;         // per hour beyond the allowance
    std::string currency = "元";
    int32_t firstMinutes = 0;   // each session billed at least this, then in steps of the rounding
    std::vector<Band> bands{};  // read in order: the first that covers a moment wins
    // Whether anything is charged at all: a flat-rate user sets nothing and sees no charge.
    bool Charges() const {
        if (fee != 0 || base != 0 || price != 0)
            return true;
        for (const Band& b : bands)
            if (b.price.value_or(0) != 0)
                return true;
        return false;
    }
};

// The price per hour of time in `band` (of time outside every band: none).
int64_t PriceIn(const Band* band, int64_t tariffPrice);
// Free time: it does not use the included hours and costs nothing.
inline bool IsFree(const Band& band, int64_t tariffPrice) {
    return !band.counts && PriceIn(&band, tariffPrice) == 0;
}

// A session's counted tenths rounded up to the tariff's multiple of minutes.
int64_t BilledTenths(int64_t tenths, int32_t roundMinutes);
// A session's billed tenths: at least the first increment, then rounded up in steps beyond it.
int64_t BilledTenths(int64_t tenths, const Tariff& tariff);

// The time and charge of one band in a month, or of the time outside every band.
struct BandBill {
    std::optional<Band> band;   // none: outside every band
    int64_t tenths = 0;         // billed, the rounding surplus of sessions ending in it included
    int64_t chargedTenths = 0;  // charged at the band's price (beyond the allowance when it counts)
    int64_t charge = 0;         // price × chargedTenths / 60 minutes, rounded half up on its own
};

struct Bill {
    int64_t billedTenths = 0;  // the month's counted minutes plus what rounding adds per session
    int64_t sessions = 0;
    int64_t overTenths = 0;  // billed beyond the allowance
    int64_t baseCharge = 0;
    int64_t feeCharge = 0;   // fee × sessions
    int64_t overCharge = 0;  // the time charged at each band's price, rounded half up once
    int64_t total = 0;
    int64_t freeTenths = 0;       // in free bands, never in billedTenths
    std::vector<BandBill> bands;  // with bands only: each band that has time, then the rest
};

// The bill of a billing month whose stored total is `usedMinutes`, with its sessions (closed in
// the period, and the open one). The allowance is `allowanceHours` (none below 1: every billed
// minute is beyond it, a pay-as-you-go plan). Sessions are split between the bands by their
// real elapsed time (SpreadSession with `offsets`); a session's rounding surplus comes at its
// end, in the band it ends in. The part of the stored total that the sessions do not hold comes
// first, outside every band (below 0, it lowers that time, down to none). Included hours are
// used up by counted time in the order it happened; time beyond them is charged at the price of
// its band, and every minute of a band that does not count.
Bill ComputeBill(int64_t usedMinutes, const std::vector<Session>& sessions, int32_t allowanceHours,
                 const Tariff& tariff, const UtcOffsets& offsets = {});
// The same from the month's total in tenths, as the running program counts it.
Bill ComputeBillTenths(int64_t usedTenths, const std::vector<Session>& sessions,
                       int32_t allowanceHours, const Tariff& tariff,
                       const UtcOffsets& offsets = {});

// How much the month's bill grew since the open session `open` began: the bill with it (the
// month's total `usedTenths` holds its ticks) minus the bill of the month without it.
int64_t SessionCharge(int64_t usedTenths, std::vector<Session> closed, const Session& open,
                      int32_t allowanceHours, const Tariff& tariff, const UtcOffsets& offsets = {});

// A band's name in the texts: its Name, else "时段n"; the time outside every band is "其他时段".
std::string BandTitle(const std::optional<Band>& band);

}  // namespace kivrel
