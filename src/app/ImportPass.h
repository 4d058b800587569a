#pragma once

namespace autovelt {

class Importer;

// The import pass run by every cycle and by the "Manual import" button.
void RunImportPass(Importer& importer);

}  // namespace autovelt
