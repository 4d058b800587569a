#pragma once

// The statements that write a loan application and its pay profile rows, built from plain
// values in the file-database dialect (the connection adapts them for its engine). Kept
// apart from the writers so the exact text can be checked without a database.

#include "common/Values.h"

#include <QDate>
#include <QString>
#include <array>

namespace autovelt::inline loans {

// One LoanAllocation row, every column in the order of the INSERT. Numbers that come from
// text have already been read (leadingNumber); dates that are invalid are written as Null.
struct LoanAllocationRow {
    long memberNumber = 0;
    QString memberName;
    QString loanNumber;
    QDate loanDate;
    Currency loanValue;
    QString productCode;
    Currency loanIntRate;
    double intApr = 0;
    double loanInterest = 0;
    double loanTerm = 0;
    Currency origBal;
    Currency osInterest;
    double repayValue = 0;
    double lastPaymentValue = 0;
    int loanTypeCode = 20;
    QString loanTypeDesc;
    QString repayFreq;
    QDate repayDate;
    QString teller;
    QString comments;
    double productType = 3;
    QString craRef;
    double craScore = 0;
    QString initStatus;
    bool inQueue = true;
    QString docsPref;
    QString ourStatus;
    QString docKey;
    QString empBasis;
    double kids = 0;
    QDate origApplyDate;
    double origApplyValue = 0;
    QString gender;
    long balanceId = 0;
    std::array<long, 3> mergeIds234{};  // MergeID2 to MergeID4
    QString startTime;
    double sharesM = 0;
    double repayM = 0;
    double totNewPay = 0;
    QString origTeller;
    QString postCodePart1;
    QDate dateOfBirth;
    QDate lastPaymentDate;
    QString homeStatus;
};
QString LoanAllocationStatement(const LoanAllocationRow& row);

// The highest ID of a member's loan application with this number.
QString LoanIdLookupStatement(long memberNumber, const QString& loanNumber);

struct LoanPayeeRow {
    long loanId = 0;
    long memberNumber = 0;
    QString method;
    QString payee;
    QString sortCode;
    QString accountNumber;
    Currency amount;
};
QString LoanPayeeStatement(const LoanPayeeRow& row);

struct AutoTextRow {
    long memberNumber = 0;
    QDate date;
    QString time;  // "HH:MM"
    long loanId = 0;
    QString teller;
};
QString AutoTextStatement(const AutoTextRow& row);

// One PayAnalysisSchedule row: a deduction for the core system to set up.
struct PayScheduleRow {
    long memberNumber = 0;
    QDate date;
    int valueType = 1;       // 1 savings, 2 loan repayment
    Currency usualValue;     // also the actual value
    int priority = 3;
    QString productCode;
    long payRunNumber = 0;
    long allocationId = 0;
    long balanceId = 0;
    long employmentId = 0;
    long loanId = 0;
    QDate scheduleCreated;
    int productType = 4;
};
QString PayScheduleStatement(const PayScheduleRow& row);

}  // namespace autovelt::loans
