#include "platform/db/JetToSqlite.h"

#include <gtest/gtest.h>

using autovelt::db::translateJetToSqlite;

// Quoted text and hashes that do not open a date are left alone.
TEST(JetToSqlite, RewritesTheFileDatabaseDialect) {
    const struct { const char* jet; const char* sqlite; } cases[] = {
        {"SELECT * FROM X WHERE D=#01/02/21# AND F=TRUE", "SELECT * FROM X WHERE D='2021-01-02' AND F=1"},
        {"SELECT * FROM X WHERE D=#12/31/1999#", "SELECT * FROM X WHERE D='1999-12-31'"},
        {"SELECT * FROM X WHERE D=#01/02/29# OR D=#01/02/30#", "SELECT * FROM X WHERE D='2029-01-02' OR D='1930-01-02'"},
        {"DELETE * FROM Changes WHERE MemberNo = 1", "DELETE FROM Changes WHERE MemberNo = 1"},
        {"VALUES (CONVERT(DATETIME, '2026-12-06 09:30:05', 102))", "VALUES ('2026-12-06 09:30:05')"},
        {"VALUES (CONVERT(DATETIME, '2026-12-06 00:00:00', 102))", "VALUES ('2026-12-06')"},
        {"VALUES (CONVERT(DATETIME, '2026-12-06', 102))", "VALUES ('2026-12-06')"},
        {"VALUES (CONVERT(DATETIME, '2026-02-30 00:00:00', 102))", "VALUES (CONVERT(DATETIME, '2026-02-30 00:00:00', 102))"},
        {"SELECT [Date], TrueValue FROM T", "SELECT [Date], TrueValue FROM T"},
        {"INSERT INTO T VALUES ('TRUE love #01/02/21#', 'No #5', #5 not a date#)",
         "INSERT INTO T VALUES ('TRUE love #01/02/21#', 'No #5', #5 not a date#)"},
        {"SELECT 'O''Brien', false FROM T", "SELECT 'O''Brien', 0 FROM T"},
        {"SELECT * FROM T WHERE D=#02/30/21#", "SELECT * FROM T WHERE D=#02/30/21#"},
        {"WHERE D=# 1/2/2021 9:05 # OR D=#1/2/2021 09:05:07#", "WHERE D='2021-01-02 09:05:00' OR D='2021-01-02 09:05:07'"},
        {"WHERE D=#1/2/2021 9:5# OR D=#1/2/202# OR D=#1/2/2021x#", "WHERE D=#1/2/2021 9:5# OR D=#1/2/202# OR D=#1/2/2021x#"},
        // A blank or digit of another script makes no date.
        {"WHERE D=#1/2/2021\u00a0# OR D=#\u0661/2/2021#", "WHERE D=#1/2/2021\u00a0# OR D=#\u0661/2/2021#"},
        {"SELECT ISNULL(A, 'x'), ISNULL (B), IsNull, TRUE_ FROM T", "SELECT IFNULL(A, 'x'), ((B) IS NULL), IsNull, TRUE_ FROM T"},
    };
    for (const auto& c : cases) EXPECT_EQ(translateJetToSqlite(QString::fromUtf8(c.jet)), QString::fromUtf8(c.sqlite)) << c.jet;
}
