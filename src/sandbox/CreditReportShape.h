#pragma once

// The figures of one credit report and their writing in the agency's report shape. Totals
// that the agency derives from the account records (number of accounts, balances,
// revolving use, mortgage balances) are worked out from the accounts, so they always agree.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace autovelt::sandbox {

struct ReportAccount {
    QString supplier;
    QString typeCode;  // two letters: "CC" credit card, "CA" current account, "UL" unsecured loan, "MG" mortgage...
    int balance = 0;
    int limit = 0;
    int regularPayment = 0;
    QString repayFrequency = QStringLiteral("M");
    QDate started;
    QString recentStatus = QStringLiteral("000000");  // the last six months, newest first: 0 up to date, 1-6 arrears, 8 default
};

struct ReportFigures {
    QString title;  // the matched name, or "Not matched"
    int messageCode = 1;
    int searches3Months = 1;
    int searches12Months = 2;
    int activeJudgments = 0;
    int satisfiedJudgments = 0;
    int activeJudgmentsAmount = 0;
    int dischargedInsolvencies = 0;
    int currentlyInsolvent = 0;
    int restricted = 0;
    int noticeOfCorrection = 0;
    int disputes = 0;
    int fraudMarkers = 0;
    int delinquencies12Months = 0;
    int defaults12Months = 0;
    int defaults36Months = 0;
    int impairedCredit = 0;
    int iva = 0;
    int boss = 0;
    int score = 640;
    QStringList reasons = {QStringLiteral("S12"), QStringLiteral("S31"), QStringLiteral("S47")};
    QList<ReportAccount> accounts;
};

// The creditreport element and everything inside it.
QString writeCreditReport(const ReportFigures& figures, const QDate& today);

}  // namespace autovelt::sandbox
