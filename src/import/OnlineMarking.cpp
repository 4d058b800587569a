#include "import/OnlineMarking.h"

#include "state/Importer.h"
#include "comms/AuditTrail.h"
#include "comms/MemberEmails.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "comms/LoanDetailsException.h"

namespace autovelt {

namespace {

QString importedStamp(Importer& importer) {
    return formatDate(importer.passDate(), QStringLiteral("YYYY-MM-DD")) + QLatin1Char(' ') +
           formatDate(importer.clock().now(), QStringLiteral("hh:mm:ss"));
}

void recordSkip(Importer& importer, const QString& failNotes) {
    QString note = failNotes;
    if (!importer.app.isJoinOnly()) note += QStringLiteral(". Member") + LoanRequestText(importer);
    CreateDiaryEntry(importer, importer.app.memberNumber, QStringLiteral("VELT"), note);
    AddWebLogEntry(importer, note, QStringLiteral("JOINBORROW"), QStringLiteral("SKIPPED"),
                   QString::number(importer.app.memberNumber));
}

}  // namespace

QString MarkApplicationStatement(const QString& fieldId, const QString& stamp) {
    // The key is read back as a number, so only digits reach the statement.
    return QStringLiteral("UPDATE table_w SET field_107='Y', field_108=") + sqlText(stamp) +
           QStringLiteral(" WHERE field_id=") + QString::number(fieldId.toLongLong()) + QStringLiteral(" ;");
}

QString MarkAddressesStatement(const QString& rawField2, const QString& stamp) {
    return QStringLiteral("UPDATE table_ad SET field_21='Y', field_22=") + sqlText(stamp) +
           QStringLiteral(" WHERE field_2=") + sqlText(rawField2) + QStringLiteral(" AND field_21<>'Y';");
}

void UpdateTableWRecord(Importer& importer, bool& failEmailReqd, const QString& failNotes) {
    // The online rows are marked once the application's unit of work has committed
    // (MarkOnlineRowsImported); a refusal is one whenever it records a failure.
    importer.app.outcome = failEmailReqd || !failNotes.isEmpty() ? QStringLiteral("refused") : QStringLiteral("imported");
    if (!failNotes.isEmpty()) recordSkip(importer, failNotes);
    if (failEmailReqd) SendFailEmail(importer);
}

void MarkOnlineRowsImported(Importer& importer, const QString& fieldId, const QString& rawField2) {
    const QString stamp = importedStamp(importer);
    db::Connection& online = importer.connections.OnlineConnection;
    online.execute(MarkApplicationStatement(fieldId, stamp));
    // An empty key links no address rows: marking "field_2=''" would mark other
    // applications' rows, which are found by their second key.
    if (!rawField2.isEmpty()) online.execute(MarkAddressesStatement(rawField2, stamp));
}

}  // namespace autovelt
