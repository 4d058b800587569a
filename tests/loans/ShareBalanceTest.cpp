#include "loans/FirstRepaymentDate.h"
#include "loans/ShareBalance.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// The embedded engine's form is read back by the import pass tests; this is the other engine's.
TEST(OpeningShareBalance, SqlServerStatementWithAQuotedProduct) {
    const QString date = QStringLiteral("CONVERT(DATETIME, '2026-03-05 00:00:00', 102)");
    EXPECT_EQ(OpeningShareBalanceStatement(7, "S'1", QDate(2026, 3, 5), true),
              "INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, LoanGranted, Balance, Rate, PaidOutPeriod, PaidOutYTD, "
              "ExcessLimit, ProductType, InterestPaidDate, RepaymentDueDate) VALUES(7,'S''1',0," + date + ",0,0,0,0,0,4," + date +
                  "," + date + ") ;");
}

TEST(FirstRepaymentDate, ByFrequency) {
    const QDate jan31(2026, 1, 31);
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "M"), QDate(2026, 2, 28));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "W"), QDate(2026, 2, 7));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "F"), QDate(2026, 2, 14));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "4"), QDate(2026, 2, 28));
    EXPECT_EQ(FirstRepaymentDateFor(jan31, "m"), QDate(1899, 12, 30));
}

}  // namespace
