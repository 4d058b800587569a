#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline app {

// What the cycle leaves behind for `--status`: when the last cycle started and ended, how it
// ended, when the next one is due, and since when the pending applications have been waiting.
// It is a private file in the installation folder, replaced whole at each step, so a reader
// beside a working importer sees one state or the next, never half of one.
struct CycleRecord {
    QDateTime started;
    QDateTime ended;      // invalid while the cycle runs (or when it never ended)
    QDateTime nextCycle;  // invalid when no further cycle is due (--once, stopped)
    int exitStatus = -1;  // the exit code --once gives for such a cycle; -1 before the end
    qint64 processId = 0; // the importer running the cycle
    // The website has no time of submission, so the importer notes when it first saw each
    // application pending: at each cycle start, the highest pending field_id then. Ids grow
    // with each application, so the first entry that reaches an id is when it was first seen.
    QList<QPair<QDateTime, qint64>> pendingSeen;

    static QString filePath(const QString& homeFolder);
    // An empty record when there is none yet (or it cannot be read).
    static CycleRecord read(const QString& homeFolder);
    bool write(const QString& homeFolder, QString* error) const;

    bool endedAfterStart() const { return ended.isValid() && started.isValid() && ended >= started; }
    // Notes the pending applications seen now; entries older than the oldest pending one go.
    void notePending(const QDateTime& at, qint64 lowestPendingId, qint64 highestPendingId);
    // When an application was first seen pending; invalid when no cycle has seen it yet.
    QDateTime firstSeen(qint64 fieldId) const;
};

// The applications waiting in table_w.
struct PendingApplications {
    qint64 count = 0;
    qint64 lowestId = 0;   // the oldest; 0 when none
    qint64 highestId = 0;
};
PendingApplications ReadPendingApplications(db::Connection& online);

}  // namespace autovelt::app
