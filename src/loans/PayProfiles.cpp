#include "loans/PayProfiles.h"

namespace autovelt {

// Not built yet: both do nothing.
void BuildSavingsPayProfile(Importer&) {}
void BuildLoanPayProfile(Importer&) {}

}  // namespace autovelt
