#include "app/status_report.h"

#include "accounting/billing.h"
#include "accounting/numbers.h"
#include "accounting/year_stamp.h"

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

std::vector<Session> PeriodSessions(const Settings& settings, std::string_view ledgerText,
                                    const BillingPeriod& period) {
    std::vector<Session> sessions = ReadLedger(ledgerText);
    // The settings keep a closed session until the next save: the ledger holds it then.
    if (std::optional<Session> open = settings.OpenSession();
        open && !LedgerHolds(ledgerText, *open))
        sessions.push_back(std::move(*open));
    return SessionsOfPeriod(sessions, period);
}

StatusReport MakeStatusReport(const Settings& settings, std::string_view ledgerText,
                              const LocalDate& today, const std::optional<std::string>& link,
                              const std::string& settingsFile) {
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
    r.sessions = PeriodSessions(settings, ledgerText, r.period);
    r.tariff = settings.TariffValues();
    r.bill = ComputeBill(r.usedMinutes, r.sessions, r.allowanceHours, r.tariff);
    for (const Session& s : r.sessions)
        r.idleTenths += s.idleTenths;
    // The guard's state is the running program's as of its latest online tick; offline it says
    // nothing about now.
    if (link) {
        const GuardState guard = settings.GuardStateValues();
        if (guard.idleRun > 0)
            r.idleRunTenths = guard.idleRun;
        if (guard.pending != HangUpReason::None)
            r.hangUpAt = guard.actAt;
    }
    return r;
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
        lines += "计费链路：" + *r.link + "\n";
    lines += "本期会话：" + DecimalText(static_cast<int64_t>(r.sessions.size())) + "次\n";
    lines += "计费时长：" + MinutesText(r.bill.billedTenths) + "分钟\n";
    if (r.tariff.Charges())
        lines += "本月费用：" + MoneyText(r.bill.total, r.tariff.currency) + "\n";
    if (r.idleTenths > 0)
        lines += "本期空闲：" + MinutesText(r.idleTenths) + "分钟\n";
    if (r.idleRunTenths)
        lines += "空闲：" + MinutesText(*r.idleRunTenths) + " 分钟\n";
    if (r.hangUpAt)
        lines += "将于 " + ClockText(*r.hangUpAt) + " 断开\n";
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
    json += ",\"sessions\":" + DecimalText(static_cast<int64_t>(r.sessions.size()));
    json += ",\"billed_minutes\":" + MinutesText(r.bill.billedTenths);
    json += ",\"bill_cents\":" + DecimalText(r.tariff.Charges() ? r.bill.total : 0);
    json += ",\"currency\":" + JsonString(r.tariff.currency);
    json += ",\"idle_minutes\":" + MinutesText(r.idleTenths);
    json += ",\"hang_up_at\":" +
            (r.hangUpAt ? JsonString(IsoDateTime(*r.hangUpAt)) : std::string("null"));
    return json + "}\n";
}

std::string SessionsCsv(const std::vector<Session>& sessions) {
    std::string csv = kLedgerHeader;
    csv += '\n';
    for (const Session& s : sessions)
        csv += LedgerLine(s);
    return csv;
}

}  // namespace kivrel
