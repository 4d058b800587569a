#pragma once

#include <QString>

namespace autovelt {

class Importer;

// Ends the current application: it is imported, or refused when there is a failure
// to record (notes or the failure email). A skip with notes gets a diary note and a
// WebLog row "SKIPPED"; with failEmailReqd, the failure email. The website's rows are
// marked after the application's unit of work has committed.
void UpdateTableWRecord(Importer& importer, bool& failEmailReqd, const QString& failNotes);

// Marks an application imported on the website: its table_w row and its pending table_ad
// rows; nothing else of the online database is written.
void MarkOnlineRowsImported(Importer& importer, const QString& fieldId, const QString& rawField2);

// The two statements that mark an application imported at the given stamp
// ("YYYY-MM-DD hh:mm:ss").
QString MarkApplicationStatement(const QString& fieldId, const QString& stamp);
QString MarkAddressesStatement(const QString& rawField2, const QString& stamp);

}  // namespace autovelt
