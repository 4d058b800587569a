#include "app/CommandLine.h"

#include <QDir>

namespace autovelt {

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& error) {
    CommandLine c;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--headless")) c.headless = true;
        else if (a == QLatin1String("--once")) c.once = true;
        else if (a == QLatin1String("--init")) c.init = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) c.help = true;
        else if (a == QLatin1String("--version")) c.version = true;
        else if (a == QLatin1String("--home")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) { error = QStringLiteral("--home needs a folder"); return std::nullopt; }
            c.home = arguments[++i];
        } else if (a.startsWith(QLatin1String("--home="))) {
            c.home = a.mid(7);
            if (c.home.isEmpty()) { error = QStringLiteral("--home needs a folder"); return std::nullopt; }
        } else {
            error = QStringLiteral("unknown argument: ") + a;
            return std::nullopt;
        }
    }
    return c;
}

QString ResolveHomeFolder(const CommandLine& c, const QString& executableFolder) {
    if (!c.home.isEmpty()) return QDir(c.home).absolutePath();
    const QString fromEnvironment = qEnvironmentVariable("AUTOVELT_HOME");
    if (!fromEnvironment.isEmpty()) return QDir(fromEnvironment).absolutePath();
    return executableFolder;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: autovelt [--home DIR] [--headless] [--once] [--init] [--help] [--version]\n"
        "\n"
        "  --home DIR   installation folder (default: AUTOVELT_HOME, else the program's folder)\n"
        "  --headless   run the import cycle without a window, printing every report line\n"
        "  --once       run exactly one cycle now and exit (implies --headless)\n"
        "  --init       create a new installation in the folder and exit\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "\n"
        "Exit status of --once: 0 the import pass ran, 1 the settings load stopped the cycle,\n"
        "2 bad command line; --init: 3 when the folder already holds an installation.\n");
}

}  // namespace autovelt
