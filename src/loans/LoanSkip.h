#pragma once

#include "comms/LoanDetailsException.h"
#include "state/ApplicationState.h"
#include "state/UnitSession.h"

#include <QString>
#include <optional>

namespace autovelt::inline loans {

// A refusal of the loan pass: the text handed to UpdateTableWRecord, which notes it on the
// member and sends the applicant the failure email. The step that refuses reports its own
// lines first.
struct LoanSkip {
    QString message;
};
using LoanStep = std::optional<LoanSkip>;

inline QString LoanMember(const ApplicationState& app) { return QString::number(app.memberNumber); }

// A problem line followed by the line that says what the applicant asked for.
inline void ReportWithLoanDetails(UnitSession& session, const ApplicationState& app, const QString& line) {
    session.ShowException(line);
    ShowLoanDetailsException(session, app);
}

}  // namespace autovelt::loans
