#include "common/SqlDialect.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"
#include "platform/db/StatementDialect.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

#define D2021 "CONVERT(DATETIME, '2021-01-02 00:00:00', 102)"

// What a connection to SQL Server sends for each statement its callers write in the Jet dialect:
// no caller translates. Text an applicant typed sits in quoted literals and must arrive exactly as
// typed; hashes that do not open a date stay.
TEST(SqlDialectTranslate, SqlServerRewrites) {
    const struct { const char* name; const char* jet; const char* sqlServer; } cases[] = {
        {"date and boolean", "SELECT * FROM X WHERE D=#01/02/21# AND F=TRUE", "SELECT * FROM X WHERE D=" D2021 " AND F=1"},
        {"window upper end", "X=#01/01/29#", "X=CONVERT(DATETIME, '2029-01-01 00:00:00', 102)"},
        {"window lower end", "X=#01/01/30#", "X=CONVERT(DATETIME, '1930-01-01 00:00:00', 102)"},
        {"two dates, one of four digits", "VALUES(#02/03/21#,#12/31/1975#)",
         "VALUES(CONVERT(DATETIME, '2021-02-03 00:00:00', 102),CONVERT(DATETIME, '1975-12-31 00:00:00', 102))"},
        {"any case booleans", "SET a=True, b=false, c=tRuE", "SET a=1, b=0, c=1"},
        {"inside identifiers", "SELECT IsTrueValue, Falsehood FROM t", "SELECT Is1Value, 0hood FROM t"},
        {"delete star", "DELETE * FROM Changes WHERE MemberNo = 1", "DELETE FROM Changes WHERE MemberNo = 1"},
        {"delete star lower case", "delete * from x where a=false", "DELETE from x where a=0"},
        {"lone hash", "WHERE x=#5 AND y=3", "WHERE x=#5 AND y=3"}, {"pair around a non-date", "#abc# #01/02/21#", "#abc# " D2021},
        {"single-digit parts", "D=#1/2/21#", "D=#1/2/21#"},        {"not a calendar date", "D=#02/30/21#", "D=#02/30/21#"},
        {"month 13", "D=#13/01/2021#", "D=#13/01/2021#"},
        {"hash in text then a date", "SET Line1='No #5' WHERE D=#01/02/21#", "SET Line1='No #5' WHERE D=" D2021},
        {"date-shaped text", "VALUES ('#01/02/21#', #01/02/21#)", "VALUES ('#01/02/21#', " D2021 ")"},
        {"escaped quote", "VALUES ('O''True #1', FALSE, 'It''s #01/02/21# true')", "VALUES ('O''True #1', 0, 'It''s #01/02/21# true')"},
        {"unterminated literal", "SELECT 'abc TRUE #01/02/21#", "SELECT 'abc TRUE #01/02/21#"},
        {"existing convert", "VALUES (CONVERT(DATETIME, '2021-01-02 10:11:12', 102),False,'true')",
         "VALUES (CONVERT(DATETIME, '2021-01-02 10:11:12', 102),0,'true')"},
        {"delete with text", "DELETE * FROM t WHERE a='DELETE * TRUE'", "DELETE FROM t WHERE a='DELETE * TRUE'"},
        {"a pending loan", "SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=7 AND Posted=False ;",
         "SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=7 AND Posted=0 ;"},
        {"home rows make room", "DELETE * FROM MemberAddress WHERE Memberno=7 AND AddressType LIKE 'HOME%' ;",
         "DELETE FROM MemberAddress WHERE Memberno=7 AND AddressType LIKE 'HOME%' ;"},
    };
    // The machine has no SQL Server: the open fails, and the connection still knows its engine.
    db::Connection sqlServer;
    EXPECT_THROW(sqlServer.open("provider=SQLOLEDB.1;Initial Catalog=TarvMain;Data Source=127.0.0.1,1;Trusted_Connection=Yes;"),
                 VeltError);
    for (const auto& c : cases)
        EXPECT_EQ(sqlServer.prepareStatement(QString::fromUtf8(c.jet)), QString::fromUtf8(c.sqlServer)) << c.name;
    const QString statement = QStringLiteral("DELETE * FROM X WHERE D=#01/02/21# AND F=TRUE AND ISNULL(a,0)=1");
    EXPECT_EQ(db::adaptStatement(db::Engine::MySql, statement), statement) << "online statements pass as written";
}

}  // namespace
