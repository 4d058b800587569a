// The import pass against the website's real database engine: a private MariaDB server
// (scripts/test-mariadb) holds table_w and table_ad; the core banking side stays embedded.

#include "state/ConnectionStrings.h"
#include "import/ImportPassFixture.h"

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

class MariaDbImportPassTest : public ImportPassTest {
protected:
    void SetUp() override {
        ImportPassTest::SetUp();
        if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        // The website's side: its own connection, quoting as the importer's connections quote.
        website_.open(BuildOnlineConnectionString(qEnvironmentVariable("AUTOVELT_TEST_MYSQL_HOST"),
                                                  qEnvironmentVariable("AUTOVELT_TEST_MYSQL_USER"),
                                                  qEnvironmentVariable("AUTOVELT_TEST_MYSQL_PASSWORD")),
                      im().config.engine);
        ASSERT_EQ(website_.engine(), db::Engine::MySql);
    }

    void onlineExec(const QString& statement) override { website_.execute(statement); }
    QVariant onlineScalar(const QString& query) override {
        db::Recordset rs = website_.openRecordset(query);
        return rs.eof() ? QVariant() : rs.value(0);
    }

    db::Connection website_;
};

TEST_F(MariaDbImportPassTest, NewMemberIsImportedAndOnlyTheImportedFlagsAreWritten) {
    WebApplication a = WebApplication::joinAndBorrow(7);
    add(a);
    const QString before = onlineScalar("SELECT CONCAT_WS('|', field_2, field_4, field_6, field_103, field_105) FROM table_w").toString();
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(successes(), (QStringList{kStartedLine, "Added new member 1 - Smith" + suffix(7), kCompletedLine}));
    EXPECT_EQ(memberColumn(1, "NINumber"), "AB123456C");
    EXPECT_EQ(memberColumn(1, "DOB"), "1985-04-15");
    EXPECT_EQ(column("TarvMain", "MemberUDF", "UDF1", "MemberNo=1"), "Acme Widgets Ltd");
    EXPECT_EQ(importedFlag(7), "Y");
    EXPECT_EQ(applicationColumn(7, "field_108"), kImportedStamp);
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad").toString(), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_22 FROM table_ad").toString(), kImportedStamp);
    EXPECT_EQ(onlineScalar("SELECT CONCAT_WS('|', field_2, field_4, field_6, field_103, field_105) FROM table_w").toString(),
              before);
}

TEST_F(MariaDbImportPassTest, MatchesAndRefusalsMarkTheRowsOnce) {
    addMember({});
    add(WebApplication::joinAndBorrow(3));
    WebApplication refused = WebApplication::joinAndBorrow(4).set(6, "Smythe");
    refused.memberNumber = "500";
    refused.niNumber = "CD123456A";
    add(refused);
    runCycle();
    EXPECT_TRUE(problems().contains("Member thought they were a new member, but we have them under 500 as match made on NINO "
                                    "of AB123456C." + suffix(3))) << report();
    EXPECT_TRUE(problems().contains("Member 500 specified NINO as CD123456A whereas we hold AB123456C so application is being "
                                    "skipped." + suffix(4))) << report();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(importedFlag(3), "Y");
    EXPECT_EQ(importedFlag(4), "Y");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 2);
}

TEST_F(MariaDbImportPassTest, HostileValuesNeitherBreakNorChangeAnyStatement) {
    WebApplication a = WebApplication::joinAndBorrow(1);
    a.niNumber = "AB'\\'; DELETE FROM table_ad; --";
    a.niNumberPlain = true;
    a.set(6, "';\"; DROP TABLE table_w; --'").set(4, "O\\'Brien").set(34, "back\\slash ' quote");
    add(a);
    onlineExec("INSERT INTO table_ad (field_2, field_3, field_20, field_21) VALUES ('another key', 'HOME', 'I', 'N')");
    runCycle();
    EXPECT_EQ(problems(), QStringList{}) << report();
    EXPECT_EQ(memberColumn(1, "Surname"), ";\"; Drop Table Table_w; --");
    EXPECT_EQ(memberColumn(1, "Forename"), "Obrien");
    EXPECT_EQ(column("TarvMain", "MemberUDF", "UDF1", "MemberNo=1"), "back\\slash ' quote");
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad WHERE field_2='another key'").toString(), "N");
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad WHERE field_21='Y'").toInt(), 1);
    EXPECT_EQ(onlineScalar("SELECT COUNT(*) FROM table_ad").toInt(), 2);
}

TEST_F(MariaDbImportPassTest, IdFileRunLeavesTheOnlineRowsUntouched) {
    WebApplication named = WebApplication::joinOnly(1234).set(31, "PASS");
    named.imported = "Y";
    add(named);
    add(WebApplication::joinAndBorrow(1).set(6, "Pending"));
    inst.writeFile("id.txt", "1234");
    runCycle();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(memberColumn(1, "Surname"), "Smith");
    EXPECT_TRUE(onlineScalar("SELECT field_108 FROM table_w WHERE field_id=1234").isNull());
    EXPECT_EQ(importedFlag(1), "N");
}

// Stopped between the commit and the marking: the next run marks the rows, once.
TEST_F(MariaDbImportPassTest, ACommittedApplicationLeftUnmarkedIsMarkedOnce) {
    add(WebApplication::joinAndBorrow(1));
    runCycle();
    onlineExec("UPDATE table_w SET field_107='N'");
    onlineExec("UPDATE table_ad SET field_21='N'");
    const ProgramRun again = runProgram();
    ASSERT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_TRUE(again.output.contains("Application was imported by an earlier run (member 1)")) << again.output.toStdString();
    EXPECT_EQ(members(), 1);
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM MemberBalances"), 1);
    EXPECT_EQ(webLog(1), QStringList{"New member & borrower 1 auto added via VeltImporter|JOINBORROW|NEW"});
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_EQ(onlineScalar("SELECT field_21 FROM table_ad").toString(), "Y");
}

}  // namespace
