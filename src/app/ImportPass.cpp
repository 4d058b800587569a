#include "app/ImportPass.h"

#include "app/Importer.h"

namespace autovelt {

void RunImportPass(Importer&) {
    // The application import is not wired in yet: the cycle loads its settings, checks the
    // databases and closes them again.
}

}  // namespace autovelt
