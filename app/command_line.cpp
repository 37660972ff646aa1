#include "app/command_line.h"

#include "accounting/link.h"
#include "accounting/numbers.h"
#include "accounting/session_ledger.h"
#include "app/module1.h"
#include "app/report.h"
#include "app/status_report.h"

namespace kivrel {

namespace {

// The folder of a file, without a trailing separator.
std::string FolderOf(const std::string& path, const std::string& separator) {
    const size_t at = path.rfind(separator);
    return at == std::string::npos ? std::string(".") : path.substr(0, at);
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
    const std::string ledger =
        ports.files.ReadAll(LedgerPathBeside(settingsPath)).value_or(std::string());
    const std::string separator = ports.app.PathSeparator();
    const std::string folder = FolderOf(SettingsFileInUse(ports.files, ports.app), separator);
    const std::string page = ReportPage(MakeReportFigures(
        ReadReportInputs(Settings(*settings), ledger), ports.clock.Now(), settingsPath));
    const std::string target = file.empty() ? folder + separator + kReportFileName : file;
    if ((file.empty() && !ports.files.MakeDirectories(folder)) ||
        !ports.files.ReplaceAll(target, page)) {
        result.err = "kivrel: cannot write the report to " + target + "\n";
        result.status = 1;
        return result;
    }
    if (!file.empty())
        return result;
    result.out = target + "\n";
    if (!ports.opener.Open(target))
        result.err = "kivrel: no browser could be started for the report\n";
    return result;
}

Command Usage(const std::string& unknown) {
    return Command{CommandKind::Usage, unknown, {}};
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args, const ToolkitOptions& toolkit) {
    bool status = false, json = false, sessions = false, version = false, help = false,
         report = false;
    std::string file;
    for (size_t i = 0; i < args.size();) {
        const std::string& a = args[i];
        if (a == "--status")
            status = true;
        else if (a == "--report") {
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
        return Command{CommandKind::Help, {}, {}};
    if (version)
        return Command{CommandKind::Version, {}, {}};
    if (json && !status)
        return Usage("--json");
    if (sessions && status)
        return Usage("--sessions");
    if (report && (status || sessions))
        return Usage("--report");
    if (sessions)
        return Command{CommandKind::Sessions, {}, {}};
    if (report)
        return Command{CommandKind::Report, {}, file};
    if (status)
        return Command{json ? CommandKind::StatusJson : CommandKind::Status, {}, {}};
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
           "                    link, sessions, billed_minutes, bill_cents, currency,\n"
           "                    idle_minutes, hang_up_at\n"
           "  --sessions        print this billing period's sessions as CSV, the open one last\n"
           "  --report [FILE]   write the usage report, one HTML page, to FILE; without\n"
           "                    FILE, to report.html beside the settings file, open it in\n"
           "                    the default browser and print its path\n"
           "  --version         print the version\n"
           "  --help            print this help\n"
           "\n"
           "The options read the settings file and write nothing but the report; they need\n"
           "no display and work while Kivrel runs. Exit status: 0, 1 when the report cannot\n"
           "be written, or 2 for a usage error or a missing settings file.\n";
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
            result.err = "kivrel: unknown option '" + command.unknown + "'\n\n" + UsageText();
            result.status = 2;
            break;
        case CommandKind::Status:
        case CommandKind::StatusJson:
        case CommandKind::Sessions: {
            const std::string path = SettingsFileToRead(ports.files, ports.app);
            std::optional<std::string> text =
                path.empty() ? std::nullopt : ports.files.ReadAll(path);
            if (!text) {
                result.err = std::string(kMissingIniText) + "\n";
                result.status = 2;
                break;
            }
            const Settings settings(std::move(*text));
            const std::string ledger =
                ports.files.ReadAll(LedgerPathBeside(path)).value_or(std::string());
            const LocalDate today = ports.clock.Today();
            if (command.kind == CommandKind::Sessions) {
                const BillingPeriod period = PeriodOf(today, settings.Int(Setting::BillingDay));
                result.out = SessionsCsv(PeriodSessions(settings, ledger, period));
                break;
            }
            const std::optional<std::string> link =
                BilledLink(settings.BilledLinkPatterns(), ports.connection.Connected(),
                           ports.connection.RoutedLinks());
            const StatusReport report = MakeStatusReport(settings, ledger, today, link, path);
            result.out = command.kind == CommandKind::StatusJson ? StatusJson(report)
                                                                 : StatusPlainText(report);
            break;
        }
        case CommandKind::Report:
            result = WriteReport(command.file, ports);
            break;
    }
    return result;
}

}  // namespace kivrel
