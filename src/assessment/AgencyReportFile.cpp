#include "assessment/AgencyReportFile.h"

#include "common/MemberFolder.h"
#include "common/PrivateFiles.h"
#include "common/Values.h"
#include "state/Importer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autovelt {

namespace {

// The first unused "<stem>_<n>.xml" beside the day's file.
QString earlierResponseName(const QString& folder, const QString& fileName) {
    const QString stem = QFileInfo(fileName).completeBaseName();
    QString path;
    for (int n = 1; path.isEmpty() || QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1_%2.xml").arg(stem).arg(n));
    return path;
}

}  // namespace

QString AgencyReportFileName(const QString& kind, const QString& date) {
    const QString upper = kind.toUpper();
    if (upper == QLatin1String("MEMBERID")) return QStringLiteral("AccountOpenSearch-") + date + QStringLiteral(".xml");
    if (upper == QLatin1String("CREDITCH")) return QStringLiteral("CreditCheck-") + date + QStringLiteral(".xml");
    return CleanFileNamePart(upper) + QLatin1Char('-') + date + QStringLiteral(".xml");
}

QString StoreAgencyReport(Importer& importer, long memberNumber, const QString& kind, const QString& content) {
    if (content.isEmpty()) return {};
    QString scanLocation = importer.settings.ScanLocation;
    QString folderKind = CleanFileNamePart(kind.toUpper());
    if (!QFileInfo(scanLocation).isDir()) {
        importer.ShowException(QStringLiteral("Unable to store credit report file in scanned images folder"));
        importer.ShowException(scanLocation + QStringLiteral(" for member ") + QString::number(memberNumber));
        scanLocation = importer.programFolder() + QLatin1Char('/');
        folderKind = QStringLiteral("web");
        importer.ShowException(QStringLiteral("File has been saved instead within ") + scanLocation + folderKind +
                               QStringLiteral(" please import file once issue resolved."));
    }
    const QString folder = MemberFolderPath(scanLocation, folderKind, memberNumber);
    if (!MakeMemberFolder(scanLocation, folderKind, memberNumber)) {
        importer.ShowException(QStringLiteral("Unable to create the folder ") + folder + QStringLiteral(" for the ") +
                               kind + QStringLiteral(" response of member ") + QString::number(memberNumber));
        return {};
    }
    const QString path = folder + AgencyReportFileName(kind, formatDate(importer.passDate(), QStringLiteral("yyyymmdd")));
    QString target = path;
    if (QFileInfo::exists(path)) {
        const QString earlier = earlierResponseName(folder, path);
        if (!QFile::rename(path, earlier)) target = earlier;  // never lose the earlier response
    }
    QString error;
    if (!WritePrivateFile(target, (content + QLatin1Char('\n')).toUtf8(), &error)) {
        importer.ShowException(QStringLiteral("Unable to write the ") + kind + QStringLiteral(" response of member ") +
                               QString::number(memberNumber) + QStringLiteral(" to ") + target + QStringLiteral(": ") + error);
        return {};
    }
    if (target != path)
        importer.ShowException(QStringLiteral("The earlier response in ") + path +
                               QStringLiteral(" could not be moved aside; the new one is in ") + target);
    return target;
}

}  // namespace autovelt
