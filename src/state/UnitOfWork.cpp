#include "state/UnitOfWork.h"

#include "common/BatchFiles.h"
#include "common/PrivateFiles.h"
#include "common/VeltError.h"
#include "state/Connections.h"

#include <QFile>

namespace autovelt::inline state {

namespace {

const QString kSavepoint = QStringLiteral("velt_application");

QString sessionName(const Connections& c, const db::Connection* session) {
    if (session == &c.TarvMain) return QStringLiteral("TarvMain");
    if (session == &c.TarvTran) return QStringLiteral("TarvTran");
    if (session == &c.TarvAudt) return QStringLiteral("TarvAudt");
    return QStringLiteral("TarvID");
}

}  // namespace

UnitOfWork::UnitOfWork(Connections& connections, QString commitWindowPath, int batchApplications)
    : connections_(connections), commitWindowPath_(std::move(commitWindowPath)), batchApplications_(batchApplications) {}

// One connection per session: on file databases all four share TarvMain's.
std::vector<db::Connection*> UnitOfWork::sessions() const {
    std::vector<db::Connection*> distinct;
    for (db::Connection* c : connections_.core()) {
        bool shared = false;
        for (db::Connection* seen : distinct) shared = shared || c->sharesSessionWith(*seen);
        if (!shared) distinct.push_back(c);
    }
    return distinct;
}

void UnitOfWork::beginApplication(const QDateTime& now) {
    if (!batchOpen_) {
        sessions_ = sessions();
        for (db::Connection* session : sessions_) session->beginTransaction();
        batchOpen_ = true;
        batchStarted_ = now;
        keys_.clear();
    }
    for (db::Connection* session : sessions_) session->savepoint(kSavepoint);
    applicationOpen_ = true;
}

void UnitOfWork::keepApplication(const QString& key) {
    if (!applicationOpen_) return;
    applicationOpen_ = false;
    for (db::Connection* session : sessions_) session->releaseSavepoint(kSavepoint);
    keys_ << key;
}

void UnitOfWork::discardApplication() {
    if (!applicationOpen_) return;
    applicationOpen_ = false;
    for (db::Connection* session : sessions_) session->rollbackToSavepoint(kSavepoint);
}

bool UnitOfWork::batchDue(const QDateTime& now) const {
    return batchOpen_ && (keys_.size() >= batchApplications_ || batchStarted_.msecsTo(now) >= kBatchMilliseconds);
}

QStringList UnitOfWork::commitBatch() {
    if (!batchOpen_) return {};
    // The files the batch's effects name are on disk before the commit that records them.
    QString reason;
    if (!SyncBatchFiles(&reason))
        throw VeltError(75, QStringLiteral("UnitOfWork"), QStringLiteral("Path/File access error (%1)").arg(reason)).markEnvironmental();
    const bool window = sessions_.size() > 1 && !keys_.isEmpty();
    QStringList committed;
    if (window) writeCommitWindow(committed);
    for (db::Connection* session : sessions_) {
        session->commitTransaction();
        if (window) {
            committed << sessionName(connections_, session);
            writeCommitWindow(committed);
        }
    }
    if (window) QFile::remove(commitWindowPath_);
    batchOpen_ = false;
    QStringList keys = keys_;
    keys_.clear();
    return keys;
}

void UnitOfWork::abandonBatch() {
    applicationOpen_ = false;
    batchOpen_ = false;
    keys_.clear();
    for (db::Connection* session : sessions_) {
        try {
            session->rollbackTransaction();
        } catch (const VeltError&) {
            // A session that cannot roll back has lost its connection: its open
            // transaction is undone by the server.
        }
    }
}

// "application=<key>" lines, then "committed=<database>" lines; replaced in one step.
void UnitOfWork::writeCommitWindow(const QStringList& committed) const {
    QString text;
    for (const QString& key : keys_) text += QStringLiteral("application=") + key + QLatin1Char('\n');
    for (const QString& name : committed) text += QStringLiteral("committed=") + name + QLatin1Char('\n');
    QString reason;
    if (!WritePrivateFile(commitWindowPath_, text.toUtf8(), &reason))
        throw VeltError(75, QStringLiteral("UnitOfWork"), QStringLiteral("Path/File access error (%1: %2)").arg(commitWindowPath_, reason))
            .markEnvironmental();
}

UnitOfWork::InterruptedCommit UnitOfWork::interruptedCommit() const {
    InterruptedCommit found;
    QFile file(commitWindowPath_);
    if (!file.open(QIODevice::ReadOnly)) return found;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1String("application="))) found.applications << line.mid(12);
        else if (line.startsWith(QLatin1String("committed="))) found.committed << line.mid(10);
    }
    for (const QString& name : {QStringLiteral("TarvMain"), QStringLiteral("TarvTran"), QStringLiteral("TarvAudt"),
                                QStringLiteral("TarvID")})
        if (!found.committed.contains(name)) found.notCommitted << name;
    return found;
}

void UnitOfWork::clearInterruptedCommit() { QFile::remove(commitWindowPath_); }

}  // namespace autovelt::state
