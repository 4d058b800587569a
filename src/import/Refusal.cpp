#include "import/Refusal.h"

#include "comms/LoanDetailsException.h"
#include "import/OnlineMarking.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

namespace autovelt::inline import {

void RefuseApplication(const CycleContext& cycle, UnitSession& session, ApplicationState& app, const Refusal& refusal) {
    session.ShowException(refusal.problem + app.messageSuffix);
    ShowLoanDetailsException(session, app);
    UpdateTableWRecord(cycle, session, app, refusal.failEmail, refusal.notes);
}

}  // namespace autovelt::import
