#include "state/EffectOutbox.h"

#include "common/BatchFiles.h"
#include "common/SqlQuote.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"
#include "state/ImportRecords.h"

#include <algorithm>

namespace autovelt::inline state {

namespace {

// Ids named in one statement, well inside every engine's limits.
constexpr int kIdsPerStatement = 500;

QString stamp(const QDateTime& at) { return sqlText(RecordStamp(at)); }

QList<Effect> effectsIn(db::Connection& audit, const QString& state) {
    db::Recordset rs = audit.openRecordset(
        QStringLiteral("SELECT ID, ApplicationKey, Kind, Payload, Attempts FROM VeltEffect WHERE State=") + sqlText(state) +
        QStringLiteral(" ORDER BY ID ;"));
    QList<Effect> effects;
    for (; !rs.eof(); rs.moveNext())
        effects.append(Effect{rs.value(0).toLongLong(), rs.text(1), rs.text(2), rs.text(3), rs.value(4).toInt()});
    return effects;
}

QList<qint64> idsOf(const QList<Effect>& effects) {
    QList<qint64> ids;
    for (const Effect& effect : effects) ids << effect.id;
    return ids;
}

// The files the effects wrote reach the disk before the commit that records them; when they
// cannot, nothing is recorded and the next run settles the effects.
void syncFilesOrStop() {
    QString reason;
    if (!SyncBatchFiles(&reason))
        throw VeltError(75, QStringLiteral("EffectOutbox"), QStringLiteral("Path/File access error (%1)").arg(reason)).markEnvironmental();
}

// The statements of `change` in one commit of the outbox's own.
template <typename Change>
void inOneCommit(db::Connection& audit, Change change) {
    const bool own = !audit.inTransaction();
    if (own) audit.beginTransaction();
    try {
        change();
    } catch (...) {
        if (own) audit.rollbackTransaction();
        throw;
    }
    if (own) audit.commitTransaction();
}

}  // namespace

void EffectOutbox::record(const QString& applicationKey, const QString& kind, const QString& payload, const QDateTime& at) {
    // Bound, not quoted into the text: a payload holds a whole email.
    audit_.executeBound(
        QStringLiteral("INSERT INTO VeltEffect (ApplicationKey, Kind, Payload, State, Attempts, CreatedOn) VALUES (?,?,?,?,?,?) ;"),
        {applicationKey, kind, payload, QStringLiteral("pending"), qlonglong(0), RecordStamp(at)});
}

void EffectOutbox::setState(qint64 id, const QString& state, const QString& extra) { setStates({id}, state, extra); }

void EffectOutbox::setStates(const QList<qint64>& ids, const QString& state, const QString& extra) {
    for (qsizetype from = 0; from < ids.size(); from += kIdsPerStatement) {
        QStringList listed;
        for (qsizetype i = from; i < std::min<qsizetype>(ids.size(), from + kIdsPerStatement); ++i) listed << QString::number(ids[i]);
        audit_.execute(QStringLiteral("UPDATE VeltEffect SET State=") + sqlText(state) + extra + QStringLiteral(" WHERE ID IN (") +
                       listed.join(QLatin1Char(',')) + QStringLiteral(") ;"));
    }
}

QList<Effect> EffectOutbox::settleInterrupted(const QStringList& repeatableKinds, const QHash<QString, Settler>& settlers,
                                              const QDateTime& at) {
    QList<Effect> uncertain;
    QList<qint64> again, happened;
    for (const Effect& effect : effectsIn(audit_, QStringLiteral("sending"))) {
        const auto settler = settlers.constFind(effect.kind);
        const Settled settled = repeatableKinds.contains(effect.kind) ? Settled::NotYet
                                : settler != settlers.constEnd()      ? (*settler)(effect)
                                                                      : Settled::Unknown;
        if (settled == Settled::NotYet) again << effect.id;
        else if (settled == Settled::Happened) happened << effect.id;
        else uncertain.append(effect);
    }
    if (again.isEmpty() && happened.isEmpty() && uncertain.isEmpty()) return uncertain;
    inOneCommit(audit_, [&] {
        setStates(again, QStringLiteral("pending"));
        setStates(happened, QStringLiteral("done"), QStringLiteral(", DoneOn=") + stamp(at.isValid() ? at : QDateTime::currentDateTime()));
        setStates(idsOf(uncertain), QStringLiteral("uncertain"));
    });
    return uncertain;
}

QStringList EffectOutbox::applicationsWaitingFor(const QString& kind) {
    db::Recordset rs = audit_.openRecordset(QStringLiteral("SELECT DISTINCT ApplicationKey FROM VeltEffect WHERE Kind=") +
                                            sqlText(kind) + QStringLiteral(" AND State IN ('pending','sending') ;"));
    QStringList keys;
    for (; !rs.eof(); rs.moveNext()) keys << rs.text(0);
    return keys;
}

QList<Effect> EffectOutbox::performPending(const QHash<QString, Performer>& performers, const QDateTime& at,
                                           const QHash<QString, Preparer>& preparers) {
    QList<Effect> failed, attempted;
    QList<qint64> again, gaveUp, done, untried;
    // A failed attempt: tried again in a later run, given up on the last.
    const auto failedAttempt = [&](Effect effect) {
        resting_.insert(effect.kind);
        if (effect.attempts < kAttempts) {
            again << effect.id;
            return;
        }
        gaveUp << effect.id;
        failed.append(effect);
    };
    for (Effect effect : effectsIn(audit_, QStringLiteral("pending"))) {
        if (!performers.contains(effect.kind)) continue;  // a kind this build cannot perform waits
        if (resting_.contains(effect.kind)) continue;
        const auto preparer = preparers.constFind(effect.kind);
        if (preparer != preparers.constEnd() && !(*preparer)(effect)) {
            ++effect.attempts;
            failedAttempt(effect);
            continue;
        }
        attempted << effect;
    }
    // One commit marks every attempt under way, once what was prepared for it is on disk.
    if (!attempted.isEmpty()) syncFilesOrStop();
    if (!attempted.isEmpty() || !again.isEmpty() || !gaveUp.isEmpty())
        inOneCommit(audit_, [&] {
            setStates(idsOf(attempted), QStringLiteral("sending"), QStringLiteral(", Attempts=Attempts+1"));
            setStates(again, QStringLiteral("pending"), QStringLiteral(", Attempts=Attempts+1"));
            setStates(gaveUp, QStringLiteral("failed"), QStringLiteral(", Attempts=Attempts+1"));
        });
    if (attempted.isEmpty()) return failed;
    again.clear();
    gaveUp.clear();
    for (Effect effect : attempted) {
        // After a failed attempt the rest of its kind wait, untried and uncounted.
        if (resting_.contains(effect.kind)) {
            untried << effect.id;
            continue;
        }
        ++effect.attempts;
        if (performers.value(effect.kind)(effect)) done << effect.id;
        else failedAttempt(effect);
    }
    // And one commit records how they ended, once what they did is on disk.
    syncFilesOrStop();
    inOneCommit(audit_, [&] {
        setStates(done, QStringLiteral("done"), QStringLiteral(", DoneOn=") + stamp(at));
        setStates(again, QStringLiteral("pending"));
        setStates(gaveUp, QStringLiteral("failed"));
        setStates(untried, QStringLiteral("pending"), QStringLiteral(", Attempts=Attempts-1"));
    });
    return failed;
}

}  // namespace autovelt::state
