#include "comms/LoanDetailsException.h"

#include "state/Importer.h"

namespace autovelt {

QString LoanRequestText(const ApplicationState& app) {
    const auto& field = app.field;
    return QStringLiteral(" applied for ") + field[45] + QStringLiteral(" loan for \u00A3") + field[46] +
           QStringLiteral(" over ") + field[47] + QStringLiteral(" months for ") + field[50];
}

void ShowLoanDetailsException(Importer& importer) {
    if (importer.app.isJoinOnly()) return;
    importer.ShowException(QStringLiteral("Member ") + QString::number(importer.app.memberNumber) +
                           LoanRequestText(importer.app) + QLatin1Char('.'));
}

}  // namespace autovelt
