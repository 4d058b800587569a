#include "assessment/AgencyReportFile.h"

#include "common/MemberFolder.h"
#include "common/Values.h"
#include "state/FileAfterCommit.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QFileInfo>

namespace autovelt::inline assessment {

QString AgencyReportFileName(const QString& kind, const QString& date) {
    const QString upper = kind.toUpper();
    if (upper == QLatin1String("MEMBERID")) return QStringLiteral("AccountOpenSearch-") + date + QStringLiteral(".xml");
    if (upper == QLatin1String("CREDITCH")) return QStringLiteral("CreditCheck-") + date + QStringLiteral(".xml");
    return CleanFileNamePart(upper) + QLatin1Char('-') + date + QStringLiteral(".xml");
}

QString StoreAgencyReport(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, long memberNumber,
                          const QString& kind, const QString& content) {
    if (content.isEmpty()) return {};
    StagedFile file;
    file.root = cycle.settings.ScanLocation;
    file.kind = CleanFileNamePart(kind.toUpper());
    file.member = memberNumber;
    file.name = AgencyReportFileName(kind, formatDate(cycle.passDate(), QStringLiteral("yyyymmdd")));
    // The store itself is never created here: a store that cannot be reached (a drive gone)
    // is reported and the answer is kept in the program's folder instead.
    if (!QFileInfo(file.root).isDir()) {
        session.ShowException(QStringLiteral("Unable to store credit report file in scanned images folder"));
        session.ShowException(file.root + QStringLiteral(" for member ") + QString::number(memberNumber));
        file.root = cycle.programFolder() + QLatin1Char('/');
        file.kind = QStringLiteral("web");
        session.ShowException(QStringLiteral("File has been saved instead within ") + file.root + file.kind +
                              QStringLiteral(" please import file once issue resolved."));
    }
    QString error;
    const QString filed = FileAfterCommit(cycle, session, app, file, (content + QLatin1Char('\n')).toUtf8(), &error);
    if (filed.isEmpty())
        session.ShowException(QStringLiteral("Unable to write the ") + kind + QStringLiteral(" response of member ") +
                              QString::number(memberNumber) + QStringLiteral(" to ") + file.filedPath() +
                              QStringLiteral(": ") + error);
    return filed;
}

}  // namespace autovelt::assessment
