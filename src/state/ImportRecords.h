#pragma once

// The importer's own records in TarvAudt, written inside the unit of work of each
// application:
// - VeltImport: one row per application that reached its end (imported or refused),
//   keyed by the application's identity. The online row is marked only after the commit,
//   so a run stopped between the two finds the application here and just marks it.
// - VeltEffect: the outbox of effects that cannot be undone (see EffectOutbox).
// - VeltCreditSearch: every credit search drawn (see CreditSearchRecords).
// - VeltDocument: one row per uploaded document filed (see DocumentRecords).

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

// The date and time the importer's own records hold: "yyyy-mm-dd hh:mm:ss".
QString RecordStamp(const QDateTime& at);

// Creates the tables where an older database lacks them.
void EnsureImporterTables(db::Connection& audit);

struct ImportRecord {
    long memberNumber = 0;
    QString outcome;  // "imported", "refused", or "interrupted" (a commit cut off half-way)
};

// The records of the website rows with those keys (field_id), by application key: one
// statement for a page. A row whose values changed since has another application key.
QHash<QString, ImportRecord> FindImportRecords(db::Connection& audit, const QStringList& fieldIds);
// A new record; an application imported again by name forgets its old one first.
void WriteImportRecord(db::Connection& audit, const QString& applicationKey, const QString& fieldId, long memberNumber,
                       const QString& outcome, const QDateTime& at);
void ForgetImportRecord(db::Connection& audit, const QString& applicationKey);

}  // namespace autovelt::state
