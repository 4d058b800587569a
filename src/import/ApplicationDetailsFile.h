#pragma once

#include "import/LoanDecision.h"
#include "state/ApplicationState.h"
#include "state/CycleSettings.h"

#include <QStringList>

namespace autovelt::inline state { class CycleContext; class UnitSession; }

namespace autovelt::inline import {

// The plain-text copy of everything the current application said, imported or refused,
// left in the member's folder ("MEMBERID" for a join-only application, else "LOANS") for
// staff to read beside the scanned documents. Written only when CreateLogs is on, the
// scanned images folder is set and the member number is not 0; a file that cannot be
// written gives a problem line. A second file of the member in the same second gets its
// own numbered name instead of replacing the first. Inside an import pass the file is
// filed only when the application commits. A loan the import withheld is shown as a loan
// value of 0.00, whatever amount the application asked for.
void WriteApplicationDetailsFile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                 long memberNumber, LoanDecision loan = LoanDecision::AsApplied);

// The lines of the file, in order, for the current application.
QStringList ApplicationDetailsLines(const ApplicationState& app, const CycleSettings& settings,
                                    LoanDecision loan = LoanDecision::AsApplied);

}  // namespace autovelt::import
