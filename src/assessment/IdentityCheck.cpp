#include "assessment/IdentityCheck.h"

namespace autovelt {

// Not built yet: does nothing, so field_31 stays as the application supplied it.
void RunIdentityCheck(Importer&, long) {}

}  // namespace autovelt
