// Every output of the month's figures holds the same figures: `--status` in both forms,
// `--sessions`, the report, the window's status lines and the allowance alert of the running
// program, for prepared months of each plan. The figures' own rules have their own tables; this
// one only holds the outputs to each other.
#include <algorithm>
#include <string>
#include <vector>

#include "presenter/command_line.h"
#include "form1_fixture.h"

namespace kivrel {
namespace {

// 15 May 2026, billing at the month's end: the period is May; online on any link.
struct PreparedMonth {
    const char* what;
    const char* ini;  // ending in [T5]: its year follows
    const char* ledger;
    const char* used;       // counted minutes
    const char* remaining;  // by the count; nullptr without an allowance
    const char* billed;     // billed minutes
    const char* byBill;  // by the bill: "剩余：12" or "超出：3"; nullptr without an allowance
    const char* byBillJson;
    const char* planKey;
    const char* plan;
    int sessions;
    const char* cents;
    const char* bill;   // nullptr when nothing is charged
    const char* alert;  // what one online tick tells; nullptr: nothing
};

std::string Ledger(std::initializer_list<const char*> minutes) {
    std::string text = "start,end,minutes,link\n";
    int hour = 1;
    for (const char* m : minutes) {
        const std::string at = "2026-05-0" + std::to_string(hour++) + "T";
        text += at + "08:00:00+08:00," + at + "20:00:00+08:00," + m + ",\"ppp0\"\n";
    }
    return text;
}

const std::string kFlat = Ledger({"600.0"});
const std::string kUnder = Ledger({"500.4", "499.6"});
const std::string kOver = Ledger({"300.5", "309.5"});
const std::string kPayg = Ledger({"45.0", "45.0"});
const std::string kNegative = Ledger({"100.0"});

const PreparedMonth kMonths[] = {
    {"flat rate", "[T5]\r\nValue=600\r\n", kFlat.c_str(), "600", nullptr, "600", nullptr, "null",
     "flat_rate", "包月，不限时长", 1, "0", nullptr, nullptr},
    // Each session to the started minute: 0.6 and 0.4 more billed than counted.
    {"included hours, under",
     "[s]\r\nValue=60\r\n[Tariff]\r\nRound=1\r\nPrice=120\r\n[T5]\r\nValue=1000\r\n",
     kUnder.c_str(), "1000", "2600", "1001", "剩余：2599", "2599", "included_hours", "包时 60 小时",
     2, "0", "0.00 元", nullptr},
    // To 6 minutes: 306 + 312 billed, 18 beyond the 600 included: 2 × 0.10 + 0.36.
    {"included hours, over",
     "[s]\r\nValue=10\r\n[Tariff]\r\nRound=6\r\nFee=10\r\nPrice=120\r\n[T5]\r\nValue=610\r\n",
     kOver.c_str(), "610", "-10", "618", "超出：18", "-18", "included_hours", "包时 10 小时", 2,
     "56", "0.56 元", "本月包时已用完"},
    // Every minute charged: 5.00 a month and 90 minutes at 0.60 an hour.
    {"pay as you go", "[Tariff]\r\nBase=500\r\nPrice=60\r\n[T5]\r\nValue=90\r\n", kPayg.c_str(),
     "90", nullptr, "90", nullptr, "null", "pay_as_you_go", "按时计费", 2, "590", "5.90 元",
     nullptr},
    // Nothing included: nothing is left, by the count or by the bill; over by what was used.
    {"negative allowance", "[s]\r\nValue=-5\r\n[Tariff]\r\nPrice=120\r\n[T5]\r\nValue=100\r\n",
     kNegative.c_str(), "100", "-100", "100", "超出：100", "-100", "included_hours", "包时 0 小时",
     1, "200", "2.00 元", "本月包时已用完"},
    {"empty ledger", "[s]\r\nValue=60\r\n[T5]\r\nValue=0\r\n", nullptr, "0", "3600", "0",
     "剩余：3600", "3600", "included_hours", "包时 60 小时", 0, "0", nullptr, nullptr},
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// `text` shows `name` and `value` (then `end`) together; without a value, no `name` at all.
void ExpectShown(const std::string& text, const std::string& name, const char* value,
                 const std::string& end = "") {
    if (value)
        EXPECT_TRUE(Has(text, name + value + end)) << name << value << end << "\n" << text;
    else
        EXPECT_FALSE(Has(text, name)) << name << "\n" << text;
}

TEST(MonthFigures, EveryOutputShowsTheSameFigures) {
    for (const PreparedMonth& m : kMonths) {
        SCOPED_TRACE(m.what);
        fakes::FakePlatform fp;
        fakes::FakeOpener opener;
        fp.connection.online = true;
        fp.PutIni(std::string(m.ini) + "Year=2026\r\n");
        if (m.ledger)
            fp.files.files["/opt/kivrel/sessions.csv"] = m.ledger;
        const auto run = [&](std::vector<std::string> args) {
            return RunConsoleCommand(ParseCommandLine(args, nullptr),
                                     {fp.files, fp.clock, fp.connection, fp.app, opener})
                .out;
        };
        const std::string used = m.used, billed = m.billed, plan = m.plan,
                          sessions = std::to_string(m.sessions);
        std::string byBillTile;  // "剩余</span><span class=\"figure\">12"
        if (m.byBill) {
            const std::string words = m.byBill, colon = "：";
            byBillTile = words.substr(0, words.find(colon)) + "</span><span class=\"figure\">" +
                         words.substr(words.find(colon) + colon.size());
        }
        const auto windowLines = [&](const std::string& text) {
            EXPECT_TRUE(Has(text, "本月已用" + used + "分钟")) << text;
            ExpectShown(text, "本月剩余", m.remaining, "分钟");
        };

        const std::string json = run({"--status", "--json"});
        for (const std::string& field :
             {"\"used_minutes\":" + used + ",",
              "\"remaining_minutes\":" + std::string(m.remaining ? m.remaining : "null") + ",",
              "\"sessions\":" + sessions + ",", "\"billed_minutes\":" + billed + ",",
              "\"bill_cents\":" + std::string(m.cents) + ",",
              "\"plan\":\"" + std::string(m.planKey) + "\"",
              "\"remaining_billed_minutes\":" + std::string(m.byBillJson) + ",",
              std::string("\"warnings\":[]}")})
            EXPECT_TRUE(Has(json, field)) << field << "\n" << json;

        const std::string plain = run({"--status"});
        windowLines(plain);
        for (const std::string& line :
             {"计费方式：" + plan + "\n", "本期会话：" + sessions + "次\n",
              "计费时长：" + billed + "分钟\n"})
            EXPECT_TRUE(Has(plain, line)) << line << "\n" << plain;
        ExpectShown(plain, "按计费时长", m.byBill, "分钟\n");
        ExpectShown(plain, "本月费用：", m.bill, "\n");

        const std::string csv = run({"--sessions"});
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), m.sessions + 1) << csv;

        run({"--report", "out.html"});
        const std::string page = fp.files.files["out.html"];
        const std::string tile = "</span><span class=\"figure\">";
        for (const std::string& shown :
             {"已用" + tile + used + " 分钟", "计费时长" + tile + billed + " 分钟",
              "计费方式" + tile + plan})
            EXPECT_TRUE(Has(page, shown)) << shown;
        ExpectShown(page, "按计费时长", m.byBill ? byBillTile.c_str() : nullptr, " 分钟");
        ExpectShown(page, "本月费用" + tile, m.bill);
        // Only a flat rate is unlimited, on every part of the page.
        EXPECT_EQ(Has(page, "包月，不限时长"), std::string(m.planKey) == "flat_rate");
        EXPECT_TRUE(Has(page, m.sessions > 0 ? "本期上网记录：" + sessions + " 次"
                                             : std::string("本期还没有上网记录。")));

        // The running program on the same files: its status lines, and what its alerts tell
        // on an online tick.
        Form1 form{fp.platform};
        ASSERT_TRUE(form.Form_Load());
        form.Timer1_Timer();
        windowLines(fp.window.Text(Ctl::Label1));
        std::vector<std::string> told;
        for (const auto& [title, text] : fp.tray.notifications)
            told.push_back(text);
        EXPECT_EQ(told, m.alert ? std::vector<std::string>{m.alert} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace kivrel
