#pragma once

#include <QDateTime>
#include <QString>

namespace autovelt::inline comms {

// Writes one message to its own importer log file: folder "web" in the program's folder,
// file "autovelt_<dd_mm_yyyy>_<hh_mm_ss>.txt". Two messages in the same second each keep
// their own file ("..._2.txt" and so on) rather than the later one replacing the earlier.
// Returns the file's path, or an empty text when it could not be written.
QString WriteImporterLogFile(const QString& programFolder, const QDateTime& now, const QString& message);

}  // namespace autovelt::comms
