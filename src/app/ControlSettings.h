#pragma once

namespace autovelt::inline state { class Importer; }

namespace autovelt::inline app {

// Opens the cycle's connections and reloads every operating setting from the core banking
// tables, the online database and the installation's configuration. Problems are
// reported and leave SkipImport set; nothing is thrown to the caller.
void LoadControlSettings(Importer& importer);

// Opens TarvMain, TarvTran, TarvAudt and TarvID from the installation's settings.
// Raises VeltError when one cannot be opened.
void OpenCoreConnections(Importer& importer);

// The member deletion's connections: the core banking databases (raising VeltError when
// they cannot be opened) and, where the settings can be read, the scanned images folder and
// the online database. Reports nothing.
void OpenDeletionConnections(Importer& importer);

}  // namespace autovelt::app
