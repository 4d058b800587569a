#include "assessment/AgencyTrace.h"

#include "common/PrivateFiles.h"
#include "state/Importer.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

namespace autovelt {

namespace {

// A folder the importer may keep personal data in: a real folder (not a link someone
// planted) owned by this user. One of ours that others can open is closed first.
bool isPrivateFolderOfOurs(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink() || info.ownerId() != uint(::getuid())) return false;
    if (IsOpenToOthers(path)) QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return !IsOpenToOthers(path);
}

// The folder for request copies when the shared one cannot be used.
QString programTraceFolder(const QString& programFolder) { return QDir(programFolder).filePath(QStringLiteral("trace")); }

}  // namespace

QString AgencyTraceFolder(const QString& programFolder) {
    const QString shared = QDir(QDir::tempPath()).filePath(QStringLiteral("autovelt-%1").arg(::getuid()));
    if (MakePrivateFolder(shared) && isPrivateFolderOfOurs(shared)) return shared;
    const QString own = programTraceFolder(programFolder);
    MakePrivateFolder(own);
    return own;
}

QString MaskAgencyPasswords(const QString& request) {
    static const QRegularExpression password(QStringLiteral("(<password>).*?(</password>)"),
                                             QRegularExpression::DotMatchesEverythingOption);
    QString masked = request;
    masked.replace(password, QStringLiteral("\\1********\\2"));
    return masked;
}

QString WriteAgencyTrace(Importer& importer, const QString& fileName, const QString& request) {
    if (importer.dryRun) return fileName;  // nothing is sent, so no copy is kept
    const QString path = QDir(AgencyTraceFolder(importer.programFolder())).filePath(fileName);
    QString error;
    if (!WritePrivateFile(path, (MaskAgencyPasswords(request) + QLatin1Char('\n')).toUtf8(), &error))
        importer.ShowException(QStringLiteral("Unable to keep a copy of the agency request in ") + path +
                               QStringLiteral(": ") + error);
    else if (!importer.app.identityKey.isEmpty())
        importer.recordedResponses().keepWithApplication(importer.app.identityKey, path);
    return path;
}

void KeepAgencyTraceForStaff(Importer& importer, const QString& path) {
    if (!importer.app.identityKey.isEmpty()) importer.recordedResponses().releaseFromApplication(importer.app.identityKey, path);
}

void RemoveExpiredAgencyCopies(Importer& importer) {
    const QDateTime cutoff = importer.clock().now().addDays(-importer.config.agency.traceRetentionDays);
    for (const QString& folder : {AgencyTraceFolder(importer.programFolder()), programTraceFolder(importer.programFolder())}) {
        if (QFileInfo(folder).isSymLink()) continue;
        for (const QFileInfo& copy : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            if (copy.lastModified() < cutoff) QFile::remove(copy.filePath());
    }
    importer.recordedResponses().forgetOlderThan(cutoff);
}

}  // namespace autovelt
