#pragma once

class QSqlDatabase;

namespace autovelt::inline platform::db {

// The file databases and SQL Server compare text without regard to case for every letter;
// the embedded engine on its own folds only A to Z, so "MÜLLER" and "müller" would be two
// people. Registers on the open embedded connection a NOCASE collation (the one every
// text column of the schema declares) and a LIKE that both fold the case of every letter.
// Accents still count: "MULLER" is not "MÜLLER", as on the other engines.
//
// Call right after the connection opens; it covers every database attached to it.
// Throws VeltError when the engine refuses the registration.
void RegisterTextComparison(QSqlDatabase& db);

}  // namespace autovelt::platform::db
