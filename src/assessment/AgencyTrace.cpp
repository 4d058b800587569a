#include "assessment/AgencyTrace.h"

#include "common/PrivateFiles.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

namespace autovelt::inline assessment {

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

QString WriteAgencyTrace(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         const QString& fileName, const QString& request) {
    if (cycle.dryRun) return fileName;  // nothing is sent, so no copy is kept
    const QString path = QDir(AgencyTraceFolder(cycle.programFolder())).filePath(fileName);
    QString error;
    if (!WritePrivateFile(path, (MaskAgencyPasswords(request) + QLatin1Char('\n')).toUtf8(), &error))
        session.ShowException(QStringLiteral("Unable to keep a copy of the agency request in ") + path +
                              QStringLiteral(": ") + error);
    else if (!app.identityKey.isEmpty())
        session.recordedResponses().keepWithApplication(app.identityKey, path);
    return path;
}

void KeepAgencyTraceForStaff(UnitSession& session, const ApplicationState& app, const QString& path) {
    if (!app.identityKey.isEmpty()) session.recordedResponses().releaseFromApplication(app.identityKey, path);
}

void RemoveExpiredAgencyCopies(const CycleContext& cycle, UnitSession& session) {
    const QDateTime cutoff = cycle.clock().now().addDays(-cycle.config.agency.traceRetentionDays);
    for (const QString& folder :
         {AgencyTraceFolder(cycle.programFolder()), programTraceFolder(cycle.programFolder())}) {
        if (QFileInfo(folder).isSymLink()) continue;
        for (const QFileInfo& copy : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            if (copy.lastModified() < cutoff) QFile::remove(copy.filePath());
    }
    session.recordedResponses().forgetOlderThan(cutoff);
}

}  // namespace autovelt::assessment
