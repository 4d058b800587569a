#include "loans/FirstRepaymentDate.h"
#include "loans/ShareBalance.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

TEST(OpeningShareBalance, JetAndSqlServerStatementsWithAQuotedProduct) {
    const QString head = "INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, LoanGranted, Balance, Rate, PaidOutPeriod, "
                         "PaidOutYTD, ExcessLimit, ProductType, InterestPaidDate, RepaymentDueDate) VALUES(";
    EXPECT_EQ(OpeningShareBalanceStatement(42, "S1", QDate(2026, 3, 5), false),
              head + "42,'S1',False,#03/05/26#,0,0,0,0,0,4,#03/05/26#,#03/05/26#) ;");
    EXPECT_EQ(OpeningShareBalanceStatement(7, "S'1", QDate(2026, 3, 5), true),
              head + "7,'S''1',0,"
              "CONVERT(DATETIME, '2026-03-05 00:00:00', 102),0,0,0,0,0,4,CONVERT(DATETIME, '2026-03-05 00:00:00', 102),"
              "CONVERT(DATETIME, '2026-03-05 00:00:00', 102)) ;");
}

TEST(FirstRepaymentDate, ByFrequency) {
    const QDate jan31(2026, 1, 31);
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "M"), QDate(2026, 2, 28));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "W"), QDate(2026, 2, 7));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "F"), QDate(2026, 2, 14));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "4"), QDate(2026, 2, 28));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, ""), QDate(1899, 12, 30));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "m"), QDate(1899, 12, 30));
}

}  // namespace
