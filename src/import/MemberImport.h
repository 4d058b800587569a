#pragma once

#include "import/ImportJournal.h"

#include <optional>

namespace autovelt {

class Importer;

enum class MemberImportResult {
    Imported,     // the member is written and the application marked imported
    PassStopped,  // no member number left: the pass must end at once
};

// The second half of an application's import, once it has been matched (or found new):
// the member number, the member rows, addresses, identity check, share account, the
// welcome steps, the loan pass, and the online row marked imported. With `resume`, an
// application an earlier run left half-imported is completed for the member it created,
// without repeating the steps the journal records as done.
MemberImportResult ImportMember(Importer& importer, ImportJournal& journal, const std::optional<JournalEntry>& resume);

// The journal entry of an application an earlier run left half-imported, when it is the
// current application and its member row exists.
std::optional<JournalEntry> ResumableImport(Importer& importer, const ImportJournal& journal);

}  // namespace autovelt
