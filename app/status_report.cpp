#include "app/status_report.h"

#include "accounting/billing.h"
#include "accounting/numbers.h"
#include "accounting/safe_text.h"
#include "accounting/session_ledger.h"
#include "accounting/year_stamp.h"

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
    for (const std::string& text : texts)
        json += (json.size() > 1 ? "," : "") + JsonString(text);
    return json + "]";
}

}  // namespace

std::vector<Session> PeriodSessions(const Settings& settings, LedgerRead ledger,
                                    const BillingPeriod& period) {
    // The settings keep a closed session until the next save: the ledger holds it then.
    if (std::optional<Session> open = settings.OpenSession();
        open && !LedgerHolds(ledger.sessions, *open))
        ledger.sessions.push_back(std::move(*open));
    return SessionsOfPeriod(std::move(ledger.sessions), period);
}

StatusReport MakeStatusReport(const Settings& settings, LedgerRead ledger, const LocalDate& today,
                              const std::optional<std::string>& link,
                              const std::string& settingsFile, const UtcOffsets& offsets) {
    StatusReport r;
    r.period = PeriodOf(today, settings.Int(Setting::BillingDay));
    r.daysLeft = DaysInclusive(today, r.period.last);
    r.usedMinutes = CurrentTotal(settings.Month(r.period.month), r.period.year);
    r.allowanceHours = settings.Int(Setting::AllowanceHours);
    if (HasAllowance(r.allowanceHours)) {
        r.remainingMinutes =
            ComputeFigures(MinuteTotal::FromWholeMinutes(r.usedMinutes), r.allowanceHours)
                .remainingMinutes;
    }
    r.forecastMinutes = ForecastMinutes(r.usedMinutes, r.period, today);
    r.online = link.has_value();
    r.settingsFile = settingsFile;
    r.link = link;
    r.warnings = settings.RefusedValues(settingsFile);
    const int64_t skipped = ledger.skipped;
    r.sessions = PeriodSessions(settings, std::move(ledger), r.period);
    r.tariff = settings.TariffValues(&r.warnings);
    r.bill = ComputeBill(r.usedMinutes, r.sessions, r.allowanceHours, r.tariff, offsets);
    if (skipped > 0)
        r.warnings.push_back(SkippedLinesText(LedgerPathBeside(settingsFile), skipped));
    return r;
}

void SetBilledNetwork(StatusReport& r, const std::optional<BilledConnection>& billed,
                      const NetworkList* looked) {
    r.network.reset();
    r.metered.reset();
    if (billed && !billed->network.empty())
        r.network = billed->network;
    if (billed)
        r.metered = billed->metered;
    if (looked && !looked->known)
        r.warnings.push_back(NetworkWarning(*looked));
}

std::string StatusPlainText(const StatusReport& r) {
    const TickFigures figures =
        ComputeFigures(MinuteTotal::FromWholeMinutes(r.usedMinutes), r.allowanceHours);
    std::string text = StatusText(r.online, r.period.month, figures, r.allowanceHours);
    // The label's lines end in CR LF; a terminal or a panel wants LF.
    std::string lines;
    for (const char c : text)
        if (c != '\r')
            lines += c;
    if (!lines.empty() && lines.back() != '\n')
        lines += '\n';
    lines += "计费周期：" + IsoDate(r.period.first) + "至" + IsoDate(r.period.last) + "，还剩" +
             DecimalText(r.daysLeft) + "天\n";
    lines += "预计本月共用" + DecimalText(r.forecastMinutes) + "分钟\n";
    if (r.link && !r.link->empty())
        lines += "计费链路：" + PrintableText(*r.link) + "\n";
    if (r.network)
        lines += "计费网络：" + PrintableText(*r.network) + "\n";
    lines += "本期会话：" + DecimalText(static_cast<int64_t>(r.sessions.size())) + "次\n";
    lines += "计费时长：" + MinutesText(r.bill.billedTenths) + "分钟\n";
    for (const BandBill& b : r.bill.bands) {
        if (b.tenths == 0)
            continue;
        lines += PrintableText(BandTitle(b.band)) + "：" + MinutesText(b.tenths) + "分钟";
        if (b.band && IsFree(*b.band, r.tariff.price))
            lines += "，免费";
        else if (r.tariff.Charges())
            lines += "，" + MoneyText(b.charge, r.tariff.currency);
        lines += "\n";
    }
    if (r.tariff.Charges())
        lines += "本月费用：" + PrintableText(MoneyText(r.bill.total, r.tariff.currency)) + "\n";
    for (const std::string& warning : r.warnings)
        lines += "注意：" + PrintableText(warning) + "\n";
    return lines;
}

std::string StatusJson(const StatusReport& r) {
    std::string json = "{";
    json += "\"billing_month\":" + DecimalText(r.period.month);
    json += ",\"period_start\":\"" + IsoDate(r.period.first) + "\"";
    json += ",\"period_end\":\"" + IsoDate(r.period.last) + "\"";
    json += ",\"days_left\":" + DecimalText(r.daysLeft);
    json += ",\"used_minutes\":" + DecimalText(r.usedMinutes);
    json += ",\"allowance_hours\":" + DecimalText(r.allowanceHours);
    json += ",\"remaining_minutes\":" +
            (r.remainingMinutes ? DecimalText(*r.remainingMinutes) : std::string("null"));
    json += ",\"forecast_minutes\":" + DecimalText(r.forecastMinutes);
    json += std::string(",\"online\":") + (r.online ? "true" : "false");
    json += ",\"settings_file\":" + JsonString(r.settingsFile);
    json += ",\"link\":" + (r.link ? JsonString(*r.link) : std::string("null"));
    json += ",\"network\":" + (r.network ? JsonString(*r.network) : std::string("null"));
    json += std::string(",\"metered\":") + (!r.metered ? "null" : *r.metered ? "true" : "false");
    json += ",\"sessions\":" + DecimalText(static_cast<int64_t>(r.sessions.size()));
    json += ",\"billed_minutes\":" + MinutesText(r.bill.billedTenths);
    json += ",\"bill_cents\":" + DecimalText(r.tariff.Charges() ? r.bill.total : 0);
    json += ",\"currency\":" + JsonString(r.tariff.currency);
    // With time bands: the free time, and each band that has time with the rest last.
    if (!r.tariff.bands.empty()) {
        json += ",\"free_minutes\":" + MinutesText(r.bill.freeTenths);
        json += ",\"bands\":[";
        for (size_t i = 0; i < r.bill.bands.size(); ++i) {
            const BandBill& b = r.bill.bands[i];
            const bool named = b.band && !b.band->name.empty();
            json += i == 0 ? "{" : ",{";
            json += "\"band\":" + (b.band ? DecimalText(b.band->number) : std::string("null"));
            json += ",\"name\":" + (named ? JsonString(b.band->name) : std::string("null"));
            json += ",\"minutes\":" + MinutesText(b.tenths);
            json += ",\"cents\":" + DecimalText(r.tariff.Charges() ? b.charge : 0) + "}";
        }
        json += "]";
    }
    json += ",\"warnings\":" + JsonStrings(r.warnings);
    return json + "}\n";
}

std::string SessionsCsv(const std::vector<Session>& sessions) {
    std::string csv = kLedgerHeader;
    csv += '\n';
    for (Session s : sessions) {
        s.link = PrintableText(s.link);
        csv += LedgerLine(s);
    }
    return csv;
}

}  // namespace kivrel
