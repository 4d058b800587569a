#pragma once

#include <QString>

namespace autovelt::inline app {

// One pass as a dry run (--dry-run): its lines printed with "dry run: " before them, its unit
// of work undone at the end, no peer reached and no file written. Exit codes as --once.
int RunDryRun(const QString& homeFolder);

// Runs the importer without a window. With `once`, one cycle runs at once and the exit
// code says whether its import pass ran; otherwise the timer-driven cycle runs until
// SIGINT or SIGTERM, which stop it at the next safe point.
int RunHeadless(const QString& homeFolder, bool once);

}  // namespace autovelt::app
