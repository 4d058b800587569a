#include "app/CommandLine.h"

#include "common/Values.h"
#include "tools/MemberDeletion.h"

#include <QDir>
#include <filesystem>

namespace autovelt::inline app {

namespace {

int actionCount(const CommandLine& c) {
    return int(c.headless) + int(c.once) + int(c.dryRun) + int(c.init) + int(c.check) + int(c.search) + int(c.status) +
           int(c.deleteMember != 0) + int(!c.explainRulesReport.isEmpty());
}

}  // namespace

bool NamesAnAction(const CommandLine& commandLine) { return actionCount(commandLine) > 0; }

std::optional<CommandLine> ParseCommandLine(int argc, char** argv, QString& error) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return ParseCommandLine(arguments, error);
}

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& error) {
    CommandLine c;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--headless")) c.headless = true;
        else if (a == QLatin1String("--once")) c.once = true;
        else if (a == QLatin1String("--dry-run")) c.dryRun = true;
        else if (a == QLatin1String("--init")) c.init = true;
        else if (a == QLatin1String("--check")) c.check = true;
        else if (a == QLatin1String("--status")) c.status = true;
        else if (a == QLatin1String("--json")) c.json = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) c.help = true;
        else if (a == QLatin1String("--version")) c.version = true;
        else if (a == QLatin1String("--home")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) { error = QStringLiteral("--home needs a folder"); return std::nullopt; }
            c.home = arguments[++i];
        } else if (a.startsWith(QLatin1String("--home="))) {
            c.home = a.mid(7);
            if (c.home.isEmpty()) { error = QStringLiteral("--home needs a folder"); return std::nullopt; }
        } else if (a == QLatin1String("--explain-rules") || a == QLatin1String("--amount") || a == QLatin1String("--member")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) { error = a + QStringLiteral(" needs a value"); return std::nullopt; }
            const QString value = arguments[++i];
            if (a == QLatin1String("--explain-rules")) c.explainRulesReport = value;
            else if (!isNumeric(value) || leadingNumber(value) < 0) { error = a + QStringLiteral(" needs a number"); return std::nullopt; }
            else if (a == QLatin1String("--amount")) c.amount = value.trimmed();
            else c.member = static_cast<long>(leadingNumber(value));
        } else if (a == QLatin1String("--new-member")) {
            c.newMember = true;
        } else if (a == QLatin1String("--search")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) { error = QStringLiteral("--search needs a text"); return std::nullopt; }
            c.search = true;
            c.searchText = arguments[++i];
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String("--"))) c.searchFolder = arguments[++i];
        } else if (a == QLatin1String("--delete-member")) {
            const auto number = i + 1 < arguments.size() ? ParseMemberNumberAnswer(arguments[i + 1]) : std::nullopt;
            if (!number) {
                error = QStringLiteral("--delete-member needs a whole member number from 1 to 99999999");
                return std::nullopt;
            }
            c.deleteMember = *number;
            ++i;
        } else if (a == QLatin1String("--yes")) {
            c.yes = true;
        } else {
            error = QStringLiteral("unknown argument: ") + a;
            return std::nullopt;
        }
    }
    // One action per run: a deletion must never slip past the installation lock by being
    // named beside an action that runs without it.
    if (actionCount(c) > 1) {
        error = QStringLiteral("--headless, --once, --dry-run, --init, --check, --search, --status, --delete-member and "
                               "--explain-rules are separate actions: name one");
        return std::nullopt;
    }
    if (c.json && !c.status) {
        error = QStringLiteral("--json goes with --status");
        return std::nullopt;
    }
    return c;
}

QString ExecutableFolder(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto path = ec ? std::filesystem::absolute(argv0) : self;
    return QString::fromStdString(path.parent_path().string());
}

QString ResolveHomeFolder(const CommandLine& c, const QString& executableFolder) {
    if (!c.home.isEmpty()) return QDir(c.home).absolutePath();
    const QString fromEnvironment = qEnvironmentVariable("AUTOVELT_HOME");
    if (!fromEnvironment.isEmpty()) return QDir(fromEnvironment).absolutePath();
    return executableFolder;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: autovelt [--home DIR] ACTION | --help | --version   (the main window is autovelt-window)\n"
        "\n"
        "  --home DIR   installation folder (default: AUTOVELT_HOME, else the program's folder)\n"
        "  --headless   run the import cycle without a window, printing every report line\n"
        "  --once       run exactly one cycle now and exit (implies --headless)\n"
        "  --dry-run    one pass over the pending applications, printing what it would do;\n"
        "               nothing is saved, sent (no agency request, email or FTP transfer) or filed\n"
        "  --init       create a new installation in the folder and exit\n"
        "  --check      check the installation (settings, databases, folders, templates,\n"
        "               permissions, mail server and agency reachable), one line per check;\n"
        "               imports nothing and sends nothing; exit 0 when every check passes\n"
        "  --status [--json]\n"
        "               show the pending applications, the last and next cycle, the outbox, the\n"
        "               documents waiting and the staging folder's leftovers; reads only, beside\n"
        "               a working importer; exit 0 when healthy, 1 when a person is needed\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "  --explain-rules REPORT [--amount N] [--member N] [--new-member]\n"
        "               evaluate the credit and policy rules on a stored credit report and print\n"
        "               each rule, its band, the value found and the letter; writes nothing\n"
        "               (--amount: total borrowing, choosing the rule set; --member: the member\n"
        "               whose stored answers and earlier results count; --new-member: that\n"
        "               member joined with this application)\n"
        "  --search TEXT [DIR]\n"
        "               print the files of DIR (default: the installation's log folders) that\n"
        "               contain TEXT, without regard to case, most recently modified first\n"
        "  --delete-member N [--yes]\n"
        "               show member N's name and the rows each table holds; with --yes delete\n"
        "               them all, in one unit (nothing is deleted without --yes)\n"
        "\n"
        "Exit status of --once: 0 the import pass ran, 1 the settings load stopped the cycle,\n"
        "2 bad command line; --check: 1 when a check failed; --status: 1 when not healthy; --init: 3 when the folder already holds an installation;\n"
        "--explain-rules: 7 when the report or the installation cannot be read;\n"
        "--search: 0 with matches, 1 without; --delete-member: 0 deleted, 8 listed but not\n"
        "confirmed, 9 a table could not be read or emptied (nothing deleted).\n");
}

}  // namespace autovelt::app
