#include "state/StartupSettings.h"

#include "common/TextFiles.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autovelt::inline state {

namespace {

const QString kSettingsKey = QStringLiteral("Software\\Varno\\Tarvonel");

QVariant readValue(qint32 root, const QString& name) {
    Registry reg;
    reg.SetLocation(root, kSettingsKey, name);
    return reg.value();
}

bool isFileDatabasePath(const QString& line) {
    // A drive path, a network path, or (here) an absolute path.
    return line.contains(QLatin1Char(':')) || line.contains(QLatin1String("\\\\")) ||
           line.startsWith(QLatin1Char('/'));
}

}  // namespace

void ApplySettingsFileLine(const QString& line, StartupSettings& s) {
    const bool serverLine = line.contains(QLatin1Char('|'));
    if (serverLine && isFileDatabasePath(line.section(QLatin1Char('|'), 0, 0))) {
        s.settingsFileProblem = QStringLiteral("The first line of t2sql.ini names a folder but holds \"|\"; "
                                               "write either a folder or server|subset[|user|password]");
        return;
    }
    if (!serverLine && isFileDatabasePath(line)) {
        s.txtDatabase = line;
        s.chkSQL = false;
        s.SQLSubset.clear();
    } else if (serverLine) {
        const QStringList parts = line.split(QLatin1Char('|'));
        s.txtDatabase = parts.value(0);
        s.chkSQL = true;
        s.SQLSubset = parts.value(1);
        s.chkAdmin = false;
        s.sqlUserName.clear();
        s.sqlPW.clear();
        if (parts.size() == 4) {
            s.chkAdmin = true;
            s.sqlUserName = parts[2];
            s.sqlPW = parts[3];
        }
    } else {
        s.txtDatabase = line;
        s.chkSQL = true;
        s.SQLSubset.clear();
    }
}

StartupSettings ReadStartupSettings(const QString& programFolder) {
    StartupSettings s;
    const QVariant database = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Database"));
    s.txtDatabase = database.toString();
    s.chkSQL = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("SQLDatabase")).toString() == s.txtDatabase &&
               !database.isNull();
    s.chkAdmin = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Admin")).toString() == QLatin1String("1");
    s.sqlPW = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("AdminPW")).toString();
    s.sqlUserName = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("AdminUserName")).toString();
    const bool terminalServer =
        readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("TerminalServer")).toString() == QLatin1String("1");
    s.SQLSubset = readValue(terminalServer ? Registry::HKEY_CURRENT_USER : Registry::HKEY_LOCAL_MACHINE,
                            QStringLiteral("DataSubset")).toString();
    if (!s.chkSQL) s.SQLSubset.clear();
    s.SQLCursor = readValue(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Cursor")).toString();
    if (s.SQLCursor != QLatin1String("2") && s.SQLCursor != QLatin1String("3")) s.SQLCursor = QStringLiteral("3");

    const QString settingsFile = QDir(programFolder).filePath(QStringLiteral("t2sql.ini"));
    if (QFileInfo::exists(settingsFile)) {
        QString error;
        const std::optional<QString> line = ReadFirstLine(settingsFile, &error);
        if (!line)
            s.settingsFileProblem = QStringLiteral("The settings file %1 cannot be read: %2").arg(settingsFile, error);
        else if (line->trimmed().isEmpty())
            s.settingsFileProblem = QStringLiteral("The first line of %1 is empty: it must name the folder of the core "
                                                   "banking databases or their SQL Server").arg(settingsFile);
        else
            ApplySettingsFileLine(*line, s);
    }

    if (!s.chkSQL && !s.txtDatabase.endsWith(QLatin1Char('/')) && !s.txtDatabase.endsWith(QLatin1Char('\\')))
        s.txtDatabase += QLatin1Char('/');
    return s;
}

}  // namespace autovelt::state
