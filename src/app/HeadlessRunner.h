#pragma once

#include <QString>

namespace autovelt {

// Runs the importer without a window. With `once`, one cycle runs at once and the exit
// code says whether its import pass ran; otherwise the timer-driven cycle runs until
// SIGINT or SIGTERM, which stop it at the next safe point.
int RunHeadless(const QString& homeFolder, bool once);

}  // namespace autovelt
