#pragma once

namespace autovelt {

class Importer;

// The import pass, run by every cycle and by the "Manual import" button: every pending
// online application (or the one "id.txt" names) is read, cleaned, matched and refused or
// imported, in field_id order; then the uploaded documents are fetched and the activity
// log written. Problems are reported; nothing is thrown to the caller. A stop request is
// honoured between applications, leaving the rest pending.
void RunImportPass(Importer& importer);

}  // namespace autovelt
