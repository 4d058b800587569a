#pragma once

namespace autovelt {

class Importer;

enum class MemberImportResult {
    Imported,     // the member is written and the application ended as imported
    PassStopped,  // no member number left: the pass must end at once
};

// The second half of an application's import, once it has been matched (or found new):
// the member number, the member rows, addresses, identity check, share account, the
// welcome steps, the loan pass, and the application ended as imported. It runs inside the
// application's unit of work, so a failure anywhere leaves nothing of it behind.
MemberImportResult ImportMember(Importer& importer);

}  // namespace autovelt
