#include "state/RulesLogChanges.h"

#include "common/SqlQuote.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace autovelt::inline state {

namespace {

const char* const kColumns[] = {"rulemember", "rulecode", "ruledesc", "ruleactive", "rulevalue", "ruleresult"};

QStringList valuesOf(const RulesLogRow& row) {
    return {row.member, row.code, row.description, row.active, row.value, row.result};
}

QString insertStatement(const RulesLogRow& row) {
    QString values;
    for (const QString& value : valuesOf(row)) values += sqlText(value) + QStringLiteral(", ");
    return QStringLiteral("INSERT INTO rules_log (rulemember, rulecode, ruledesc, ruleactive, rulevalue, ruleresult, rulestopper ) VALUES (") +
           values + QStringLiteral("'')");
}

}  // namespace

QString RulesLogChanges::encode() const {
    QJsonArray added;
    for (const RulesLogRow& row : inserts) {
        QJsonObject o;
        const QStringList values = valuesOf(row);
        for (int i = 0; i < values.size(); ++i) o.insert(QLatin1String(kColumns[i]), values[i]);
        added.append(o);
    }
    QJsonArray removed;
    for (qlonglong id : deletes) removed.append(id);
    return QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("insert"), added}, {QStringLiteral("delete"), removed}})
                                 .toJson(QJsonDocument::Compact));
}

RulesLogChanges RulesLogChanges::decode(const QString& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload.toUtf8()).object();
    RulesLogChanges changes;
    for (const QJsonValue& value : o.value(QStringLiteral("insert")).toArray()) {
        const QJsonObject row = value.toObject();
        auto text = [&row](int i) { return row.value(QLatin1String(kColumns[i])).toString(); };
        changes.inserts.append({text(0), text(1), text(2), text(3), text(4), text(5)});
    }
    for (const QJsonValue& id : o.value(QStringLiteral("delete")).toArray()) changes.deletes.append(id.toInteger());
    return changes;
}

void ApplyRulesLogChanges(db::Connection& online, const RulesLogChanges& changes) {
    online.beginTransaction();
    try {
        for (qlonglong id : changes.deletes)
            online.execute(QStringLiteral("DELETE FROM rules_log where rule_id=") + QString::number(id) + QStringLiteral(" ;"));
        for (const RulesLogRow& row : changes.inserts) online.execute(insertStatement(row));
        online.commitTransaction();
    } catch (const VeltError&) {
        try {
            online.rollbackTransaction();
        } catch (const VeltError&) {
            // A connection that cannot roll back has gone: the server undoes the transaction.
        }
        throw;
    }
}

}  // namespace autovelt::state
