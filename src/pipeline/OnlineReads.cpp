#include "pipeline/OnlineReads.h"

#include "common/MemberNumberCode.h"
#include "common/SqlQuote.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace autovelt::inline pipeline {

namespace {

QString memberCode(long memberNumber) { return EncodeMemberNumber(QString::number(memberNumber)); }

bool carried(db::Connection& online, const QString& memberCode, const QString& letter) {
    const QString sql = QStringLiteral("SELECT * FROM rules_log WHERE rulemember=") + sqlText(memberCode) +
                        QStringLiteral(" AND ruleresult=") + sqlText(letter) + QStringLiteral(" AND rulecode<>'PR13A' ;");
    return !online.openRecordset(sql, db::clientReadOnlyCursor()).eof();
}

QString tableAdQuery(const QString& condition, bool homeOnly) {
    return QStringLiteral("SELECT * FROM table_ad WHERE ") + condition +
           (homeOnly ? QStringLiteral(" AND field_3='HOME'") : QString()) + QStringLiteral(" order by field_id ;");
}

QList<StoredAddressRow> storedRows(db::Recordset rows) {
    QList<StoredAddressRow> stored;
    for (; !rows.eof(); rows.moveNext()) stored.append(ReadStoredAddressRow(rows));
    return stored;
}

QList<StoredAddressRow> applicationAddressRows(const CycleContext& cycle, db::Connection& online,
                                               const ApplicationState& app, bool homeOnly) {
    if (!app.rawField2.isEmpty()) {
        QString condition = QStringLiteral("field_2='") + sqlTextBody(app.rawField2) + QLatin1Char('\'');
        if (cycle.applicationIdOverride == 0) condition += QStringLiteral(" AND field_20='I' AND field_21='N'");
        QList<StoredAddressRow> rows = storedRows(online.openRecordset(tableAdQuery(condition, homeOnly), db::readOnlyCursor()));
        if (!rows.isEmpty()) return rows;
    }
    if (app.rawField105.isEmpty()) return {};
    const QString condition = QStringLiteral("field_23='") + sqlTextBody(app.rawField105) + QLatin1Char('\'');
    return storedRows(online.openRecordset(tableAdQuery(condition, homeOnly), db::readOnlyCursor()));
}

}  // namespace

ApplicationAddresses ReadApplicationAddresses(const CycleContext& cycle, db::Connection& online,
                                              const ApplicationState& app, bool homeOnly) {
    try {
        return {applicationAddressRows(cycle, online, app, homeOnly), std::nullopt};
    } catch (const VeltError& error) {
        if (error.environmental()) throw;
        return {{}, error};
    }
}

CarriedResults ReadCarriedResults(db::Connection& online, long memberNumber) {
    if (!online.isOpen()) return {};
    const QString code = memberCode(memberNumber);
    return {.refer = carried(online, code, QStringLiteral("R")), .fail = carried(online, code, QStringLiteral("F"))};
}

QList<RulesLogEntry> ReadMemberRulesLog(db::Connection& online, long memberNumber) {
    db::Recordset rs = online.openRecordset(QStringLiteral("SELECT * FROM rules_log WHERE rulemember=") +
                                                sqlText(memberCode(memberNumber)) +
                                                QStringLiteral(" ORDER BY rulecode, rule_id ;"),
                                            db::clientReadOnlyCursor());
    QList<RulesLogEntry> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.append({rs.text(QStringLiteral("rulecode")), rs.text(QStringLiteral("rulevalue")),
                     rs.text(QStringLiteral("ruleresult")), rs.value(QStringLiteral("rule_id")).toLongLong()});
    return rows;
}

}  // namespace autovelt::pipeline
