#include "pipeline/OnlineReads.h"

#include "common/MemberNumberCode.h"
#include "common/SqlQuote.h"
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

}  // namespace

CarriedResults ReadCarriedResults(db::Connection& online, long memberNumber) {
    if (!online.isOpen()) return {};
    const QString code = memberCode(memberNumber);
    return {.refer = carried(online, code, QStringLiteral("R")), .fail = carried(online, code, QStringLiteral("F"))};
}

QList<OnlineRulesLogRow> ReadMemberRulesLog(db::Connection& online, long memberNumber) {
    db::Recordset rs = online.openRecordset(QStringLiteral("SELECT * FROM rules_log WHERE rulemember=") +
                                                sqlText(memberCode(memberNumber)) +
                                                QStringLiteral(" ORDER BY rulecode, rule_id ;"),
                                            db::clientReadOnlyCursor());
    QList<OnlineRulesLogRow> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.append({rs.text(QStringLiteral("rulecode")), rs.text(QStringLiteral("rulevalue")),
                     rs.text(QStringLiteral("ruleresult")), rs.value(QStringLiteral("rule_id")).toLongLong()});
    return rows;
}

}  // namespace autovelt::pipeline
