#include "pipeline/OnlineDocumentQueue.h"

#include "platform/db/Connection.h"

namespace autovelt::inline pipeline {

QList<QueuedDocument> OnlineDocumentQueue::queued() {
    QList<QueuedDocument> documents;
    db::Recordset rs = online_.openRecordset(QStringLiteral("SELECT * FROM member_docs"));
    for (; !rs.eof(); rs.moveNext())
        documents.append({rs.text(QStringLiteral("id")), rs.text(QStringLiteral("member_no")),
                          rs.text(QStringLiteral("Category")), rs.text(QStringLiteral("FileName")),
                          rs.text(QStringLiteral("Title"))});
    return documents;
}

void OnlineDocumentQueue::remove(qlonglong id) {
    online_.execute(QStringLiteral("DELETE FROM member_docs WHERE id=") + QString::number(id));
}

}  // namespace autovelt::pipeline
