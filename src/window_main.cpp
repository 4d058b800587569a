// autovelt-window: the importer's main window, a program of its own so that the server's
// program (autovelt) links no window library. The cycle starts itself when the window opens.
#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "common/LocalTimeZone.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <cstdio>

using namespace autovelt;

namespace {

const char* const kWindowUsage =
    "Usage: autovelt-window [--home DIR] | --help | --version\n"
    "\n"
    "  --home DIR   installation folder (default: AUTOVELT_HOME, else the program's folder)\n"
    "\n"
    "Opens the importer's main window; the import cycle starts itself. Every other action\n"
    "(--headless, --once, --init, --check, --status, ...) is the program autovelt's.\n";

}  // namespace

int main(int argc, char** argv) {
    ReadLocalTimeZoneOnce();
    QString error;
    const auto commandLine = ParseCommandLine(argc, argv, error);
    if (commandLine && NamesAnAction(*commandLine)) error = QStringLiteral("the actions are autovelt's; this program only opens the window");
    if (!commandLine || !error.isEmpty()) {
        std::fprintf(stderr, "autovelt-window: %s\n\n%s", qPrintable(error), kWindowUsage);
        return ExitBadCommandLine;
    }
    if (commandLine->help) { std::fputs(kWindowUsage, stdout); return ExitOk; }
    if (commandLine->version) { std::printf("autovelt-window %s\n", AUTOVELT_VERSION); return ExitOk; }

    const QString home = ResolveHomeFolder(*commandLine, ExecutableFolder(argv[0]));
    InstanceLock lock(home);
    if (!lock.acquired()) {
        std::fprintf(stderr, "autovelt-window: %s\n", qPrintable(lock.problem()));
        return ExitAlreadyRunning;
    }
    QApplication app(argc, argv);
    SystemClock clock;
    MainWindow window(home, clock);
    window.show();
    return app.exec();
}
