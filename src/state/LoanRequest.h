#pragma once

#include <QString>

namespace autovelt::inline state {

// The loan being processed, as the loan pass fills it from the application and the loan
// figures rewrite it. Staff and the records know these entries by their place in the loan
// details (0 to 17), given beside each; all are texts as the records take them.
struct LoanRequest {
    QString memberNumber;                 // 0
    QString productCode;                  // 1: as applied for, then the product chosen
    QString applicationDate;              // 2: the processing date, "dd/mm/yy"
    QString amount;                       // 3: applied for, then as cut
    QString repaymentFrequency;           // 4: "M", "W", "F" or "4"
    QString numberOfRepayments;           // 5
    QString firstRepaymentDate;           // 6: "dd/mm/yyyy"
    QString repayment;                    // 7
    QString sortCode;                     // 8
    QString accountNumber;                // 9
    QString comments;                     // 10: always empty
    QString loanPurposeCode;              // 11
    QString totalInterest;                // 12
    QString lastRepayment;                // 13
    QString apr;                          // 14
    QString correspondence;               // 15: "E" (email) or "P" (post)
    QString firstRepaymentDateForProfile; // 16: the date again, "MM/DD/YY" for SQL Server
    QString lastRepaymentDate;            // 17: "dd/mm/yyyy"
};

}  // namespace autovelt::state
