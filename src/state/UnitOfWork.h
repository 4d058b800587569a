#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

struct Connections;

// Everything one application writes to the core banking databases commits together or
// not at all. Applications are grouped in batches: one transaction per batch, bounded by
// count and by time so the core banking system's own users never wait long for the write
// lock, and a savepoint per application inside it, so one failing application is undone
// alone while the others of its batch stay.
//
// On file databases the four core databases share one session, so a batch's commit is a
// single atomic step. On a server each database has its own session; their commits follow
// each other, and a small file in the program's folder (the commit window) names the
// applications being committed until every session has committed. A re-run that finds the
// file knows exactly which applications may be half saved.
class UnitOfWork {
public:
    static constexpr qint64 kBatchMilliseconds = 2000;

    UnitOfWork(Connections& connections, QString commitWindowPath, int batchApplications = 200);

    // Opens the batch when none is open, then the application's savepoint.
    void beginApplication(const QDateTime& now);
    // The application's writes stay in the batch; `key` names it in the commit window.
    void keepApplication(const QString& key);
    // The application's writes are undone; the batch goes on.
    void discardApplication();

    bool batchOpen() const { return batchOpen_; }
    bool batchDue(const QDateTime& now) const;
    // Commits the batch; returns the keys of the applications it held.
    QStringList commitBatch();
    // Undoes the whole open batch (the pass is stopping on a failure).
    void abandonBatch();

    // Applications named by a commit window an interrupted run left open, with the
    // databases that had committed; empty when there was none.
    struct InterruptedCommit {
        QStringList applications;
        QStringList committed;
        QStringList notCommitted;
    };
    InterruptedCommit interruptedCommit() const;
    void clearInterruptedCommit();

private:
    std::vector<db::Connection*> sessions() const;
    void writeCommitWindow(const QStringList& committed) const;

    Connections& connections_;
    QString commitWindowPath_;
    int batchApplications_;
    bool batchOpen_ = false;
    bool applicationOpen_ = false;
    QDateTime batchStarted_;
    QStringList keys_;
    std::vector<db::Connection*> sessions_;  // the distinct sessions of the open batch
};

}  // namespace autovelt::state
