#pragma once

namespace autovelt::inline state { class Importer; }

namespace autovelt::inline pipeline {

// The import pass, run by every cycle and by the "Manual import" button: every pending
// online application (or the one "id.txt" names) is read, cleaned, matched and refused or
// imported, in field_id order; then the uploaded documents are fetched and the activity
// log written. Problems are reported; nothing is thrown to the caller. A stop request is
// honoured between applications, leaving the rest pending.
// An applicationId other than 0 (the "Loan" button) names the one application to import,
// pending or not, exactly as an "id.txt" naming it would; "id.txt" is then left alone.
void RunImportPass(Importer& importer, long applicationId = 0);

}  // namespace autovelt::pipeline
