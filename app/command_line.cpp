#include "app/command_line.h"

#include "accounting/link.h"
#include "accounting/numbers.h"
#include "accounting/session_ledger.h"
#include "app/module1.h"
#include "app/status_report.h"

namespace kivrel {

Command ParseCommandLine(const std::vector<std::string>& args, const ToolkitOptions& toolkit) {
    bool status = false, json = false, sessions = false, version = false, help = false;
    for (size_t i = 0; i < args.size();) {
        const std::string& a = args[i];
        if (a == "--status")
            status = true;
        else if (a == "--json")
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
            return Command{CommandKind::Usage, a};
        ++i;
    }
    if (help)
        return Command{CommandKind::Help, {}};
    if (version)
        return Command{CommandKind::Version, {}};
    if (json && !status)
        return Command{CommandKind::Usage, "--json"};
    if (sessions && status)
        return Command{CommandKind::Usage, "--sessions"};
    if (sessions)
        return Command{CommandKind::Sessions, {}};
    if (status)
        return Command{json ? CommandKind::StatusJson : CommandKind::Status, {}};
    return Command{};
}

std::string UsageText() {
    return "Usage: kivrel [--status [--json] | --sessions | --version | --help]\n"
           "\n"
           "Without an option Kivrel starts in the notification area.\n"
           "\n"
           "  --status          print the current billing month's figures, one a line\n"
           "  --status --json   the same as one JSON object: billing_month, period_start,\n"
           "                    period_end, days_left, used_minutes, allowance_hours,\n"
           "                    remaining_minutes, forecast_minutes, online, settings_file,\n"
           "                    link, sessions, billed_minutes, bill_cents, currency\n"
           "  --sessions        print this billing period's sessions as CSV, the open one last\n"
           "  --version         print the version\n"
           "  --help            print this help\n"
           "\n"
           "The options read the settings file and write nothing; they need no display and\n"
           "work while Kivrel runs. Exit status: 0, or 2 for a usage error or a missing\n"
           "settings file.\n";
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
    }
    return result;
}

}  // namespace kivrel
