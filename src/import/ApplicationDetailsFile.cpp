#include "import/ApplicationDetailsFile.h"

namespace autovelt {

// Not built yet: does nothing, so no details file is written.
void WriteApplicationDetailsFile(Importer&, long) {}

}  // namespace autovelt
