#include "state/EffectOutbox.h"

#include "common/SqlQuote.h"
#include "platform/db/Connection.h"
#include "state/ImportRecords.h"

namespace autovelt {

namespace {

QString stamp(const QDateTime& at) { return sqlText(RecordStamp(at)); }

QList<Effect> effectsIn(db::Connection& audit, const QString& state) {
    db::Recordset rs = audit.openRecordset(
        QStringLiteral("SELECT ID, ApplicationKey, Kind, Payload, Attempts FROM VeltEffect WHERE State=") + sqlText(state) +
        QStringLiteral(" ORDER BY ID ;"));
    QList<Effect> effects;
    for (; !rs.eof(); rs.moveNext())
        effects.append(Effect{rs.value(QStringLiteral("ID")).toLongLong(), rs.text(QStringLiteral("ApplicationKey")),
                              rs.text(QStringLiteral("Kind")), rs.text(QStringLiteral("Payload")),
                              rs.value(QStringLiteral("Attempts")).toInt()});
    return effects;
}

}  // namespace

void EffectOutbox::record(const QString& applicationKey, const QString& kind, const QString& payload, const QDateTime& at) {
    audit_.execute(QStringLiteral("INSERT INTO VeltEffect (ApplicationKey, Kind, Payload, State, Attempts, CreatedOn) VALUES (") +
                   sqlText(applicationKey) + QLatin1Char(',') + sqlText(kind) + QLatin1Char(',') + sqlText(payload) +
                   QStringLiteral(",'pending',0,") + stamp(at) + QStringLiteral(") ;"));
}

void EffectOutbox::setState(qint64 id, const QString& state, const QString& extra) {
    audit_.execute(QStringLiteral("UPDATE VeltEffect SET State=") + sqlText(state) + extra + QStringLiteral(" WHERE ID=") +
                   QString::number(id) + QStringLiteral(" ;"));
}

QList<Effect> EffectOutbox::settleInterrupted(const QStringList& repeatableKinds) {
    QList<Effect> uncertain;
    for (const Effect& effect : effectsIn(audit_, QStringLiteral("sending"))) {
        if (repeatableKinds.contains(effect.kind)) {
            setState(effect.id, QStringLiteral("pending"));
            continue;
        }
        setState(effect.id, QStringLiteral("uncertain"));
        uncertain.append(effect);
    }
    return uncertain;
}

QStringList EffectOutbox::applicationsWaitingFor(const QString& kind) {
    db::Recordset rs = audit_.openRecordset(QStringLiteral("SELECT DISTINCT ApplicationKey FROM VeltEffect WHERE Kind=") +
                                            sqlText(kind) + QStringLiteral(" AND State IN ('pending','sending') ;"));
    QStringList keys;
    for (; !rs.eof(); rs.moveNext()) keys << rs.text(QStringLiteral("ApplicationKey"));
    return keys;
}

QList<Effect> EffectOutbox::performPending(const QHash<QString, Performer>& performers, const QDateTime& at) {
    QList<Effect> failed;
    for (Effect effect : effectsIn(audit_, QStringLiteral("pending"))) {
        const auto performer = performers.constFind(effect.kind);
        if (performer == performers.constEnd()) continue;  // a kind this build cannot perform waits
        if (resting_.contains(effect.kind)) continue;
        ++effect.attempts;
        setState(effect.id, QStringLiteral("sending"), QStringLiteral(", Attempts=") + QString::number(effect.attempts));
        if ((*performer)(effect)) {
            setState(effect.id, QStringLiteral("done"), QStringLiteral(", DoneOn=") + stamp(at));
            continue;
        }
        resting_.insert(effect.kind);
        if (effect.attempts >= kAttempts) {
            setState(effect.id, QStringLiteral("failed"));
            failed.append(effect);
        } else {
            setState(effect.id, QStringLiteral("pending"));
        }
    }
    return failed;
}

}  // namespace autovelt
