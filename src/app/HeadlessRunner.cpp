#include "app/HeadlessRunner.h"

#include "app/CommandLine.h"
#include "app/ControlSettings.h"
#include "pipeline/ImportPass.h"
#include "app/ImportCycle.h"
#include "app/PrintingReporter.h"
#include "state/Importer.h"
#include "app/QtCycleTimer.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace autovelt::inline app {

namespace {

int signalPipe[2] = {-1, -1};
std::atomic<bool>* stopFlag = nullptr;

void onSignal(int) {
    if (stopFlag) stopFlag->store(true);
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void installSignalHandlers(std::atomic<bool>& flag) {
    stopFlag = &flag;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int RunDryRun(const QString& homeFolder) {
    SystemClock clock;
    PrintingReporter reporter(clock, stdout, QStringLiteral("dry run: "));
    Importer importer(homeFolder, reporter, clock);
    importer.LoadInstallation();
    importer.dryRun = true;
    importer.writesImporterLogs = false;
    LoadControlSettings(importer);
    if (!importer.SkipImport) RunImportPass(importer);
    const bool settingsStopped = importer.SkipImport;
    importer.connections.closeAll();
    if (settingsStopped) return ExitSettingsStopped;
    return importer.lastPassEnd == Importer::PassEnd::Completed || importer.lastPassEnd == Importer::PassEnd::NotRun
               ? ExitOk
               : ExitPassStopped;
}

int RunHeadless(const QString& homeFolder, bool once) {
    SystemClock clock;
    PrintingReporter reporter(clock, stdout);
    Importer importer(homeFolder, reporter, clock);
    importer.LoadInstallation();
    QtCycleTimer timer;
    ImportCycle cycle(importer, timer);

    installSignalHandlers(importer.stopRequested);
    if (once) {
        // A signal now sets the stop flag: the pass finishes the current application.
        cycle.RunCycle();
        return cycle.lastCycleExitStatus();
    }

    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    // The event loop only sees the signal between cycles: that is the safe point to stop.
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] ssize_t got = ::read(signalPipe[0], &byte, 1);
        if (cycle.started()) cycle.switchOnOff();
        cycle.Shutdown();
        QCoreApplication::quit();
    });
    cycle.switchOnOff();
    return QCoreApplication::exec() == 0 ? ExitOk : ExitSettingsStopped;
}

}  // namespace autovelt::app
