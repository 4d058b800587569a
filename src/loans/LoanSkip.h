#pragma once

#include "comms/LoanDetailsException.h"
#include "state/ApplicationState.h"
#include "state/UnitSession.h"

#include <QString>
#include <optional>

namespace autovelt::inline loans {

// A refusal of the loan pass, as the step that decides it says: the problem line, which the
// loan pass reports with what the applicant asked for, and the text the pass hands to
// UpdateTableWRecord, which notes it on the member and sends the applicant the failure
// email. Lines a step reports before it refuses (a product altered, an amount cut) come first.
struct LoanSkip {
    QString problem;
    QString message;
};
using LoanStep = std::optional<LoanSkip>;

inline QString LoanMember(const ApplicationState& app) { return QString::number(app.memberNumber); }

// A problem line followed by the line that says what the applicant asked for, with the
// product as the loan pass has it.
inline void ReportWithLoanDetails(UnitSession& session, const ApplicationState& app, const LoanPassState& loan,
                                  const QString& line) {
    session.ShowException(line);
    ShowLoanDetailsException(session, app, loan);
}

}  // namespace autovelt::loans
