#include "platform/db/Connection.h"
#include "platform/db/ConnectionTarget.h"
#include "support/Errors.h"
#include "support/InstallationTest.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace autovelt;
using namespace autovelt::db;

TEST(ConnectionTarget, MapsEachConnectionStringToAnEngine) {
    EngineSettings settings;
    settings.odbcDriver = "FreeTDS";
    const auto jet =
        resolveConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/srv/cu/TarvMain.mdb;Persist Security Info=False", settings);
    EXPECT_EQ(std::tuple(jet.engine, jet.filePath), std::tuple(Engine::Embedded, QString("/srv/cu/TarvMain.db")));
    const auto trusted = resolveConnectionString(  // a "}" in a value stays inside its braces
        "provider=SQLOLEDB.1;Persist Security Info=False;Initial Catalog=XTarv}Main;Data Source=SQL01;Trusted_Connection=Yes;", settings);
    EXPECT_EQ(std::tuple(trusted.engine, trusted.odbcConnectString),
              std::tuple(Engine::SqlServer, QString("DRIVER={FreeTDS};SERVER={SQL01};DATABASE={XTarv}}Main};Trusted_Connection=Yes;")));
    const auto login = resolveConnectionString(
        "provider=SQLOLEDB.1;Persist Security Info=False;Initial Catalog=TarvTran;Data Source=SQL01;User Id =velt;Password=p;w}", settings);
    EXPECT_EQ(std::tuple(login.user, login.password), std::tuple(QString("velt"), QString("p")));  // a password stops at ";"
    EXPECT_FALSE(login.odbcConnectString.contains("velt"));  // credentials never go into the ODBC text
    const auto online = resolveConnectionString(
        "DRIVER={MySQL ODBC 3.51 Driver}; PORT=3306; SERVER=10.1.1.81; DATABASE=cu1; UID=cu1; PWD=secret; ENCRYPT=true; OPTION=3", settings);
    EXPECT_EQ(std::tuple(online.engine, online.server, online.database, online.port),
              std::tuple(Engine::MySql, QString("10.1.1.81"), QString("cu1"), 3306));
    settings.embeddedOnlineDatabase = "/tmp/online.db";
    EXPECT_EQ(resolveConnectionString("DRIVER={MySQL ODBC 3.51 Driver}; SERVER=x;", settings).filePath, "/tmp/online.db");
    EXPECT_THROW(resolveConnectionString("Provider=Nothing;", settings), VeltError);

    Connection c;  // a missing database file is an error, never a new file
    EXPECT_THROW(c.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/nonexistent/TarvMain.mdb;Persist Security Info=False"), VeltError);
    EXPECT_FALSE(QFile::exists("/nonexistent/TarvMain.db"));
}

class ConnectionTest : public test::InstallationTest {
protected:
    void SetUp() override { inst.openCoreConnections(); }
    Connection& main = inst.importer().connections.TarvMain;
    Connection& tran = inst.importer().connections.TarvTran;
};

// Writing through recordsets is covered by every import test that reads its rows back; here: the
// refusals and errors those tests never meet.
TEST_F(ConnectionTest, RefusesWritesThroughReadOnlyCursorsAndNamesWhatIsMissing) {
    EXPECT_EQ(tran.execute("INSERT INTO Changes (ChangeDate, OutOfPolicy, MemberNo) VALUES(#12/06/26#,False,5) ;"), 1);
    auto rs = tran.openRecordset("SELECT * FROM Changes WHERE MemberNo=5 ;", keysetCursor());
    EXPECT_EQ(rs.value("changedate").toDate(), QDate(2026, 12, 6));  // names are found without case
    EXPECT_THROW(rs.value("NoSuchColumn"), VeltError);
    EXPECT_THROW(tran.openRecordset("SELECT * FROM Changes ;", readOnlyCursor()).addNew(), VeltError);
    EXPECT_EQ(tran.execute("DELETE * FROM Changes WHERE MemberNo = 5"), 1);
    const QString error = test::ErrorOf([&] { tran.execute("SELECT * FROM NoSuchTable"); });
    EXPECT_TRUE(error.contains("NoSuchTable") && error.section(' ', 0, 0).toInt() != 0) << error.toStdString();
    EXPECT_TRUE(main.columnExists("membermain", "JOINCHANNEL"));  // tables and columns found without case
    EXPECT_FALSE(main.columnExists("MemberMain", "NoSuchColumn") || main.columnExists("NoSuchTable", "MemberNo"));
    // A committed batch survives a power cut: each core file's journal is truncated and synced at the commit.
    QStringList durability;
    for (const QString schema : {"main", "TarvTran", "TarvAudt", "TarvID"})
        for (const QString pragma : {"journal_mode", "synchronous"})
            durability << main.openRecordset("PRAGMA \"" + schema + "\"." + pragma).text(0);
    EXPECT_EQ(durability.join(" "), "truncate 2 truncate 2 truncate 2 truncate 2");
}

// The statements the importer writes must find the rows they should on the embedded engine; an
// empty application value is stored as empty text, an empty date as no date.
TEST_F(ConnectionTest, StoredDatesBooleansAndEmptyTextsAreFoundByTheDialect) {
    auto rs = main.openRecordset("SELECT * FROM MemberMain WHERE MemberNo=7 ;", keysetCursor());
    rs.addNew();
    rs.setValue("MemberNo", 7);
    rs.setValue("DOB", QDate(1980, 12, 25));
    rs.setValue("NewMember", "True");
    rs.setValue("stopcashin", "False");
    rs.setValue("MidName", QString());
    rs.setValue("DOL", QString());
    rs.update();
    EXPECT_EQ(main.openRecordset("SELECT * FROM MemberMain WHERE DOB=#12/25/1980# AND NewMember=TRUE ;").recordCount(), 1);
    EXPECT_EQ(main.openRecordset("SELECT * FROM MemberMain WHERE DOB=#12/25/80# AND stopcashin=False ;").recordCount(), 1);
    EXPECT_EQ(main.openRecordset("SELECT * FROM MemberMain WHERE DOB>#12/25/1980# ;").recordCount(), 0);
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM MemberMain WHERE MidName = '' AND DOL IS NULL"), 1);
    EXPECT_EQ(main.openRecordset("SELECT * FROM MemberMain WHERE MemberNo=7 ;").value("DOB").toDate(), QDate(1980, 12, 25));
}
