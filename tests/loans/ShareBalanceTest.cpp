#include "loans/FirstRepaymentDate.h"
#include "loans/ShareBalance.h"
#include "platform/db/StatementDialect.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// The embedded engine's form is read back by the import pass tests; this is the other engine's.
TEST(OpeningShareBalance, SqlServerStatementWithAQuotedProduct) {
    const QString date = QStringLiteral("CONVERT(DATETIME, '2026-03-05 00:00:00', 102)");
    EXPECT_EQ(db::adaptStatement(db::Engine::SqlServer, OpeningShareBalanceStatement(7, "S'1", QDate(2026, 3, 5))),
              "INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, LoanGranted, Balance, Rate, PaidOutPeriod, PaidOutYTD, "
              "ExcessLimit, ProductType, InterestPaidDate, RepaymentDueDate) VALUES(7,'S''1',0," + date + ",0,0,0,0,0,4," + date +
                  "," + date + ") ;");
}

TEST(FirstRepaymentDate, ByFrequency) {
    for (const auto& [frequency, date] : {std::pair{"M", "2026-02-28"}, {"W", "2026-02-07"}, {"F", "2026-02-14"}, {"4", "2026-02-28"},
                                          {"m", "1899-12-30"}})
        EXPECT_EQ(FirstRepaymentDateFor(QDate(2026, 1, 31), frequency).toString(Qt::ISODate), QLatin1String(date)) << frequency;
}

}  // namespace
