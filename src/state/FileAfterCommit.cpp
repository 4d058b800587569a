#include "state/FileAfterCommit.h"

#include "common/BatchFiles.h"
#include "state/EffectOutbox.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QFile>

namespace autovelt::inline state {

QString FileAfterCommit(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, StagedFile file,
                        const QByteArray& content, QString* reason) {
    const QString& key = app.identityKey;
    if (cycle.dryRun) return file.filedPath();  // a dry run files nothing
    // Outside a pass there is no unit to wait for: the file is staged under its own name and
    // filed straight away, by the same move.
    file.staged =
        session.stagedFiles().stage(key.isEmpty() ? QStringLiteral("outside a pass") : key, file.name, content);
    if (key.isEmpty()) {
        if (!FileStagedFile(file, reason) || !SyncBatchFiles(reason)) {
            QFile::remove(file.staged);
            return {};
        }
        return file.filedPath();
    }
    EffectOutbox(session.connections.TarvAudt).record(key, kFileEffect, EncodeStagedFile(file), cycle.clock().now());
    return file.filedPath();
}

bool PerformFileEffect(UnitSession& session, const QString& payload) {
    const StagedFile file = DecodeStagedFile(payload);
    QString reason;
    if (FileStagedFile(file, &reason)) return true;
    session.ShowException(QStringLiteral("Unable to file ") + file.name + QStringLiteral(" for member ") +
                          QString::number(file.member) + QStringLiteral(" in ") + file.root + QStringLiteral(": ") +
                          reason + QStringLiteral("; it is tried again in the next cycle"));
    return false;
}

}  // namespace autovelt::state
