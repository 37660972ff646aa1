#include "app/status_report.h"

#include "accounting/numbers.h"
#include "accounting/texts.h"

namespace kivrel {

namespace {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

StatusReport MakeStatusReport(const Settings& settings, std::string_view ledgerText,
                              const LocalTime& now, const std::optional<std::string>& link,
                              const std::string& settingsFile) {
    return StatusReport{MakeMonthFigures(ReadMonthInputs(settings, ledgerText, now, link)),
                        settingsFile};
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
        lines += "计费链路：" + *f.link + "\n";
    lines += "计费方式：" + PlanText(f) + "\n";
    lines += "本期会话：" + DecimalText(static_cast<int64_t>(f.sessions.size())) + "次\n";
    lines += "计费时长：" + MinutesText(f.bill.billedTenths) + "分钟\n";
    if (const std::optional<BilledRemainder> rest = BilledRemainderOf(f))
        lines += rest->name + "：" + MinutesText(rest->tenths) + "分钟\n";
    if (f.tariff.Charges())
        lines += "本月费用：" + MoneyText(f.bill.total, f.tariff.currency) + "\n";
    for (const std::string& warning : f.warnings)
        lines += "注意：" + warning + "\n";
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
    json += ",\"sessions\":" + DecimalText(static_cast<int64_t>(f.sessions.size()));
    json += ",\"billed_minutes\":" + MinutesText(f.bill.billedTenths);
    json += ",\"bill_cents\":" + DecimalText(f.tariff.Charges() ? f.bill.total : 0);
    json += ",\"currency\":" + JsonString(f.tariff.currency);
    json += std::string(",\"plan\":\"") + PlanKey(f.plan) + "\"";
    json += ",\"remaining_billed_minutes\":" +
            (f.remainingBilledTenths ? MinutesText(*f.remainingBilledTenths) : std::string("null"));
    json += ",\"warnings\":[";
    for (size_t i = 0; i < f.warnings.size(); ++i)
        json += (i == 0 ? "" : ",") + JsonString(f.warnings[i]);
    return json + "]}\n";
}

std::string SessionsCsv(const MonthFigures& figures) {
    std::string csv = kLedgerHeader;
    csv += '\n';
    for (const PeriodSession& s : figures.sessions)
        csv += LedgerLine(s.session);
    return csv;
}

}  // namespace kivrel
