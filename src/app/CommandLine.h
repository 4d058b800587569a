#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace autovelt::inline app {

struct CommandLine {
    bool headless = false;
    bool once = false;
    bool dryRun = false;  // --dry-run: one pass, nothing saved, sent or filed
    bool init = false;
    bool check = false;
    bool status = false;
    bool json = false;  // --status --json
    bool help = false;
    bool version = false;
    QString home;
    // --explain-rules REPORT [--amount N] [--member N] [--new-member]
    QString explainRulesReport;
    QString amount;
    long member = 0;
    bool newMember = false;
    // --search TEXT [DIR]
    bool search = false;
    QString searchText;
    QString searchFolder;
    // --delete-member N [--yes]
    long deleteMember = 0;
    bool yes = false;
};

// Parses the arguments (without the program name). Returns nothing for a bad command
// line, with the reason in `error`.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& error);
// The same for a program's own arguments (argv[1] onwards).
std::optional<CommandLine> ParseCommandLine(int argc, char** argv, QString& error);

// True when an action is named (--headless, --once, --init, ...); this program runs
// nothing without one.
bool NamesAnAction(const CommandLine& commandLine);

// The folder of the running program, known before any application object exists.
QString ExecutableFolder(const char* argv0);

// The installation folder: --home DIR, else AUTOVELT_HOME, else the executable's folder.
QString ResolveHomeFolder(const CommandLine& commandLine, const QString& executableFolder);

QString UsageText();

// Exit codes of the program.
enum ExitCode {
    ExitOk = 0,               // --once: every application read was imported, refused or already done
    ExitSettingsStopped = 1,  // --once: the settings load stopped the cycle
    ExitBadCommandLine = 2,
    ExitInitRefused = 3,      // --init: the folder already holds an installation
    ExitAlreadyRunning = 4,   // another importer holds the installation
    ExitPassStopped = 5,      // --once: applications were left pending by a failure (the pass stopped early, or one failed)
    ExitStoppedOnRequest = 6, // --once: SIGINT/SIGTERM; the current application was finished, the rest left pending
    ExitExplainFailed = 7,    // --explain-rules: the report or the installation could not be read
    ExitNotConfirmed = 8,     // --delete-member without --yes: the records were listed, nothing deleted
    ExitToolFailed = 9,       // --delete-member: a table could not be read or emptied; nothing deleted
};
// --search: no file holds the text.
inline constexpr int ExitNoMatches = 1;

}  // namespace autovelt::app
