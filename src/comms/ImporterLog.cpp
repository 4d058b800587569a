#include "comms/ImporterLog.h"

#include "common/PrivateFiles.h"
#include "common/PrintableText.h"
#include "common/Values.h"

#include <QDir>
#include <QFile>

namespace autovelt::inline comms {

namespace {

QString unusedLogPath(const QDir& folder, const QString& stem) {
    QString path = folder.filePath(stem + QLatin1String(".txt"));
    for (int n = 2; QFile::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1_%2.txt").arg(stem).arg(n));
    return path;
}

}  // namespace

QString WriteImporterLogFile(const QString& programFolder, const QDateTime& now, const QString& message) {
    QDir folder(programFolder);
    if (!MakePrivateFolder(folder.filePath(QStringLiteral("web"))) || !folder.cd(QStringLiteral("web"))) return {};
    const QString stem = QStringLiteral("autovelt_") + formatDate(now, QStringLiteral("dd_mm_yyyy")) +
                         QLatin1Char('_') + formatDate(now, QStringLiteral("hh_mm_ss"));
    const QString path = unusedLogPath(folder, stem);
    QFile file(path);
    if (!OpenPrivateFile(file, QIODevice::WriteOnly | QIODevice::Text)) return {};
    if (!message.isEmpty()) file.write((FlattenControlCharacters(message) + QLatin1Char('\n')).toUtf8());
    return path;
}

}  // namespace autovelt::comms
