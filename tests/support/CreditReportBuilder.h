#pragma once

// Composes credit reports in the agency's response shape, with chosen figures.

#include <QList>
#include <QMap>
#include <QString>

namespace autovelt::test {

struct ReportAccount {
    QString typeCode;
    QString balance;
    QString regularPayment;
};

struct CreditReportBuilder {
    // Summary figures by element name; an element left out is absent from the report.
    QMap<QString, QString> figures;
    QString score = QStringLiteral("612");   // empty: no score element at all
    bool scoreBeforeReasonsOnly = false;      // the first score element is empty, a later one has the value
    QString reportTitle = QStringLiteral("MR ALAN TESTER");
    bool undeclaredAddress = false;
    QList<ReportAccount> accounts;
    QString searchId = QStringLiteral("{0C1D2E3F-0000-4000-8000-00000000A1B2}");

    QString xml() const;
};

}  // namespace autovelt::test
