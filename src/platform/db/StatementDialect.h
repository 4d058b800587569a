#pragma once

#include "platform/db/ConnectionTarget.h"

#include <QString>

namespace autovelt::inline platform::db {

// Statements are written once, in the file-database dialect (dates as #mm/dd/yy#, TRUE and
// FALSE, "DELETE * FROM"), and every connection adapts each one for its engine just before
// sending it, so no caller translates a statement or can forget to:
//   the embedded engine   the SQLite rewrite of translateJetToSqlite
//   SQL Server            TranslateSQL: CONVERT(DATETIME, ...), 1/0, "DELETE FROM"
//   MySQL (online)        as written: the online statements are written for it
// Quoted text is never altered, so a value reaches the database exactly as quoted.
QString adaptStatement(Engine engine, const QString& statement);

}  // namespace autovelt::platform::db
