#include "rules/tariff.h"

#include <algorithm>

#include "rules/billing.h"

namespace kivrel {

int64_t BilledTenths(int64_t tenths, int32_t roundMinutes) {
    if (roundMinutes <= 0 || tenths <= 0)
        return tenths;
    const int64_t step = static_cast<int64_t>(roundMinutes) * 10;
    return (tenths + step - 1) / step * step;
}

int64_t BilledTenths(int64_t tenths, const Tariff& tariff) {
    const int64_t first = tariff.firstMinutes > 0 ? int64_t{tariff.firstMinutes} * 10 : 0;
    if (first == 0 || tenths <= 0)
        return BilledTenths(tenths, tariff.roundMinutes);
    return tenths <= first ? first : first + BilledTenths(tenths - first, tariff.roundMinutes);
}

int64_t PriceIn(const Band* band, int64_t tariffPrice) {
    return band && band->price ? *band->price : tariffPrice;
}

namespace {

// price × tenths / 600, half up; whole hours first so that the product stays small.
int64_t HourCharge(int64_t price, int64_t tenths) {
    return price * (tenths / 600) + (price * (tenths % 600) * 2 + 600) / 1200;
}

}  // namespace

Bill ComputeBill(int64_t usedMinutes, const std::vector<Session>& sessions, int32_t allowanceHours,
                 const Tariff& tariff, const UtcOffsets& offsets) {
    return ComputeBillTenths(usedMinutes * 10, sessions, allowanceHours, tariff, offsets);
}

int64_t SessionCharge(int64_t usedTenths, std::vector<Session> closed, const Session& open,
                      int32_t allowanceHours, const Tariff& tariff, const UtcOffsets& offsets) {
    const int64_t before =
        ComputeBillTenths(usedTenths - open.tenths, closed, allowanceHours, tariff, offsets).total;
    closed.push_back(open);
    return ComputeBillTenths(usedTenths, closed, allowanceHours, tariff, offsets).total - before;
}

namespace {

// A stretch of billed time in one slot: a band's index, or the band count for time outside every
// band.
struct Step {
    size_t slot;
    int64_t tenths;
};

// The time of the sessions in the order it happened, each piece in its band, and each session's
// rounding surplus at its end; first, the minutes counted before the ledger existed, or preset by
// hand, outside every band.
std::vector<Step> StepsInOrder(int64_t usedTenths, const std::vector<Session>& sessions,
                               const Tariff& tariff, const UtcOffsets& offsets) {
    const size_t outsideSlot = tariff.bands.size();
    std::vector<const Session*> ordered;
    for (const Session& s : sessions)
        ordered.push_back(&s);
    // The order matters only where time lies in bands: without them every step is the same
    // slot's.
    if (!tariff.bands.empty()) {
        std::stable_sort(ordered.begin(), ordered.end(), [](const Session* a, const Session* b) {
            return EpochSeconds(a->start) < EpochSeconds(b->start);
        });
    }
    std::vector<Step> steps;
    int64_t held = 0, outside = 0;
    for (const Session* s : ordered) {
        held += std::max<int64_t>(0, s->tenths);  // SpreadSession leaves nothing else
        size_t last = outsideSlot;
        // Without bands all of a session's time lies outside them: no need to place it in time.
        if (tariff.bands.empty() && s->tenths > 0)
            steps.push_back({outsideSlot, s->tenths});
        else
            for (const SessionPiece& p : SpreadSession(*s, offsets, tariff.bands)) {
                last = p.band.value_or(outsideSlot);
                steps.push_back({last, p.tenths});
            }
        steps.push_back({last, BilledTenths(s->tenths, tariff) - s->tenths});
    }
    for (const Step& step : steps)
        outside += step.slot == outsideSlot ? step.tenths : 0;
    int64_t rest = usedTenths - held;
    if (!tariff.bands.empty() && rest < -outside)
        rest = -outside;
    steps.insert(steps.begin(), Step{outsideSlot, rest});
    return steps;
}

struct Slot {
    int64_t tenths = 0, charged = 0;
};

// Each slot's time, and what of it is charged: the included hours are used up by counted time in
// the order it happened; every minute of a band that does not count is charged.
std::vector<Slot> ChargeSlots(const std::vector<Step>& steps, int32_t allowanceHours,
                              const Tariff& tariff) {
    std::vector<Slot> slots(tariff.bands.size() + 1);
    int64_t left = IncludedTenths(allowanceHours);
    for (const Step& step : steps) {
        Slot& slot = slots[step.slot];
        slot.tenths += step.tenths;
        if (step.slot < tariff.bands.size() && !tariff.bands[step.slot].counts) {
            slot.charged += step.tenths;
            continue;
        }
        const int64_t included = std::min(left, step.tenths);
        left -= included;
        slot.charged += step.tenths - included;
    }
    return slots;
}

}  // namespace

Bill ComputeBillTenths(int64_t usedTenths, const std::vector<Session>& sessions,
                       int32_t allowanceHours, const Tariff& tariff, const UtcOffsets& offsets) {
    Bill bill;
    bill.sessions = static_cast<int64_t>(sessions.size());
    const size_t outsideSlot = tariff.bands.size();
    const std::vector<Slot> slots =
        ChargeSlots(StepsInOrder(usedTenths, sessions, tariff, offsets), allowanceHours, tariff);

    int64_t wholeHours = 0, hourParts = 0;
    for (size_t i = 0; i <= outsideSlot; ++i) {
        const Band* band = i < outsideSlot ? &tariff.bands[i] : nullptr;
        const int64_t price = PriceIn(band, tariff.price);
        const Slot& slot = slots[i];
        if (!band || band->counts) {
            bill.billedTenths += slot.tenths;
            bill.overTenths += slot.charged;
        } else if (IsFree(*band, tariff.price)) {
            bill.freeTenths += slot.tenths;
        }
        wholeHours += price * (slot.charged / 600);
        hourParts += price * (slot.charged % 600);
        if (!tariff.bands.empty() && (!band || slot.tenths != 0)) {
            bill.bands.push_back({band ? std::optional<Band>(*band) : std::nullopt, slot.tenths,
                                  slot.charged, HourCharge(price, slot.charged)});
        }
    }
    bill.baseCharge = tariff.base;
    bill.feeCharge = tariff.fee * bill.sessions;
    bill.overCharge = wholeHours + (hourParts * 2 + 600) / 1200;
    bill.total = bill.baseCharge + bill.feeCharge + bill.overCharge;
    return bill;
}

std::string BandTitle(const std::optional<Band>& band) {
    if (!band)
        return "其他时段";
    return band->name.empty() ? "时段" + std::to_string(band->number) : band->name;
}

}  // namespace kivrel
