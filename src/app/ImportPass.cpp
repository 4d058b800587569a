#include "app/ImportPass.h"

#include "app/Importer.h"
#include "import/ImportPass.h"

namespace autovelt {

void RunImportPass(Importer& importer) { cmdMembers_Click(importer); }

}  // namespace autovelt
