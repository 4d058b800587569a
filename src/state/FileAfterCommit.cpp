#include "state/FileAfterCommit.h"

#include "common/BatchFiles.h"
#include "state/EffectOutbox.h"
#include "state/Importer.h"

#include <QFile>

namespace autovelt {

QString FileAfterCommit(Importer& importer, StagedFile file, const QByteArray& content, QString* reason) {
    const QString& key = importer.app.identityKey;
    if (importer.dryRun) return file.filedPath();  // a dry run files nothing
    // Outside a pass there is no unit to wait for: the file is staged under its own name and
    // filed straight away, by the same move.
    file.staged = importer.stagedFiles().stage(key.isEmpty() ? QStringLiteral("outside a pass") : key, file.name, content);
    if (key.isEmpty()) {
        if (!FileStagedFile(file, reason) || !SyncBatchFiles(reason)) {
            QFile::remove(file.staged);
            return {};
        }
        return file.filedPath();
    }
    EffectOutbox(importer.connections.TarvAudt).record(key, kFileEffect, EncodeStagedFile(file), importer.clock().now());
    return file.filedPath();
}

bool PerformFileEffect(Importer& importer, const QString& payload) {
    const StagedFile file = DecodeStagedFile(payload);
    QString reason;
    if (FileStagedFile(file, &reason)) return true;
    importer.ShowException(QStringLiteral("Unable to file ") + file.name + QStringLiteral(" for member ") +
                           QString::number(file.member) + QStringLiteral(" in ") + file.root + QStringLiteral(": ") + reason +
                           QStringLiteral("; it is tried again in the next cycle"));
    return false;
}

}  // namespace autovelt
