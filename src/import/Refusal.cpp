#include "import/Refusal.h"

#include "comms/LoanDetailsException.h"
#include "import/OnlineMarking.h"
#include "state/Importer.h"

namespace autovelt {

void RefuseApplication(Importer& importer, const Refusal& refusal) {
    importer.ShowException(refusal.problem + importer.app.messageSuffix);
    ShowLoanDetailsException(importer);
    UpdateTableWRecord(importer, refusal.failEmail, refusal.notes);
}

}  // namespace autovelt
