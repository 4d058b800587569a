#include "app/ControlSettings.h"
#include "support/TestInstallation.h"

#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// The online checks of the settings load against a real MariaDB server on loopback. Each case gives
// its first problem line; a failed connection shows no password anywhere.
TEST(OnlineMariaDb, FindsTheOnlineTablesAndGivesEachProblemItsLine) {
    test::TestInstallation inst;
    if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.reporter().problems().isEmpty()) << inst.reporter().problems().join("\n").toStdString();
    auto& online = inst.importer().connections.OnlineConnection;
    ASSERT_TRUE(online.isOpen() && online.engine() == db::Engine::MySql);
    EXPECT_TRUE(online.encrypted());  // TLS by default, the server's certificate verified against the test's CA
    // Text literals are quoted by doubling apostrophes only: a backslash must stay a backslash.
    online.execute("INSERT INTO table_w (field_2, field_107) VALUES ('O''Brien\\\\'' ; --', 'N')");
    EXPECT_EQ(online.openRecordset("SELECT field_2 FROM table_w WHERE field_107='N'").text(0), "O'Brien\\\\' ; --");

    using Step = std::function<void(test::TestInstallation&)>;
    const auto sql = [](const QString& statement) { return [=](test::TestInstallation& i) { i.execOnlineMySql(statement); }; };
    const QString connectionError = "Error within connection to databases routine. ";
    const struct { const char* what; Step breakIt, repair; QString firstLine; bool skip; } cases[] = {
        {"table_test", sql("CREATE TABLE table_test (field_id INT PRIMARY KEY)"), sql("DROP TABLE table_test"),
         "Table_test found - so operating in UAT mode.", false},
        {"no table_ad", sql("RENAME TABLE table_ad TO table_ad_away"), sql("RENAME TABLE table_ad_away TO table_ad"),
         "Online Database does not have table_ad table", true},
        {"wrong password", [](test::TestInstallation& i) { i.exec("TarvMain", "UPDATE ControlSwitches SET WEBPW='Wrong-Secret-77'"); },
         [](test::TestInstallation&) {}, connectionError, true},
        // The server's certificate comes from the test's own CA, which the system's certificates do not hold; a
        // certificate that does not verify is never a reason to go on in clear.
        {"certificate that does not verify", [](test::TestInstallation& i) { i.appendConfig("[online]\nca_file = /etc/ssl/certs/ca-certificates.crt"); },
         [](test::TestInstallation&) {}, connectionError, true},
        {"certificate that does not verify, tls auto",
         [](test::TestInstallation& i) { i.appendConfig("[online]\ntls = auto\nca_file = /etc/ssl/certs/ca-certificates.crt"); },
         [](test::TestInstallation&) {}, connectionError, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestInstallation fresh;
        ASSERT_TRUE(fresh.useMariaDbOnline());
        c.breakIt(fresh);
        LoadControlSettings(fresh.importer());
        c.repair(fresh);
        EXPECT_EQ(std::pair(fresh.importer().SkipImport, fresh.importer().settings.UATMode), std::pair(c.skip, !c.skip));
        EXPECT_EQ(fresh.reporter().problems().value(0), c.firstLine);
        EXPECT_FALSE((fresh.reporter().problems() + fresh.importerLogs("*")).join("\n").contains("Wrong-Secret-77"));
    }
}

}  // namespace
