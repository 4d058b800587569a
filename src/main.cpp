#include "app/CommandLine.h"
#include "app/HeadlessRunner.h"
#include "app/InstallationSetup.h"
#include "app/InstallationCheck.h"
#include "app/InstallationStatus.h"
#include "app/InstanceLock.h"
#include "app/RuleExplanation.h"
#include "app/ToolCommands.h"
#include "common/LocalTimeZone.h"

#include <QCoreApplication>
#include <cstdio>

using namespace autovelt;

int main(int argc, char** argv) {
    ReadLocalTimeZoneOnce();
    QString error;
    const auto commandLine = ParseCommandLine(argc, argv, error);
    if (!commandLine) {
        std::fprintf(stderr, "autovelt: %s\n\n%s", qPrintable(error), qPrintable(UsageText()));
        return ExitBadCommandLine;
    }
    if (commandLine->help) { std::fputs(qPrintable(UsageText()), stdout); return ExitOk; }
    if (commandLine->version) { std::printf("autovelt %s\n", AUTOVELT_VERSION); return ExitOk; }

    // This program links no window library, so it can run on a server: the main window is
    // the program autovelt-window.
    if (!NamesAnAction(*commandLine)) {
        std::fprintf(stderr, "autovelt: name an action (--headless runs the cycle); the main window is autovelt-window\n\n%s",
                     qPrintable(UsageText()));
        return ExitBadCommandLine;
    }
    const QString home = ResolveHomeFolder(*commandLine, ExecutableFolder(argv[0]));
    // The rule explanation, the search, the check and the status only read, so they may run
    // beside a working importer.
    if (!commandLine->init && !commandLine->check && !commandLine->status && commandLine->explainRulesReport.isEmpty() &&
        !commandLine->search) {
        static InstanceLock lock(home);
        if (!lock.acquired()) {
            std::fprintf(stderr, "autovelt: %s\n", qPrintable(lock.problem()));
            return ExitAlreadyRunning;
        }
    }
    QCoreApplication app(argc, argv);
    if (!commandLine->explainRulesReport.isEmpty())
        return ExplainRules({commandLine->explainRulesReport, home, commandLine->amount, commandLine->member,
                             commandLine->newMember});
    if (commandLine->check) return RunCheckCommand(home);
    if (commandLine->status) return RunStatusCommand(home, commandLine->json);
    if (commandLine->search) return RunSearchCommand(home, commandLine->searchText, commandLine->searchFolder);
    if (commandLine->deleteMember != 0) return RunDeleteMemberCommand(home, commandLine->deleteMember, commandLine->yes);
    if (commandLine->init) {
        QString reason;
        if (!InitInstallation(home, reason)) {
            std::fprintf(stderr, "autovelt: %s\n", qPrintable(reason));
            return ExitInitRefused;
        }
        std::printf("Created a new installation in %s\n"
                    "Fill in autovelt.ini and the Control rows, then run: autovelt --check --home %s\n",
                    qPrintable(home), qPrintable(home));
        return ExitOk;
    }
    if (commandLine->dryRun) return RunDryRun(home);
    return RunHeadless(home, commandLine->once);
}
