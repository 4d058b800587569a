#pragma once

#include <QString>

namespace autovelt {

class Importer;

// Marks the current application imported on the website (its table_w row and its pending
// table_ad rows; nothing else of the online database is written) and records a skip:
// with notes, a diary note and a WebLog row "SKIPPED"; with failEmailReqd, the failure
// email. In a single-application run ("id.txt") the online rows stay unmarked.
void UpdateTableWRecord(Importer& importer, bool& failEmailReqd, const QString& failNotes);

// The two statements that mark an application imported at the given stamp
// ("YYYY-MM-DD hh:mm:ss").
QString MarkApplicationStatement(const QString& fieldId, const QString& stamp);
QString MarkAddressesStatement(const QString& rawField2, const QString& stamp);

}  // namespace autovelt
