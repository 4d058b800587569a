#include "pipeline/ApplicationEnd.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/AuditTrail.h"
#include "comms/MemberEmails.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "comms/LoanDetailsException.h"

namespace autovelt::inline pipeline {

namespace {

QString importedStamp(const CycleContext& cycle) {
    return formatDate(cycle.passDate(), QStringLiteral("YYYY-MM-DD")) + QLatin1Char(' ') +
           formatDate(cycle.clock().now(), QStringLiteral("hh:mm:ss"));
}

void recordSkip(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                const QString& failNotes) {
    QString note = failNotes;
    if (!app.isJoinOnly()) note += QStringLiteral(". Member") + LoanRequestText(app, app.loan);
    CreateDiaryEntry(cycle, session, app, app.memberNumber, QStringLiteral("VELT"), note);
    AddWebLogEntry(cycle, session, app, note, QStringLiteral("JOINBORROW"), QStringLiteral("SKIPPED"),
                   QString::number(app.memberNumber));
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

void UpdateTableWRecord(const CycleContext& cycle, UnitSession& session, ApplicationState& app, bool failEmailReqd,
                        const QString& failNotes) {
    // The online rows are marked once the application's unit of work has committed
    // (MarkOnlineRowsImported); a refusal is one whenever it records a failure.
    app.outcome = failEmailReqd || !failNotes.isEmpty() ? QStringLiteral("refused") : QStringLiteral("imported");
    if (!failNotes.isEmpty()) recordSkip(cycle, session, app, failNotes);
    if (failEmailReqd) SendFailEmail(cycle, session, app);
}

void RefuseApplication(const CycleContext& cycle, UnitSession& session, ApplicationState& app, const Refusal& refusal) {
    session.ShowException(refusal.problem + app.messageSuffix);
    ShowLoanDetailsException(session, app);
    UpdateTableWRecord(cycle, session, app, refusal.failEmail, refusal.notes);
}

void MarkOnlineRowsImported(const CycleContext& cycle, UnitSession& session, const QList<OnlineRowKeys>& applications) {
    if (applications.isEmpty()) return;
    const QString stamp = importedStamp(cycle);
    QStringList fieldIds;
    QStringList addressKeys;
    for (const OnlineRowKeys& keys : applications) {
        fieldIds << keys.fieldId;
        // An empty key links no address rows: marking "field_2=''" would mark other
        // applications' rows, which are found by their second key.
        if (!keys.rawField2.isEmpty()) addressKeys << keys.rawField2;
    }
    db::Connection& online = session.connections.OnlineConnection;
    online.execute(MarkApplicationStatement(fieldIds, stamp));
    if (!addressKeys.isEmpty()) online.execute(MarkAddressesStatement(addressKeys, stamp));
}

}  // namespace autovelt::pipeline
