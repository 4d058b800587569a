#include "common/SqlDialect.h"

#include "support/ExpectedDocuments.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// The reviewed file holds, for each case, a line naming it, a Jet statement and its SQL Server translation. Text an
// applicant typed sits in quoted literals and must arrive exactly as typed; hashes that do not open a date stay.
TEST(SqlDialectTranslate, SqlServerRewrites) {
    const QString expected = test::ExpectedDocument("sql-server-translations.txt");
    const QStringList lines = expected.split('\n');
    QStringList translated;
    for (int i = 0; i + 2 < lines.size(); i += 3) translated << lines[i] << lines[i + 1] << TranslateSQL(lines[i + 1], true);
    EXPECT_EQ(translated.join('\n') + '\n', expected);
    const QString statement = QStringLiteral("DELETE * FROM X WHERE D=#01/02/21# AND F=TRUE AND ISNULL(a,0)=1");
    EXPECT_EQ(TranslateSQL(statement, false), statement) << "Jet statements pass unchanged";
}

}  // namespace
