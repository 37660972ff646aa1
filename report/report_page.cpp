#include "report/report_page.h"

#include <algorithm>

#include "rules/billing.h"
#include "vocabulary/safe_text.h"
#include "vocabulary/texts.h"

namespace kivrel {

namespace {

// "2026-12-07 21:03:06"
std::string WallTime(const LocalTime& t) {
    std::string text = IsoDate(t.date);
    text += ' ';
    text += ZeroPaddedText(t.hour, 2);
    text += ':';
    text += ZeroPaddedText(t.minute, 2);
    text += ':';
    text += ZeroPaddedText(t.second, 2);
    return text;
}

// "+08:00"
std::string OffsetText(int offsetMinutes) {
    std::string text = offsetMinutes < 0 ? "-" : "+";
    const int m = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    text += ZeroPaddedText(m / 60, 2);
    text += ':';
    text += ZeroPaddedText(m % 60, 2);
    return text;
}

std::string MonthName(int year, int month) {
    std::string text = DecimalText(year);
    text += "年";
    text += DecimalText(month);
    text += "月";
    return text;
}

std::string Minutes(int64_t tenths) {
    std::string text = MinutesText(tenths);
    text += " 分钟";
    return text;
}

// A chart's value axis: from 0 to `top` in steps of `step`, both in tenths of a minute. The step
// is 1, 2 or 5 times a power of ten minutes, the smallest that covers `largest` in at most five
// steps.
struct Axis {
    int64_t step = 10;
    int64_t top = 40;
};

Axis AxisFor(int64_t largest) {
    Axis axis;
    for (int64_t power = 10;; power *= 10) {
        for (const int64_t factor : {1, 2, 5}) {
            axis.step = factor * power;
            if (axis.step * 5 >= largest || power > INT64_MAX / 100) {
                axis.top = std::max<int64_t>(1, (largest + axis.step - 1) / axis.step) * axis.step;
                return axis;
            }
        }
    }
}

// value × height / top, in tenths of a pixel, for a value between 0 and top.
int64_t Scale(int64_t value, int64_t height, int64_t top) {
    value = std::clamp<int64_t>(value, 0, top);
    return value / top * height + value % top * height / top;
}

// Geometry of both charts, in tenths of a pixel of the drawing's own units.
constexpr int64_t kChartWidth = 7200;
constexpr int64_t kChartHeight = 2400;
constexpr int64_t kPlotLeft = 500;
constexpr int64_t kPlotRight = 7050;
constexpr int64_t kPlotTop = 300;
constexpr int64_t kPlotBottom = 2050;
constexpr int64_t kPlotHeight = kPlotBottom - kPlotTop;

std::string Attr(const char* name, int64_t tenths) {
    std::string text = " ";
    text += name;
    text += "=\"";
    text += MinutesText(tenths);
    text += '"';
    return text;
}

std::string Rect(int64_t x, int64_t y, int64_t w, int64_t h, const char* cls) {
    std::string text = "<rect class=\"";
    text += cls;
    text += '"';
    text += Attr("x", x) + Attr("y", y) + Attr("width", w) + Attr("height", h);
    text += "/>\n";
    return text;
}

std::string Line(int64_t x1, int64_t y1, int64_t x2, int64_t y2, const char* cls) {
    std::string text = "<line class=\"";
    text += cls;
    text += '"';
    text += Attr("x1", x1) + Attr("y1", y1) + Attr("x2", x2) + Attr("y2", y2);
    text += "/>\n";
    return text;
}

std::string Text(int64_t x, int64_t y, const char* cls, const std::string& content) {
    std::string text = "<text class=\"";
    text += cls;
    text += '"';
    text += Attr("x", x) + Attr("y", y);
    text += '>';
    text += content;
    text += "</text>\n";
    return text;
}

std::string SvgOpen(const std::string& title, const std::string& desc) {
    std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ";
    text += MinutesText(kChartWidth);
    text += ' ';
    text += MinutesText(kChartHeight);
    text += "\" role=\"img\">\n<title>" + title + "</title>\n<desc>" + desc + "</desc>\n";
    return text;
}

// The value axis: grid lines with their minutes.
std::string Grid(const Axis& axis) {
    std::string text;
    for (int64_t v = 0; v <= axis.top; v += axis.step) {
        const int64_t y = kPlotBottom - Scale(v, kPlotHeight, axis.top);
        text += Line(kPlotLeft, y, kPlotRight, y, v == 0 ? "base" : "grid");
        text += Text(kPlotLeft - 60, y + 35, "tick end", MinutesText(v));
    }
    text += Text(kPlotLeft - 60, kPlotTop - 150, "unit end", "分钟");
    return text;
}

// The day chart's bars, one slot a day, with today's mark and, from today on, the daily pace.
std::string DailyBars(const ReportFigures& f, const Axis& axis, int64_t slot, int64_t bar) {
    std::string svg;
    const int64_t todayNumber = DayNumber(f.month.today);
    std::optional<int64_t> todayX;
    for (size_t i = 0; i < f.days.size(); ++i) {
        const DayUse& d = f.days[i];
        const int64_t x = kPlotLeft + slot * static_cast<int64_t>(i);
        const int64_t middle = x + slot / 2;
        const bool isToday = DayNumber(d.date) == todayNumber;
        if (isToday)
            todayX = x;
        if (d.state == DayState::NoRecords)
            svg += Rect(x + (slot - bar) / 2, kPlotTop, bar, kPlotHeight, "norec");
        else if (d.state == DayState::Recorded && d.tenths > 0) {
            const int64_t h = std::max<int64_t>(10, Scale(d.tenths, kPlotHeight, axis.top));
            svg +=
                Rect(x + (slot - bar) / 2, kPlotBottom - h, bar, h, isToday ? "day today" : "day");
            // The free part of the day on top of the bar, in its own colour.
            if (d.freeTenths > 0) {
                const int64_t freeHeight = std::min(h, Scale(d.freeTenths, kPlotHeight, axis.top));
                svg += Rect(x + (slot - bar) / 2, kPlotBottom - h, bar, freeHeight, "day free");
            }
            // The idle part of the day, a lighter segment at the top of its bar.
            if (d.idleTenths > 0) {
                const int64_t idle = std::min(h, Scale(d.idleTenths, kPlotHeight, axis.top));
                svg += Rect(x + (slot - bar) / 2, kPlotBottom - h, bar, idle, "idle");
            }
        }
        svg += Text(middle, kPlotBottom + 150, isToday ? "tick mid strong" : "tick mid",
                    DecimalText(d.date.day));
        if (i == 0 || d.date.day == 1)
            svg += Text(middle, kPlotBottom + 290, "tick mid", DecimalText(d.date.month) + "月");
        if (isToday)
            svg += Text(middle, kPlotBottom + 290, "tick mid strong", "今天");
    }
    if (f.month.paceTenths && *f.month.paceTenths > 0 && todayX) {
        const int64_t y = kPlotBottom - Scale(*f.month.paceTenths, kPlotHeight, axis.top);
        svg += Line(*todayX, y, kPlotRight, y, "pace");
        svg += Text(kPlotRight, y - 40, "label end pace-text",
                    "配速 " + MinutesText(*f.month.paceTenths) + " 分钟/天");
    }
    return svg;
}

std::string DailyCaption(const ReportFigures& f, int64_t noRecords, int64_t recorded) {
    int64_t free = 0, idle = 0;
    for (const DayUse& d : f.days) {
        free += d.freeTenths;
        idle += d.idleTenths;
    }
    std::string caption = "每日用量（分钟）";
    if (f.month.paceTenths && *f.month.paceTenths > 0)
        caption += "；虚线：每天 " + Minutes(*f.month.paceTenths) + "，今天起照此正好用完剩余包时";
    else if (f.month.paceTenths)
        caption += "；包时已用完";
    if (noRecords > 0)
        caption += "；斜纹：记录开始之前，没有记录";
    if (free > 0)
        caption += "；绿色：免费时段";
    if (idle > 0)
        caption += "；浅色：连接着但没有流量的分钟";
    if (recorded == 0 && noRecords == 0)
        caption += "；本期还没有上网记录";
    return caption;
}

// The day chart's figures for a reader without the drawing: every day's minutes.
std::string DailyTable(const ReportFigures& f) {
    std::string table =
        "<table class=\"sr\"><caption>每日用量</caption>\n<thead><tr><th scope=\"col\">日期</th>"
        "<th scope=\"col\">分钟</th><th scope=\"col\">空闲分钟</th></tr></thead>\n<tbody>\n";
    for (const DayUse& d : f.days) {
        table += "<tr><th scope=\"row\">" + IsoDate(d.date) + "</th><td>";
        table += d.state == DayState::Recorded    ? MinutesText(d.tenths)
                 : d.state == DayState::NoRecords ? std::string("无记录")
                                                  : std::string("—");
        if (d.freeTenths > 0)
            table += "（免费 " + MinutesText(d.freeTenths) + "）";
        table += "</td><td>";
        table += d.state == DayState::Recorded ? MinutesText(d.idleTenths) : std::string("—");
        table += "</td></tr>\n";
    }
    table += "</tbody></table>\n";
    return table;
}

std::string DailyChart(const ReportFigures& f) {
    int64_t largest = f.month.paceTenths.value_or(0);
    int64_t noRecords = 0, recorded = 0;
    for (const DayUse& d : f.days) {
        largest = std::max(largest, d.tenths);
        noRecords += d.state == DayState::NoRecords ? 1 : 0;
        recorded += d.state == DayState::Recorded ? 1 : 0;
    }
    const Axis axis = AxisFor(largest);
    const int64_t count = std::max<int64_t>(1, static_cast<int64_t>(f.days.size()));
    const int64_t slot = (kPlotRight - kPlotLeft) / count;
    const int64_t bar = slot * 7 / 10;

    std::string desc = "计费周期 " + IsoDate(f.month.period.first) + " 至 " +
                       IsoDate(f.month.period.last) + "，共 " + DecimalText(count) + " 天";
    if (noRecords > 0)
        desc += "，其中 " + DecimalText(noRecords) + " 天在记录开始之前，没有记录";
    desc += "。";
    if (f.month.paceTenths && *f.month.paceTenths > 0)
        desc +=
            "虚线是每日配速：今天起每天用 " + Minutes(*f.month.paceTenths) + "，正好用完剩余包时。";
    desc += "每天的分钟数见下表。";

    std::string svg = SvgOpen("每日用量", desc);
    svg +=
        "<defs><pattern id=\"norec\" width=\"4\" height=\"4\" patternUnits=\"userSpaceOnUse\" "
        "patternTransform=\"rotate(45)\"><rect width=\"4\" height=\"4\" fill=\"#f4f4f4\"/>"
        "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"4\" stroke=\"#c8c8c8\" stroke-width=\"1.5\"/>"
        "</pattern></defs>\n";
    svg += Grid(axis);
    svg += DailyBars(f, axis, slot, bar);
    svg += "</svg>\n";

    return "<figure>\n" + svg + "<figcaption>" + DailyCaption(f, noRecords, recorded) +
           "</figcaption>\n" + DailyTable(f) + "</figure>\n";
}

// The year chart's bars: each month's total beside the same month's of the year before.
std::string YearBars(const ReportFigures& f, const Axis& axis, int64_t slot, int64_t bar) {
    std::string svg;
    for (size_t i = 0; i < f.months.size(); ++i) {
        const MonthBar& m = f.months[i];
        const int64_t x = kPlotLeft + slot * static_cast<int64_t>(i);
        const int64_t middle = x + slot / 2;
        if (m.lastYearMinutes && *m.lastYearMinutes > 0) {
            const int64_t h =
                std::max<int64_t>(10, Scale(*m.lastYearMinutes * 10, kPlotHeight, axis.top));
            svg += Rect(middle - bar - 10, kPlotBottom - h, bar, h, "last");
        }
        const int64_t h = Scale(m.minutes * 10, kPlotHeight, axis.top);
        if (m.minutes > 0)
            svg += Rect(middle + 10, kPlotBottom - std::max<int64_t>(10, h), bar,
                        std::max<int64_t>(10, h), m.current ? "month now" : "month");
        svg +=
            Text(middle + 10 + bar / 2, kPlotBottom - h - 30, "value mid", DecimalText(m.minutes));
        svg += Text(middle, kPlotBottom + 150, m.current ? "tick mid strong" : "tick mid",
                    DecimalText(m.month) + "月");
        svg += Text(middle, kPlotBottom + 290, m.current ? "tick mid strong" : "tick mid",
                    m.current ? std::string("本月")
                    : m.year  ? DecimalText(*m.year)
                              : std::string("—"));
    }
    return svg;
}

// The year chart's figures for a reader without the drawing.
std::string YearTable(const ReportFigures& f) {
    std::string table =
        "<table class=\"sr\"><caption>十二个计费月</caption>\n<thead><tr><th "
        "scope=\"col\">计费月</th><th scope=\"col\">分钟</th><th scope=\"col\">前一年同月</th>"
        "</tr></thead>\n<tbody>\n";
    for (const MonthBar& m : f.months) {
        table += "<tr><th scope=\"row\">";
        table += m.year ? MonthName(*m.year, m.month) : DecimalText(m.month) + "月";
        if (m.current)
            table += "（本月）";
        table += "</th><td>" + DecimalText(m.minutes) + "</td><td>";
        table += m.lastYearMinutes ? DecimalText(*m.lastYearMinutes) : std::string("—");
        table += "</td></tr>\n";
    }
    table += "</tbody></table>\n";
    return table;
}

std::string YearChart(const ReportFigures& f) {
    // The allowance's line, where there is something included to draw.
    const int64_t included = f.month.includedMinutes;
    int64_t largest = included * 10;
    for (const MonthBar& m : f.months)
        largest = std::max({largest, m.minutes * 10, m.lastYearMinutes.value_or(0) * 10});
    const Axis axis = AxisFor(largest);
    const int64_t count = std::max<int64_t>(1, static_cast<int64_t>(f.months.size()));
    const int64_t slot = (kPlotRight - kPlotLeft) / count;
    const int64_t bar = slot * 36 / 100;

    std::string desc = "最近十二个计费月每月的用量，较深的是各月最近一年的总数";
    desc += "，较浅的是前一年同月的总数";
    if (included > 0)
        desc += "，虚线是包时 " + DecimalText(included) + " 分钟";
    desc +=
        "。本月是 " + MonthName(f.month.period.year, f.month.period.month) + "。各月的数字见下表。";

    std::string svg = SvgOpen("十二个计费月", desc);
    svg += Grid(axis);
    // The allowance first, so that the bars and their figures stay readable over it.
    if (included > 0) {
        const int64_t y = kPlotBottom - Scale(included * 10, kPlotHeight, axis.top);
        svg += Line(kPlotLeft, y, kPlotRight, y, "allow");
        svg += Text(kPlotRight, y - 40, "label end allow-text",
                    "包时 " + DecimalText(included) + " 分钟");
    }
    svg += YearBars(f, axis, slot, bar);
    svg += "</svg>\n";

    std::string caption = "每月用量（分钟）：深色为各月最近一年，浅色为前一年同月";
    caption += included > 0 ? std::string("；虚线：包时") : "；" + PlanText(f.month);

    return "<figure>\n" + svg + "<figcaption>" + caption + "</figcaption>\n" + YearTable(f) +
           "</figure>\n";
}

std::string Tile(const std::string& name, const std::string& value, const char* cls = "tile") {
    std::string text = "<div class=\"";
    text += cls;
    text += "\"><span class=\"name\">" + name + "</span><span class=\"figure\">" + value +
            "</span></div>\n";
    return text;
}

// The bill's rows: the month's base, the fees, the time charged (by band, with time bands) and
// the total.
std::string BillTable(const ReportFigures& f) {
    std::string text =
        "<table class=\"bill\"><caption>费用明细</caption>\n<thead><tr><th scope=\"col\">项目</th>"
        "<th scope=\"col\">计算</th><th scope=\"col\">金额</th></tr></thead>\n<tbody>\n";
    auto row = [&text](const std::string& name, const std::string& how, const std::string& money) {
        text += "<tr><th scope=\"row\">" + name + "</th><td>" + how + "</td><td class=\"num\">" +
                money + "</td></tr>\n";
    };
    const auto money = [&f](int64_t amount) {
        return HtmlEscape(MoneyText(amount, f.month.tariff.currency));
    };
    if (f.month.tariff.base != 0)
        row("月租", "每月", money(f.month.bill.baseCharge));
    if (f.month.tariff.fee != 0)
        row("接续费",
            money(f.month.tariff.fee) + " × " + DecimalText(f.month.bill.sessions) + " 次",
            money(f.month.bill.feeCharge));
    if (f.month.tariff.bands.empty() && f.month.tariff.price != 0) {
        const bool included = f.month.plan == PlanKind::IncludedHours;
        std::string how = included ? "超出包时 " : "计时 ";
        how += Minutes(f.month.bill.overTenths) + "，每小时 " + money(f.month.tariff.price);
        row(included ? "超时费" : "时长费", how, money(f.month.bill.overCharge));
    }
    // With time bands, a row for each band that has time and one for the rest; each amount is
    // rounded on its own, the total once.
    for (const BandBill& b : f.month.bill.bands) {
        const Band* band = b.band ? &*b.band : nullptr;
        if (band && b.tenths == 0)
            continue;
        std::string how = Minutes(b.tenths);
        if (band && IsFree(*band, f.month.tariff.price))
            how += "，免费，不计入包时";
        else {
            if (band && !band->counts)
                how += "，不计入包时";
            else if (f.month.plan == PlanKind::IncludedHours)
                how += "，超出包时 " + Minutes(b.chargedTenths);
            how += "，每小时 " + money(PriceIn(band, f.month.tariff.price));
        }
        row(HtmlEscape(BandTitle(b.band)), how, money(b.charge));
    }
    text += "</tbody>\n<tfoot><tr><th scope=\"row\">合计</th><td>";
    if (f.month.tariff.firstMinutes > 0)
        text += "每次上网至少按 " + DecimalText(f.month.tariff.firstMinutes) + " 分钟计，";
    if (f.month.tariff.roundMinutes > 0)
        text += "每次上网按 " + DecimalText(f.month.tariff.roundMinutes) + " 分钟向上取整";
    text +=
        "</td><td class=\"num\">" + money(f.month.bill.total) + "</td></tr></tfoot>\n</table>\n";
    return text;
}

std::string Head(const ReportFigures& f) {
    std::string text = "<header>\n<h1>Kivrel 用量报告</h1>\n<p class=\"period\">计费月 <strong>" +
                       MonthName(f.month.period.year, f.month.period.month) +
                       "</strong>　计费周期 " + IsoDate(f.month.period.first) + " 至 " +
                       IsoDate(f.month.period.last) + "　还剩 <strong>" +
                       DecimalText(f.month.daysLeft) + "</strong> 天</p>\n</header>\n";
    if (!f.month.warnings.empty()) {
        text += "<section class=\"warnings\" role=\"alert\">\n";
        for (const std::string& warning : f.month.warnings)
            text += "<p>" + HtmlEscape(warning) + "</p>\n";
        text += "</section>\n";
    }
    text += "<section class=\"tiles\" aria-label=\"本月概况\">\n";
    text += Tile("已用", Minutes(f.month.counted.usedMinutes * 10));
    text += Tile("计费时长", Minutes(f.month.bill.billedTenths));
    text += Tile("计费方式", PlanText(f.month));
    // What remains by the bill, named so: the window and --status count it against the counted
    // minutes.
    if (const std::optional<BilledRemainder> rest = BilledRemainderOf(f.month))
        text += Tile(rest->name, Minutes(rest->tenths), rest->over ? "tile over" : "tile");
    if (f.month.tariff.Charges())
        text += Tile("本月费用", HtmlEscape(MoneyText(f.month.bill.total, f.month.tariff.currency)),
                     "tile charge");
    text += "</section>\n";
    if (f.month.tariff.Charges())
        text += BillTable(f);
    return text;
}

// A session's idle minutes and their share of it: "12.5（21%）", the share rounded down.
std::string IdleShare(const Session& s) {
    std::string text = MinutesText(s.idleTenths);
    if (s.tenths > 0 && s.idleTenths > 0)
        text += "（" + DecimalText(s.idleTenths * 100 / s.tenths) + "%）";
    return text;
}

std::string SessionsTable(const ReportFigures& f) {
    std::string text = "<section class=\"sessions\">\n<h2>本期上网记录</h2>\n";
    if (f.month.sessions.empty())
        return text + "<p>本期还没有上网记录。</p>\n</section>\n";
    // The network column shows once a session of the period knows its network.
    bool networks = false;
    for (const PeriodSession& s : f.month.sessions)
        networks = networks || !s.session.network.empty();
    text += "<table class=\"list\"><caption>本期上网记录：" +
            DecimalText(static_cast<int64_t>(f.month.sessions.size())) +
            " 次</caption>\n<thead><tr><th scope=\"col\">开始</th><th scope=\"col\">结束</th>"
            "<th scope=\"col\" class=\"num\">分钟</th><th scope=\"col\" class=\"num\">计费分钟</th>"
            "<th scope=\"col\" class=\"num\">空闲</th><th scope=\"col\">连接</th>";
    text += networks ? "<th scope=\"col\">网络</th></tr></thead>\n<tbody>\n"
                     : "</tr></thead>\n<tbody>\n";
    for (const PeriodSession& s : f.month.sessions) {
        text += s.open ? "<tr class=\"open\">" : "<tr>";
        text += "<td>" + WallTime(s.session.start) + "</td><td>";
        text += s.open ? "进行中（" + WallTime(s.session.end) + "）" : WallTime(s.session.end);
        text += "</td><td class=\"num\">" + MinutesText(s.session.tenths) +
                "</td><td class=\"num\">" + MinutesText(s.billedTenths) +
                "</td><td class=\"num\">" + IdleShare(s.session) + "</td><td>" +
                HtmlEscape(s.session.link) + "</td>";
        if (networks)
            text += "<td>" + HtmlEscape(s.session.network) + "</td>";
        text += "</tr>\n";
    }
    return text + "</tbody>\n</table>\n</section>\n";
}

constexpr const char* kStyle = R"(
@page { size: A4; margin: 12mm; }
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0 auto; max-width: 820px; padding: 16px 20px 24px; color: #1f2933;
  background: #fff; font: 14px/1.5 "Noto Sans CJK SC", "Source Han Sans SC", "Microsoft YaHei",
  "PingFang SC", "WenQuanYi Micro Hei", sans-serif; }
h1 { font-size: 22px; margin: 0; }
h2 { font-size: 16px; margin: 18px 0 6px; border-bottom: 1px solid #d9e2ec; padding-bottom: 2px; }
.period { margin: 2px 0 10px; color: #3e4c59; }
.tiles { display: flex; flex-wrap: wrap; gap: 8px; margin: 8px 0; }
.tile { flex: 1 1 120px; border: 1px solid #d9e2ec; border-radius: 6px; padding: 6px 10px; }
.tile .name { display: block; font-size: 12px; color: #52606d; }
.tile .figure { display: block; font-size: 18px; font-weight: bold; }
.tile.charge { border-color: #e07b00; background: #fff8ef; }
.tile.over .figure { color: #c0392b; }
.warnings { margin: 8px 0; padding: 6px 10px; border-left: 4px solid #c0392b; background: #fdf2f0; }
.warnings p { margin: 2px 0; }
table { border-collapse: collapse; }
caption { text-align: left; font-weight: bold; padding: 4px 0; }
th, td { padding: 2px 10px 2px 0; text-align: left; vertical-align: top; }
.num { text-align: right; }
.bill { margin: 4px 0 0; }
.bill tfoot th, .bill tfoot td { border-top: 1px solid #9aa5b1; font-weight: bold; }
.list { width: 100%; font-size: 13px; }
.list thead th { border-bottom: 1px solid #9aa5b1; }
.list tbody tr:nth-child(even) { background: #f5f7fa; }
.list tr.open td { font-style: italic; }
figure { margin: 6px 0 0; }
figcaption { font-size: 12px; color: #52606d; margin-top: 4px; }
svg { display: block; width: 100%; height: auto; }
svg text { font-size: 11px; fill: #3e4c59; }
svg .tick { font-size: 10.5px; }
svg .unit, svg .value { font-size: 10px; }
svg .value { paint-order: stroke; stroke: #fff; stroke-width: 3px; stroke-linejoin: round; }
svg .mid { text-anchor: middle; }
svg .end { text-anchor: end; }
svg .strong { font-weight: bold; fill: #1f2933; }
svg .grid { stroke: #e4e7eb; stroke-width: 1; }
svg .base { stroke: #7b8794; stroke-width: 1; }
svg .day { fill: #3b6fb6; }
svg .day.today { fill: #e07b00; }
svg .day.free { fill: #2e9d6a; }
svg .idle { fill: #ffffff; fill-opacity: 0.55; }
svg .norec { fill: url(#norec); }
svg .month { fill: #3b6fb6; }
svg .month.now { fill: #e07b00; }
svg .last { fill: #c5d3e6; }
svg .pace, svg .allow { stroke: #c0392b; stroke-width: 1.5; stroke-dasharray: 6 4; }
svg .pace-text, svg .allow-text { fill: #c0392b; font-size: 11px; }
.sr { position: absolute; width: 1px; height: 1px; margin: -1px; padding: 0; overflow: hidden;
  clip: rect(0 0 0 0); clip-path: inset(50%); white-space: nowrap; border: 0; }
footer { margin-top: 16px; font-size: 11px; color: #7b8794; word-break: break-all; }
@media print {
  body { max-width: none; padding: 0; font-size: 11pt; }
  h2 { break-after: avoid; }
  .sessions { break-before: page; }
  figure, .tiles, .bill { break-inside: avoid; }
  .list { font-size: 9pt; }
  .list tr { break-inside: avoid; }
  .tile.charge { background: none; }
}
)";

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // A well-formed UTF-8 sequence is copied; anything else becomes one U+FFFD per byte.
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += kReplacementCharacter;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i++]);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
                    out += kReplacementCharacter;
                else
                    out += static_cast<char>(c);
        }
    }
    return out;
}

bool IsReportPage(std::string_view text) {
    // Both marks stand in the head, near the start of the page.
    const std::string_view head = text.substr(0, text.find("</head>"));
    if (head.find(kGeneratorMeta) != std::string_view::npos)
        return true;
    const size_t title = head.find("<title>");
    return title != std::string_view::npos && head.substr(title + 7).starts_with("Kivrel 用量报告");
}

std::string ReportPage(const ReportFigures& f) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n" +
        std::string(kGeneratorMeta) + "\n<title>Kivrel 用量报告 · " +
        MonthName(f.month.period.year, f.month.period.month) + "</title>\n<style>" + kStyle +
        "</style>\n</head>\n<body>\n";
    page += Head(f);
    page += "<section class=\"chart\">\n<h2>每日用量</h2>\n" + DailyChart(f) + "</section>\n";
    page += "<section class=\"chart\">\n<h2>十二个计费月</h2>\n" + YearChart(f) + "</section>\n";
    page += SessionsTable(f);
    page += "<footer>生成于 " + WallTime(f.made) + "（UTC" + OffsetText(f.made.offsetMinutes) +
            "）　设置文件 " + HtmlEscape(f.settingsFile) + "</footer>\n</body>\n</html>\n";
    return page;
}

}  // namespace kivrel
