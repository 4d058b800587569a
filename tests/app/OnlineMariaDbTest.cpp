#include "app/ControlSettings.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace autovelt;

// The online checks of the settings load against a real MariaDB server on loopback.
class OnlineMariaDbTest : public ::testing::Test {
protected:
    test::TestInstallation inst;
    void SetUp() override {
        if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
    }
    void TearDown() override {
        if (qEnvironmentVariableIsSet("AUTOVELT_TEST_MYSQL_PORT")) {
            inst.execOnlineMySql("DROP TABLE IF EXISTS table_test");
            inst.execOnlineMySql("CREATE TABLE IF NOT EXISTS table_w_backup LIKE table_w");
            inst.execOnlineMySql("DROP TABLE table_w_backup");
        }
    }
};

TEST_F(OnlineMariaDbTest, ConnectsAndFindsTheOnlineTables) {
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.reporter().problems().isEmpty()) << inst.reporter().problems().join("\n").toStdString();
    EXPECT_FALSE(inst.importer().SkipImport);
    auto& online = inst.importer().connections.OnlineConnection;
    ASSERT_TRUE(online.isOpen());
    EXPECT_EQ(online.engine(), db::Engine::MySql);
    // Text literals are quoted by doubling apostrophes only: a backslash must stay a backslash.
    online.execute("INSERT INTO table_w (field_2, field_107) VALUES ('O''Brien\\\\'' ; --', 'N')");
    auto rs = online.openRecordset("SELECT field_2 FROM table_w WHERE field_107='N'");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.text(0), "O'Brien\\\\' ; --");
}

TEST_F(OnlineMariaDbTest, TableTestMeansUatMode) {
    inst.execOnlineMySql("CREATE TABLE table_test (field_id INT PRIMARY KEY)");
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.importer().settings.UATMode);
    EXPECT_EQ(inst.reporter().problems(), QStringList{"Table_test found - so operating in UAT mode."});
}

TEST_F(OnlineMariaDbTest, MissingTablesStopTheCycle) {
    for (const QString table : {"table_ad", "table_w"}) {
        test::TestInstallation fresh;
        ASSERT_TRUE(fresh.useMariaDbOnline());
        fresh.execOnlineMySql("RENAME TABLE " + table + " TO " + table + "_away");
        LoadControlSettings(fresh.importer());
        fresh.execOnlineMySql("RENAME TABLE " + table + "_away TO " + table);
        EXPECT_TRUE(fresh.importer().SkipImport);
        EXPECT_EQ(fresh.reporter().problems(), QStringList{"Online Database does not have " + table + " table"});
    }
}

TEST_F(OnlineMariaDbTest, AWrongPasswordIsReportedWithoutIt) {
    inst.exec("TarvMain", "UPDATE ControlSwitches SET WEBPW='Wrong-Secret-77'");
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.importer().SkipImport);
    ASSERT_EQ(inst.reporter().problems().size(), 2);
    EXPECT_EQ(inst.reporter().problems()[0], "Error within connection to databases routine. ");
    for (const QString& line : inst.reporter().problems()) EXPECT_FALSE(line.contains("Wrong-Secret-77"));
    QDir web(inst.path("web"));
    for (const QString& name : web.entryList(QDir::Files)) {
        QFile f(web.filePath(name));
        f.open(QIODevice::ReadOnly);
        EXPECT_FALSE(f.readAll().contains("Wrong-Secret-77"));
    }
}

TEST_F(OnlineMariaDbTest, RequiredTlsFailsOnAServerWithoutIt) {
    inst.appendConfig("[online]\ntls = required");
    LoadControlSettings(inst.importer());
    EXPECT_TRUE(inst.importer().SkipImport);
    EXPECT_EQ(inst.reporter().problems().value(0), "Error within connection to databases routine. ");
}
