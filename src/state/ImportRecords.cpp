#include "state/ImportRecords.h"

#include "common/SqlQuote.h"
#include "common/Values.h"
#include "platform/db/Connection.h"

namespace autovelt::inline state {

QString RecordStamp(const QDateTime& at) {
    return formatDate(at, QStringLiteral("yyyy-mm-dd")) + QLatin1Char(' ') + formatDate(at, QStringLiteral("hh:mm:ss"));
}

void EnsureImporterTables(db::Connection& audit) {
    // Column types are the one thing the dialect adaptation leaves to the statement.
    const bool sqlServer = audit.engine() == db::Engine::SqlServer;
    if (!audit.columnExists(QStringLiteral("VeltImport"), QStringLiteral("ApplicationKey")))
        audit.execute(QStringLiteral("CREATE TABLE %1 (ApplicationKey VARCHAR(80) NOT NULL PRIMARY KEY, FieldId VARCHAR(20), "
                                     "MemberNo INTEGER, Outcome VARCHAR(12), ImportedOn VARCHAR(19))")
                          .arg(audit.nameForNewTable(QStringLiteral("VeltImport"))));
    if (!audit.columnExists(QStringLiteral("VeltEffect"), QStringLiteral("State")))
        audit.execute(QStringLiteral("CREATE TABLE %1 (%2, ApplicationKey VARCHAR(80), Kind VARCHAR(20), Payload %3, "
                                     "State VARCHAR(10), Attempts INTEGER, CreatedOn VARCHAR(19), DoneOn VARCHAR(19))")
                          .arg(audit.nameForNewTable(QStringLiteral("VeltEffect")),
                               sqlServer ? QStringLiteral("ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY")
                                         : QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"),
                               sqlServer ? QStringLiteral("NVARCHAR(MAX)") : QStringLiteral("TEXT")));
    if (!audit.columnExists(QStringLiteral("VeltCreditSearch"), QStringLiteral("Sha256")))
        audit.execute(QStringLiteral("CREATE TABLE %1 (%2, ApplicationKey VARCHAR(80), MemberNo INTEGER, DOB VARCHAR(10), "
                                     "Surname VARCHAR(255), NINumber VARCHAR(20), SearchedOn VARCHAR(19), SearchRef VARCHAR(60), "
                                     "FilePath VARCHAR(1024), Sha256 VARCHAR(64))")
                          .arg(audit.nameForNewTable(QStringLiteral("VeltCreditSearch")),
                               sqlServer ? QStringLiteral("ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY")
                                         : QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT")));
    // What the pass looks up in its own tables is indexed, so no lookup grows with them.
    if (sqlServer) return;
    for (const auto& [index, on] : {std::pair{"VeltEffect_State", "VeltEffect (State)"},
                                    std::pair{"VeltCreditSearch_Member", "VeltCreditSearch (MemberNo)"},
                                    std::pair{"VeltImport_FieldId", "VeltImport (FieldId)"}})
        audit.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2")
                          .arg(audit.nameForNewTable(QLatin1String(index)), QLatin1String(on)));
}

QHash<QString, ImportRecord> FindImportRecords(db::Connection& audit, const QStringList& fieldIds) {
    QHash<QString, ImportRecord> records;
    if (fieldIds.isEmpty()) return records;
    db::Recordset rs = audit.openRecordset(QStringLiteral("SELECT ApplicationKey, MemberNo, Outcome FROM VeltImport WHERE FieldId IN (") +
                                           sqlTextList(fieldIds) + QStringLiteral(") ;"));
    for (; !rs.eof(); rs.moveNext())
        records.insert(rs.text(QStringLiteral("ApplicationKey")),
                       ImportRecord{static_cast<long>(rs.value(QStringLiteral("MemberNo")).toLongLong()),
                                    rs.text(QStringLiteral("Outcome"))});
    return records;
}

void WriteImportRecord(db::Connection& audit, const QString& applicationKey, const QString& fieldId, long memberNumber,
                       const QString& outcome, const QDateTime& at) {
    audit.execute(QStringLiteral("INSERT INTO VeltImport (ApplicationKey, FieldId, MemberNo, Outcome, ImportedOn) VALUES (") +
                  sqlText(applicationKey) + QLatin1Char(',') + sqlText(fieldId) + QLatin1Char(',') +
                  QString::number(memberNumber) + QLatin1Char(',') + sqlText(outcome) + QLatin1Char(',') +
                  sqlText(RecordStamp(at)) + QStringLiteral(") ;"));
}

void ForgetImportRecord(db::Connection& audit, const QString& applicationKey) {
    audit.execute(QStringLiteral("DELETE FROM VeltImport WHERE ApplicationKey=") + sqlText(applicationKey) +
                  QStringLiteral(" ;"));
}

}  // namespace autovelt::state
