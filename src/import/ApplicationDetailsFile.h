#pragma once

namespace autovelt {

class Importer;

// The file that sets out everything the current application said, imported or refused.
void WriteApplicationDetailsFile(Importer& importer, long memberNumber);

}  // namespace autovelt
