#include "presenter/command_line.h"

#include "presenter/module1.h"
#include "presenter/status_report.h"
#include "report/report.h"
#include "rules/network.h"
#include "rules/period.h"
#include "services/session_ledger.h"
#include "vocabulary/numbers.h"
#include "vocabulary/safe_text.h"
#include "vocabulary/texts.h"

namespace kivrel {

namespace {

// The folder of a file, without a trailing separator.
std::string FolderOf(const std::string& path, const std::string& separator) {
    const size_t at = path.rfind(separator);
    return at == std::string::npos ? std::string(".") : path.substr(0, at);
}

ConsoleOutput Failure(const std::string& text) {
    ConsoleOutput result;
    result.err = "kivrel：" + PrintableText(text) + "\n";
    result.status = 1;
    return result;
}

// The system's reason after "：", when it gave one.
std::string Because(IFileSystem& files) {
    const std::string reason = files.FailureReason();
    return reason.empty() ? std::string() : "：" + reason;
}

ConsoleOutput WriteReport(const std::string& file, ConsolePorts& ports) {
    ConsoleOutput result;
    const std::string settingsPath = SettingsFileToRead(ports.files, ports.app);
    const std::optional<std::string> settings =
        settingsPath.empty() ? std::nullopt : ports.files.ReadAll(settingsPath);
    if (!settings) {
        result.err = std::string(kMissingIniText) + "\n";
        result.status = 2;
        return result;
    }
    // The ledger beside the file read, as --status reads it. The page goes beside the settings
    // file in use: while the user's own file is still to be made from an installed one, that is
    // in the user's folder.
    const std::string ledgerPath = LedgerPathBeside(settingsPath);
    const std::string separator = ports.app.PathSeparator();
    const std::string inUse = SettingsFileInUse(ports.files, ports.app);
    const std::string folder = FolderOf(inUse, separator);
    const std::string target = file.empty() ? folder + separator + kReportFileName : file;

    // The settings and the ledger are never replaced by a page, whatever path names them.
    for (const std::string& kept : {settingsPath, inUse}) {
        if (ports.files.SameFile(target, kept))
            return Failure("不能把报告写到 " + target + "：它是设置文件 " + kept + "，没有改动");
        if (ports.files.SameFile(target, LedgerPathBeside(kept)))
            return Failure("不能把报告写到 " + target + "：它是上网记录 " + LedgerPathBeside(kept) +
                           "，没有改动");
    }
    // A file named on the command line is replaced only when it is an earlier report.
    if (!file.empty() && ports.files.Exists(target)) {
        const std::optional<std::string> existing = ports.files.ReadAll(target);
        if (!existing)
            return Failure("无法读取已有的文件 " + target + Because(ports.files) + "，没有改动");
        if (!IsReportPage(*existing))
            return Failure(target + " 已经存在，且不是 Kivrel 的用量报告，没有改动");
    }

    const Settings values(*settings);
    const LocalTime now = ports.clock.Now();
    const BillingPeriod period = PeriodOf(now.date, values.Int(Setting::BillingDay));
    const MonthInputs inputs =
        ReadMonthInputs(values, ReadLedgerSince(ports.files, ledgerPath, period.first), now,
                        std::nullopt, settingsPath, ports.clock.Offsets());
    const std::string page = ReportPage(MakeReportFigures(
        inputs, values, settingsPath, FirstLedgerSession(ports.files, ledgerPath)));
    if (file.empty() && !ports.files.MakeDirectories(folder))
        return Failure("无法创建文件夹 " + folder + Because(ports.files));
    if (!ports.files.ReplaceAll(target, page))
        return Failure("无法把报告写到 " + target + Because(ports.files));
    if (!file.empty())
        return result;
    result.out = PrintableText(target) + "\n";
    if (!ports.opener.Open(target))
        result.err = "kivrel：无法启动浏览器打开报告 " + PrintableText(target) + "\n";
    return result;
}

Command Usage(const std::string& unknown, std::string problem) {
    return Command{CommandKind::Usage, unknown, std::move(problem), {}};
}

Command Usage(const std::string& unknown) {
    return Usage(unknown, "无法识别的选项“" + unknown + "”");
}

// --status (plain or --json) and --sessions: the month's figures from the settings file, its ledger
// and the clock.
ConsoleOutput PrintStatus(CommandKind kind, ConsolePorts& ports) {
    ConsoleOutput result;
    const std::string path = SettingsFileToRead(ports.files, ports.app);
    std::optional<std::string> text = path.empty() ? std::nullopt : ports.files.ReadAll(path);
    if (!text) {
        result.err = std::string(kMissingIniText) + "\n";
        result.status = 2;
        return result;
    }
    const Settings settings(std::move(*text));
    const LocalTime now = ports.clock.Now();
    // The ledger from its end back to the billing period's start.
    const BillingPeriod period = PeriodOf(now.date, settings.Int(Setting::BillingDay));
    const std::string ledgerPath = LedgerPathBeside(path);
    LedgerRead ledger = ReadLedgerSince(ports.files, ledgerPath, period.first);
    if (kind == CommandKind::Sessions) {
        // The session list needs no link: the connection is not asked for it.
        if (ledger.skipped > 0)
            result.err = SkippedLinesText(ledgerPath, ledger.skipped) + "\n";
        result.out = SessionsCsv(
            MakeStatusReport(settings, std::move(ledger), now, std::nullopt, path).month);
        return result;
    }
    // The network service is asked (and its library loaded) only for a rule that needs it.
    const LinkRule rule = settings.BilledLinkRule();
    const std::optional<NetworkList> networks =
        rule.NeedsNetworks() ? std::optional(ports.connection.ActiveNetworks()) : std::nullopt;
    const std::optional<BilledConnection> billed =
        BilledOn(rule, ports.connection.Connected(), ports.connection.RoutedLinks(),
                 networks ? &*networks : nullptr);
    StatusReport report =
        MakeStatusReport(settings, std::move(ledger), now,
                         billed ? std::optional<std::string>(billed->link) : std::nullopt, path,
                         ports.clock.Offsets());
    SetBilledNetwork(report, billed, networks ? &*networks : nullptr);
    result.out = kind == CommandKind::StatusJson ? StatusJson(report) : StatusPlainText(report);
    return result;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args, const ToolkitOptions& toolkit) {
    bool status = false, json = false, sessions = false, version = false, help = false,
         report = false, twice = false;
    std::string file;
    for (size_t i = 0; i < args.size();) {
        const std::string& a = args[i];
        if (a == "--status")
            status = true;
        else if (a == "--report") {
            twice = twice || report;
            report = true;
            // The file is the next argument unless that is an option ("./-x" names a file "-x").
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-')
                file = args[++i];
        } else if (a == "--json")
            json = true;
        else if (a == "--sessions")
            sessions = true;
        else if (a == "--version")
            version = true;
        else if (a == "--help" || a == "-h")
            help = true;
        else if (const int taken = toolkit ? toolkit(args, i) : 0; taken > 0) {
            i += static_cast<size_t>(taken);
            continue;
        } else
            return Usage(a);
        ++i;
    }
    if (help)
        return Command{CommandKind::Help, {}, {}, {}};
    if (version)
        return Command{CommandKind::Version, {}, {}, {}};
    if (twice)
        return Usage("--report", "--report 只能给一次");
    if (report && (status || sessions))
        return Usage("--report", std::string("--report 不能与 ") +
                                     (status ? "--status" : "--sessions") + " 同用");
    if (sessions && status)
        return Usage("--sessions", "--sessions 不能与 --status 同用");
    if (json && !status)
        return Usage("--json", "--json 只能与 --status 同用");
    if (sessions)
        return Command{CommandKind::Sessions, {}, {}, {}};
    if (report)
        return Command{CommandKind::Report, {}, {}, file};
    if (status)
        return Command{json ? CommandKind::StatusJson : CommandKind::Status, {}, {}, {}};
    return Command{};
}

std::string UsageText() {
    return "Usage: kivrel [--status [--json] | --sessions | --report [FILE] | --version | --help]\n"
           "\n"
           "Without an option Kivrel starts in the notification area.\n"
           "\n"
           "  --status          print the current billing month's figures, one a line\n"
           "  --status --json   the same as one JSON object: billing_month, period_start,\n"
           "                    period_end, days_left, used_minutes, allowance_hours,\n"
           "                    remaining_minutes, forecast_minutes, online, settings_file,\n"
           "                    link, network, metered, sessions, billed_minutes,\n"
           "                    bill_cents, currency, plan, remaining_billed_minutes,\n"
           "                    idle_minutes, hang_up_at, warnings (refused settings\n"
           "                    values, unreadable ledger lines); with time bands also\n"
           "                    free_minutes and bands\n"
           "  --sessions        print this billing period's sessions as CSV, the open one last\n"
           "  --report [FILE]   write the usage report, one HTML page, to FILE; without\n"
           "                    FILE, to report.html beside the settings file, open it in\n"
           "                    the default browser and print its path\n"
           "  --version         print the version\n"
           "  --help            print this help\n"
           "\n"
           "The options read the settings file and write nothing but the report; they need\n"
           "no display and work while Kivrel runs. --report FILE replaces an existing FILE\n"
           "only when it is an earlier report, and never the settings file or its ledger.\n"
           "Exit status: 0, 1 when the report cannot be written, or 2 for a usage error or a\n"
           "missing settings file.\n";
}

ConsoleOutput RunConsoleCommand(const Command& command, ConsolePorts ports) {
    ConsoleOutput result;
    switch (command.kind) {
        case CommandKind::Window:
            break;
        case CommandKind::Help:
            result.out = UsageText();
            break;
        case CommandKind::Version:
            result.out = "Kivrel 1.0.0." + DecimalText(ports.app.Revision()) + "\n";
            break;
        case CommandKind::Usage:
            result.err = "kivrel：" + PrintableText(command.problem) + "\n\n" + UsageText();
            result.status = 2;
            break;
        case CommandKind::Status:
        case CommandKind::StatusJson:
        case CommandKind::Sessions:
            result = PrintStatus(command.kind, ports);
            break;
        case CommandKind::Report:
            result = WriteReport(command.file, ports);
            break;
    }
    return result;
}

}  // namespace kivrel
