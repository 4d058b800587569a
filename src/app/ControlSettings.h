#pragma once

namespace autovelt {

class Importer;

// Opens the cycle's connections and reloads every operating setting from the core banking
// tables, the online database and the installation's configuration. Problems are
// reported and leave SkipImport set; nothing is thrown to the caller.
void LoadControlSettings(Importer& importer);

}  // namespace autovelt
