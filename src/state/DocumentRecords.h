#pragma once

// VeltDocument (TarvAudt): one row per uploaded document filed in the scanned images store,
// keyed by the document's identity (its member_docs id and a fingerprint of the row as the
// website wrote it). It is written in the same transaction as the document's receipt rows,
// so a run that finds it knows the document is filed and only its removal from the website
// may be outstanding.

#include <QDateTime>
#include <QString>
#include <optional>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

// Creates the table where an older database lacks it.
void EnsureDocumentRecords(db::Connection& audit);

struct DocumentRecord {
    long memberNumber = 0;
    QString filedAs;  // the file's path in the scanned images store
};

std::optional<DocumentRecord> FindDocumentRecord(db::Connection& audit, const QString& documentKey);
void WriteDocumentRecord(db::Connection& audit, const QString& documentKey, qint64 memberDocsId, long memberNumber,
                         const QString& filedAs, const QDateTime& at);

}  // namespace autovelt::state
