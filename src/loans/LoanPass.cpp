#include "loans/LoanPass.h"

namespace autovelt {

// Not built yet: does nothing, so no loan application is created.
void cmdLoan_Click(Importer&) {}

}  // namespace autovelt
