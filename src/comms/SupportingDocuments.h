#pragma once

#include "comms/FtpSession.h"

#include <QList>
#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline comms {

// One member_docs row as the website wrote it.
struct QueuedDocument {
    QString id;
    QString memberNo;
    QString category;
    QString fileName;
    QString title;
};

// The website's queue of uploaded documents (member_docs), kept by the caller that holds
// the online connection.
class DocumentQueue {
public:
    virtual ~DocumentQueue() = default;
    // Every row waiting, as the website returns them.
    virtual QList<QueuedDocument> queued() = 0;
    // Removes the row with this id; one already gone is no failure.
    virtual void remove(qlonglong id) = 0;
};

// The outbox effect of a filed document: it is moved into place, then its server file and
// its member_docs row are removed. Performing it twice does no harm.
inline const QString kDocumentEffect = QStringLiteral("document");

// Fetches the documents applicants uploaded (one row of `queue` each, the file on the
// website's FTP server) into the member's folder of the scanned images store, records
// their receipt, then removes the file and the row from the website. One unit per
// document: it is fetched, copied beside its final place under a name of its own and
// checked; its receipt rows, the record of the filed document (VeltDocument) and the
// document effect commit together; the effect runs after the commit and removes the row
// from the queue. A run stopped at any point files each document once: one that finds the
// record only finishes the removal. Only a plain name of the upload folder reaches the
// server. A document that could not be fetched or filed for a passing reason (connection
// cut, disk full, store not reachable), one larger than the configured limit, and a row
// that cannot be read stay queued; the rows after them are still fetched.
void DownloadSupportingDocuments(const CycleContext& cycle, UnitSession& session, DocumentQueue& queue);

// Makes `directory` the session's current directory; when it holds the server address,
// only what follows the address is used. An empty directory does nothing.
FtpResult ChangeFtpDirectory(FtpSession& session, const QString& directory, const QString& server);

}  // namespace autovelt::comms
