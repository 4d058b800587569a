#include "comms/LoanDetailsException.h"

#include "state/ApplicationState.h"
#include "state/UnitSession.h"

namespace autovelt::inline comms {

QString LoanRequestText(const ApplicationState& app) {
    const auto& field = app.field;
    return QStringLiteral(" applied for ") + app.loanProduct() + QStringLiteral(" loan for \u00A3") +
           field[tw::LoanAmount] + QStringLiteral(" over ") + field[tw::TermMonths] + QStringLiteral(" months for ") +
           field[tw::OtherLoanPurpose];
}

void ShowLoanDetailsException(UnitSession& session, const ApplicationState& app) {
    if (app.isJoinOnly()) return;
    session.ShowException(QStringLiteral("Member ") + QString::number(app.memberNumber) + LoanRequestText(app) +
                          QLatin1Char('.'));
}

}  // namespace autovelt::comms
