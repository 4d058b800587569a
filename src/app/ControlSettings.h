#pragma once

namespace autovelt {

class Importer;

// Opens the cycle's connections and reloads every operating setting from the core banking
// tables, the online database and the installation's configuration. Problems are
// reported and leave SkipImport set; nothing is thrown to the caller.
void LoadControlSettings(Importer& importer);

// Opens TarvMain, TarvTran, TarvAudt and TarvID from the installation's settings.
// Raises VeltError when one cannot be opened.
void OpenCoreConnections(Importer& importer);

}  // namespace autovelt
