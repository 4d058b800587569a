#include "assessment/CreditReportRetrieval.h"

namespace autovelt {

// Being written: draws nothing yet.
void DrawCreditReport(Importer&, long) {}
void LoadCreditReportFile(Importer&, const QString&) {}

}  // namespace autovelt
