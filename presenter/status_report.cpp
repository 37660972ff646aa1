#include "presenter/status_report.h"

#include "vocabulary/numbers.h"
#include "vocabulary/safe_text.h"
#include "services/session_ledger.h"
#include "vocabulary/texts.h"
#include "rules/year_stamp.h"

namespace kivrel {

namespace {

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        const std::string_view sequence = text.substr(i, length);
        i += length;
        if (IsControlSequence(sequence)) {
            // The code point is the byte itself, or the second byte of C2 80..C2 9F.
            const auto code = static_cast<unsigned char>(sequence.back());
            out += "\\u00";
            out += kHex[code >> 4];
            out += kHex[code & 0xF];
        } else if (sequence == "\"" || sequence == "\\") {
            out += '\\';
            out += sequence;
        } else {
            out += sequence;
        }
    }
    return out + "\"";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            json += ',';
        json += JsonString(texts[i]);
    }
    json += ']';
    return json;
}

}  // namespace

StatusReport MakeStatusReport(const Settings& settings, LedgerRead ledger, const LocalTime& now,
                              const std::optional<std::string>& link,
                              const std::string& settingsFile, const UtcOffsets& offsets) {
    return StatusReport{MakeMonthFigures(ReadMonthInputs(settings, std::move(ledger), now, link,
                                                         settingsFile, offsets)),
                        settingsFile};
}

void SetBilledNetwork(StatusReport& report, const std::optional<BilledConnection>& billed,
                      const NetworkList* looked) {
    MonthFigures& f = report.month;
    f.network.reset();
    f.metered.reset();
    if (billed && !billed->network.empty())
        f.network = billed->network;
    if (billed)
        f.metered = billed->metered;
    if (looked && !looked->known)
        f.warnings.push_back(NetworkWarning(*looked));
}

std::string StatusPlainText(const StatusReport& report) {
    const MonthFigures& f = report.month;
    // The label's lines end in CR LF; a terminal or a panel wants LF.
    std::string lines;
    for (const char c : WindowStatusText(f))
        if (c != '\r')
            lines += c;
    if (!lines.empty() && lines.back() != '\n')
        lines += '\n';
    lines += "计费周期：" + IsoDate(f.period.first) + "至" + IsoDate(f.period.last) + "，还剩" +
             DecimalText(f.daysLeft) + "天\n";
    lines += "预计本月共用" + DecimalText(f.forecastMinutes) + "分钟\n";
    if (f.link && !f.link->empty())
        lines += "计费链路：" + PrintableText(*f.link) + "\n";
    if (f.network)
        lines += "计费网络：" + PrintableText(*f.network) + "\n";
    lines += "计费方式：" + PlanText(f) + "\n";
    lines += "本期会话：" + DecimalText(static_cast<int64_t>(f.sessions.size())) + "次\n";
    lines += "计费时长：" + MinutesText(f.bill.billedTenths) + "分钟\n";
    if (const std::optional<BilledRemainder> rest = BilledRemainderOf(f))
        lines += rest->name + "：" + MinutesText(rest->tenths) + "分钟\n";
    for (const BandBill& b : f.bill.bands) {
        if (b.tenths == 0)
            continue;
        lines += PrintableText(BandTitle(b.band)) + "：" + MinutesText(b.tenths) + "分钟";
        if (b.band && IsFree(*b.band, f.tariff.price))
            lines += "，免费";
        else if (f.tariff.Charges())
            lines += "，" + PrintableText(MoneyText(b.charge, f.tariff.currency));
        lines += "\n";
    }
    if (f.tariff.Charges())
        lines += "本月费用：" + PrintableText(MoneyText(f.bill.total, f.tariff.currency)) + "\n";
    if (f.idleTenths > 0)
        lines += "本期空闲：" + MinutesText(f.idleTenths) + "分钟\n";
    if (f.idleRunTenths)
        lines += "空闲：" + MinutesText(*f.idleRunTenths) + " 分钟\n";
    if (f.hangUpAt)
        lines += "将于 " + ClockText(*f.hangUpAt) + " 断开\n";
    for (const std::string& warning : f.warnings)
        lines += "注意：" + PrintableText(warning) + "\n";
    return lines;
}

std::string StatusJson(const StatusReport& report) {
    const MonthFigures& f = report.month;
    const auto optional = [](const std::optional<int64_t>& value) {
        return value ? DecimalText(*value) : std::string("null");
    };
    std::string json = "{";
    json += "\"billing_month\":" + DecimalText(f.period.month);
    json += ",\"period_start\":\"" + IsoDate(f.period.first) + "\"";
    json += ",\"period_end\":\"" + IsoDate(f.period.last) + "\"";
    json += ",\"days_left\":" + DecimalText(f.daysLeft);
    json += ",\"used_minutes\":" + DecimalText(f.counted.usedMinutes);
    json += ",\"allowance_hours\":" + DecimalText(f.allowanceHours);
    json += ",\"remaining_minutes\":" + optional(f.remainingMinutes);
    json += ",\"forecast_minutes\":" + DecimalText(f.forecastMinutes);
    json += std::string(",\"online\":") + (f.online ? "true" : "false");
    json += ",\"settings_file\":" + JsonString(report.settingsFile);
    json += ",\"link\":" + (f.link ? JsonString(*f.link) : std::string("null"));
    json += ",\"network\":" + (f.network ? JsonString(*f.network) : std::string("null"));
    json += std::string(",\"metered\":") + (!f.metered ? "null" : *f.metered ? "true" : "false");
    json += ",\"sessions\":" + DecimalText(static_cast<int64_t>(f.sessions.size()));
    json += ",\"billed_minutes\":" + MinutesText(f.bill.billedTenths);
    json += ",\"bill_cents\":" + DecimalText(f.tariff.Charges() ? f.bill.total : 0);
    json += ",\"currency\":" + JsonString(f.tariff.currency);
    json += std::string(",\"plan\":\"") + PlanKey(f.plan) + "\"";
    json += ",\"remaining_billed_minutes\":" +
            (f.remainingBilledTenths ? MinutesText(*f.remainingBilledTenths) : std::string("null"));
    json += ",\"idle_minutes\":" + MinutesText(f.idleTenths);
    json += ",\"hang_up_at\":" +
            (f.hangUpAt ? JsonString(IsoDateTime(*f.hangUpAt)) : std::string("null"));
    // With time bands: the free time, and each band that has time with the rest last.
    if (!f.tariff.bands.empty()) {
        json += ",\"free_minutes\":" + MinutesText(f.bill.freeTenths);
        json += ",\"bands\":[";
        for (size_t i = 0; i < f.bill.bands.size(); ++i) {
            const BandBill& b = f.bill.bands[i];
            const bool named = b.band && !b.band->name.empty();
            json += i == 0 ? "{" : ",{";
            json += "\"band\":" + (b.band ? DecimalText(b.band->number) : std::string("null"));
            json += ",\"name\":" + (named ? JsonString(b.band->name) : std::string("null"));
            json += ",\"minutes\":" + MinutesText(b.tenths);
            json += ",\"cents\":" + DecimalText(f.tariff.Charges() ? b.charge : 0) + "}";
        }
        json += "]";
    }
    json += ",\"warnings\":" + JsonStrings(f.warnings);
    return json + "}\n";
}

std::string SessionsCsv(const MonthFigures& figures) {
    std::string csv = kLedgerHeader;
    csv += '\n';
    for (const PeriodSession& s : figures.sessions) {
        Session shown = s.session;
        shown.link = PrintableText(shown.link);
        shown.network = PrintableText(shown.network);
        csv += LedgerLine(shown);
    }
    return csv;
}

}  // namespace kivrel
