#pragma once

#include <QString>

namespace autovelt::inline platform::db {

// Rewrites a statement written in the file-database dialect so the embedded SQLite engine
// runs it with the same meaning:
//   #mm/dd/yy# and #mm/dd/yyyy# (optionally with a time)  -> 'yyyy-mm-dd[ hh:mm:ss]'
//   CONVERT(DATETIME, 'yyyy-mm-dd hh:mm:ss', 102)           -> the same stored form
//   TRUE / FALSE (whole words)                               -> 1 / 0
//   DELETE * FROM                                            -> DELETE FROM
//   ISNULL(a) -> ((a) IS NULL);  ISNULL(a, b) -> IFNULL(a, b)
// Quoted text and [bracketed] names are copied untouched, so values never change.
// Dates are stored as 'yyyy-mm-dd' (midnight) or 'yyyy-mm-dd hh:mm:ss', so equality and
// ordering against a translated literal find the rows they should.
QString translateJetToSqlite(const QString& statement);

// The stored text of a date literal's content ("01/02/21", "12/31/1999 13:05:00"), or an
// empty string when the content is not a date in month-first order.
QString storedDateFromJetLiteral(const QString& content);

}  // namespace autovelt::platform::db
