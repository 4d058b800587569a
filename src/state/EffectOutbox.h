#pragma once

// Effects that cannot be rolled back (emails, deletions on the web server, rules_log rows
// online, files filed under a member number) are not performed where an application
// decides on them. They are recorded in the outbox, a
// VeltEffect row written inside the application's unit of work, and performed only after
// the unit has committed:
//   pending   -> recorded; performed after the commit (or by the next run after a crash)
//   sending   -> being performed now; committed before the attempt
//   done      -> performed
//   uncertain -> a run stopped during the attempt: it may or may not have happened. It is
//                never repeated (an applicant never gets a second email) and is reported
//                for a person to check. Kinds that are safe to repeat (filing a staged
//                file, removing a filed document from the website) are pending again, and
//                kinds that can tell whether the attempt happened (an email written to the
//                pickup folder) are settled by what they find.
//   failed    -> refused every attempt; reported
// An application rolled back takes its effects with it; a committed one keeps them until
// they are performed.
//
// The effects waiting after a commit are performed together: one commit marks them all
// "sending", one records how each attempt ended, and the files they wrote reach the disk
// before each of the two.

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

struct Effect {
    qint64 id = 0;
    QString applicationKey;
    QString kind;
    QString payload;
    int attempts = 0;
};

class EffectOutbox {
public:
    static constexpr int kAttempts = 3;

    // Performs one effect; true when it happened, false to try again in a later run.
    using Performer = std::function<bool(const Effect&)>;
    // Makes an effect ready before its attempt is recorded, so that a run stopped during the
    // attempt can tell whether it happened (an email's private temporary in the pickup
    // folder); false when it cannot (the effect then counts a failed attempt).
    using Preparer = std::function<bool(const Effect&)>;
    // Whether an effect a stopped run was performing happened.
    enum class Settled { Happened, NotYet, Unknown };
    using Settler = std::function<Settled(const Effect&)>;

    explicit EffectOutbox(db::Connection& audit) : audit_(audit) {}

    // Inside the unit of work.
    void record(const QString& applicationKey, const QString& kind, const QString& payload, const QDateTime& at);

    // Outside any transaction: every step commits on its own.
    // Effects a stopped run was performing become "uncertain"; they are returned to report.
    // Those of the kinds named are safe to repeat and become "pending" again.
    // Those with a settler become "done" or "pending" when it can tell.
    QList<Effect> settleInterrupted(const QStringList& repeatableKinds = {}, const QHash<QString, Settler>& settlers = {},
                                    const QDateTime& at = {});
    // The applications with effects of that kind still to perform.
    QStringList applicationsWaitingFor(const QString& kind);
    // Performs every pending effect; an effect whose performer fails its last attempt
    // becomes "failed" and is returned to report. After a failed attempt the rest of that
    // kind wait, untried and uncounted, for the next pass (one outbox serves one pass): a
    // mail server that does not answer costs one timeout per pass, not one per email.
    QList<Effect> performPending(const QHash<QString, Performer>& performers, const QDateTime& at,
                                 const QHash<QString, Preparer>& preparers = {});
    // True once an effect of the kind failed in this pass.
    bool resting(const QString& kind) const { return resting_.contains(kind); }

private:
    void setState(qint64 id, const QString& state, const QString& extra = QString());
    // One statement per state for many effects; `extra` may use the column values.
    void setStates(const QList<qint64>& ids, const QString& state, const QString& extra = QString());

    db::Connection& audit_;
    QSet<QString> resting_;
};

}  // namespace autovelt::state
