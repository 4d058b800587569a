#include "state/DocumentRecords.h"

#include "common/SqlQuote.h"
#include "platform/db/Connection.h"
#include "state/ImportRecords.h"

namespace autovelt::inline state {

void EnsureDocumentRecords(db::Connection& audit) {
    if (audit.columnExists(QStringLiteral("VeltDocument"), QStringLiteral("DocumentKey"))) return;
    audit.execute(QStringLiteral("CREATE TABLE %1 (DocumentKey VARCHAR(80) NOT NULL PRIMARY KEY, MemberDocsId INTEGER, "
                                 "MemberNo INTEGER, FiledAs VARCHAR(1000), FiledOn VARCHAR(19))")
                      .arg(audit.nameForNewTable(QStringLiteral("VeltDocument"))));
}

std::optional<DocumentRecord> FindDocumentRecord(db::Connection& audit, const QString& documentKey) {
    db::Recordset rs = audit.openRecordset(QStringLiteral("SELECT MemberNo, FiledAs FROM VeltDocument WHERE DocumentKey=") +
                                           sqlText(documentKey) + QStringLiteral(" ;"));
    if (rs.eof()) return std::nullopt;
    return DocumentRecord{static_cast<long>(rs.value(QStringLiteral("MemberNo")).toLongLong()), rs.text(QStringLiteral("FiledAs"))};
}

void WriteDocumentRecord(db::Connection& audit, const QString& documentKey, qint64 memberDocsId, long memberNumber,
                         const QString& filedAs, const QDateTime& at) {
    audit.execute(QStringLiteral("INSERT INTO VeltDocument (DocumentKey, MemberDocsId, MemberNo, FiledAs, FiledOn) VALUES (") +
                  sqlText(documentKey) + QLatin1Char(',') + QString::number(memberDocsId) + QLatin1Char(',') +
                  QString::number(memberNumber) + QLatin1Char(',') + sqlText(filedAs) + QLatin1Char(',') +
                  sqlText(RecordStamp(at)) + QStringLiteral(") ;"));
}

}  // namespace autovelt::state
