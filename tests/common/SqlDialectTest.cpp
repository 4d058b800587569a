#include "common/SqlDialect.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"
#include "platform/db/StatementDialect.h"

#include "support/ExpectedDocuments.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// The reviewed file holds, for each case, a line naming it, a Jet statement and what a connection to SQL Server sends
// for it: no caller translates. Text an applicant typed sits in quoted literals and must arrive exactly as typed; hashes
// that do not open a date stay.
TEST(SqlDialectTranslate, SqlServerRewrites) {
    // The machine has no SQL Server: the open fails, and the connection still knows its engine.
    db::Connection sqlServer;
    EXPECT_THROW(sqlServer.open("provider=SQLOLEDB.1;Initial Catalog=TarvMain;Data Source=127.0.0.1,1;Trusted_Connection=Yes;"),
                 VeltError);
    const QString expected = test::ExpectedDocument("sql-server-translations.txt");
    const QStringList lines = expected.split('\n');
    QStringList translated;
    for (int i = 0; i + 2 < lines.size(); i += 3) translated << lines[i] << lines[i + 1] << sqlServer.prepareStatement(lines[i + 1]);
    EXPECT_EQ(translated.join('\n') + '\n', expected);
    const QString statement = QStringLiteral("DELETE * FROM X WHERE D=#01/02/21# AND F=TRUE AND ISNULL(a,0)=1");
    EXPECT_EQ(db::adaptStatement(db::Engine::MySql, statement), statement) << "online statements pass as written";
}

}  // namespace
