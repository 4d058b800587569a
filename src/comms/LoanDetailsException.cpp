#include "comms/LoanDetailsException.h"

#include "state/ApplicationState.h"
#include "state/UnitSession.h"

namespace autovelt::inline comms {

QString LoanRequestText(const Application& app, const LoanPassState& loan) {
    const auto& field = app.field;
    return QStringLiteral(" applied for ") + loan.loanProduct(app) + QStringLiteral(" loan for \u00A3") +
           field[tw::LoanAmount] + QStringLiteral(" over ") + field[tw::TermMonths] + QStringLiteral(" months for ") +
           field[tw::OtherLoanPurpose];
}

void ShowLoanDetailsException(UnitSession& session, const ApplicationState& app, const LoanPassState& loan) {
    if (app.isJoinOnly()) return;
    session.ShowException(QStringLiteral("Member ") + QString::number(app.memberNumber) + LoanRequestText(app, loan) +
                          QLatin1Char('.'));
}

void ShowLoanDetailsException(UnitSession& session, const ApplicationState& app) {
    ShowLoanDetailsException(session, app, app.loan);
}

}  // namespace autovelt::comms
