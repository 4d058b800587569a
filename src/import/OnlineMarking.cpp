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
    if (!importer.app.isJoinOnly()) note += QStringLiteral(". Member") + LoanRequestText(importer.app);
    CreateDiaryEntry(importer, importer.app.memberNumber, QStringLiteral("VELT"), note);
    AddWebLogEntry(importer, note, QStringLiteral("JOINBORROW"), QStringLiteral("SKIPPED"),
                   QString::number(importer.app.memberNumber));
}

}  // namespace

QString MarkApplicationStatement(const QStringList& fieldIds, const QString& stamp) {
    // The keys are read back as numbers, so only digits reach the statement.
    QStringList numbers;
    numbers.reserve(fieldIds.size());
    for (const QString& fieldId : fieldIds) numbers << QString::number(fieldId.toLongLong());
    return QStringLiteral("UPDATE table_w SET field_107='Y', field_108=") + sqlText(stamp) +
           QStringLiteral(" WHERE field_id IN (") + numbers.join(QLatin1Char(',')) + QStringLiteral(") ;");
}

QString MarkAddressesStatement(const QStringList& rawField2s, const QString& stamp) {
    return QStringLiteral("UPDATE table_ad SET field_21='Y', field_22=") + sqlText(stamp) +
           QStringLiteral(" WHERE field_2 IN (") + sqlTextList(rawField2s) + QStringLiteral(") AND field_21<>'Y';");
}

void UpdateTableWRecord(Importer& importer, bool failEmailReqd, const QString& failNotes) {
    // The online rows are marked once the application's unit of work has committed
    // (MarkOnlineRowsImported); a refusal is one whenever it records a failure.
    importer.app.outcome = failEmailReqd || !failNotes.isEmpty() ? QStringLiteral("refused") : QStringLiteral("imported");
    if (!failNotes.isEmpty()) recordSkip(importer, failNotes);
    if (failEmailReqd) SendFailEmail(importer);
}

void MarkOnlineRowsImported(Importer& importer, const QList<OnlineRowKeys>& applications) {
    if (applications.isEmpty()) return;
    const QString stamp = importedStamp(importer);
    QStringList fieldIds;
    QStringList addressKeys;
    for (const OnlineRowKeys& keys : applications) {
        fieldIds << keys.fieldId;
        // An empty key links no address rows: marking "field_2=''" would mark other
        // applications' rows, which are found by their second key.
        if (!keys.rawField2.isEmpty()) addressKeys << keys.rawField2;
    }
    db::Connection& online = importer.connections.OnlineConnection;
    online.execute(MarkApplicationStatement(fieldIds, stamp));
    if (!addressKeys.isEmpty()) online.execute(MarkAddressesStatement(addressKeys, stamp));
}

}  // namespace autovelt
