#include "import/Addresses.h"

#include "state/Importer.h"
#include "import/AddressTestFixture.h"

#include <gtest/gtest.h>

namespace autovelt::test {
namespace {

using Lines = QStringList;

// An existing member, 500, with a home and a previous home on record.
class HomeAddressChangeTest : public AddressTest {
protected:
    void SetUp() override {
        AddressTest::SetUp();
        member(500, "John", "Smith");
        storedAddress(500, "HOME", {{"Line1", "4 Old Road"}, {"Line2", "Chapel Allerton"}, {"Line3", "Leeds"}, {"Line4", ""},
                                    {"Postcode", "LS7 1AA"}, {"PhoneNumber", "0113 000 1111"}, {"EmailAddress", "old@example.com"},
                                    {"LastUpdatedOn", "2019-06-01"}, {"LastUpdatedBy", "CLERK"}});
        storedAddress(500, "HOMEPREV1", {{"Line1", "9 Older Road"}, {"Postcode", "LS7 9ZZ"}, {"LastUpdatedBy", "CLERK"}});
        application(500, false);
    }

    QStringList changes() { return inst.values("TarvTran", "SELECT Description FROM Changes WHERE MemberNo=500 ORDER BY ID"); }
    QString diary() { return inst.scalar("TarvTran", "SELECT Msgtext FROM Diary WHERE Memberno=500").toString(); }
};

TEST_F(HomeAddressChangeTest, ANewHomeAddressIsAuditedAndReplacesTheOldHomeRows) {
    address("HOME", {{7, "12"}, {9, "new street"}, {11, "bradford"}, {14, "bd1 1aa"}, {15, "01274 123456"}});
    ImportAddresses(im());

    const QString heading = "New home address details supplied on VELT loan app " + kSuffix;
    EXPECT_EQ(problems(), Lines{heading + " for member 500" + kSuffix});
    EXPECT_TRUE(app().homeAddressChanged);
    EXPECT_EQ(app().storedHome[0], "4 Old Road");
    EXPECT_EQ(app().storedHome[4], "LS7 1AA");
    // The old home rows are gone; the application's home replaces them.
    EXPECT_EQ(addressTypes(500), Lines{"HOME"});
    EXPECT_EQ(lines(500, "HOME"), (Lines{"12 New Street", "", "Bradford", "", "<null>", "BD1 1AA"}));
    EXPECT_EQ(stored(500, "HOME", "PhoneNumber"), "01274 123456");
    EXPECT_EQ(stored(500, "HOME", "LastUpdatedBy"), "VELT");
    EXPECT_EQ(changes(), (Lines{heading, "Line 1 was 4 Old Road changed to 12 New Street",
                                "Line 2 was Chapel Allerton changed to ", "Line 3 was Leeds changed to Bradford",
                                "Post code was LS7 1AA changed to BD1 1AA"}));
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog WHERE MemberNo=500 AND TheCategory='BORROW' AND TheKeyword='ADDRESS' "
                               "AND TheActivity='New address supplied on application [12 New Street BD1 1AA]'"),
              1);
    EXPECT_EQ(inst.scalar("TarvMain", "SELECT MemberStatus FROM MemberMain WHERE MemberNo=500").toString(), "A");
}

TEST_F(HomeAddressChangeTest, TheDiaryKeepsASnapshotOfTheOldHomeRows) {
    address("HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}});
    ImportAddresses(im());

    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary WHERE Memberno=500 AND Keyword='VELT' AND Teller='VELT'"), 1);
    const QString note = diary();
    const QString crlf = "\r\n";
    EXPECT_TRUE(note.startsWith("[HOME] ADDRESS DETAILS Prior to VELT Import" + crlf + "Line1 - 4 Old Road" + crlf +
                                "Line2 - Chapel Allerton" + crlf + "Line3 - Leeds" + crlf + "Line4 - " + crlf +
                                "Postcode - LS7 1AA" + crlf + "PhoneNumber - 0113 000 1111" + crlf))
        << note.toStdString();
    EXPECT_TRUE(note.contains("LastUpdatedOn - 01/06/2019" + crlf + "LastUpdatedBy - CLERK" + crlf + crlf +
                              "[HOMEPREV1] ADDRESS DETAILS Prior to VELT Import" + crlf + "Line1 - 9 Older Road" + crlf))
        << note.toStdString();
    EXPECT_FALSE(note.contains("MemberNo")) << note.toStdString();
    EXPECT_FALSE(note.contains("Line5")) << note.toStdString();  // Null columns are left out
}

TEST_F(HomeAddressChangeTest, TheSameAddressKeepsTheLinesOnRecord) {
    address("HOME", {{7, "4"}, {9, "old road"}, {11, "leeds"}, {14, "ls71aa"}, {15, "07700 900123"}});
    ImportAddresses(im());

    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
    EXPECT_FALSE(app().homeAddressChanged);
    EXPECT_EQ(lines(500, "HOME"), (Lines{"4 Old Road", "Chapel Allerton", "Leeds", "", "<null>", "LS7 1AA"}));
    EXPECT_EQ(stored(500, "HOME", "MobileNumber"), "07700 900123");
    EXPECT_TRUE(changes().isEmpty());
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog"), 0);
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary"), 1);  // the snapshot is kept whatever happens
}

TEST_F(HomeAddressChangeTest, OneCreditUnionSuspendsAMemberWhoMoved) {
    im().settings.FSARefNo = "213258";
    address("HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}});
    ImportAddresses(im());
    EXPECT_EQ(inst.scalar("TarvMain", "SELECT MemberStatus FROM MemberMain WHERE MemberNo=500").toString(), "G");
    EXPECT_EQ(changes().last(), "Status 1 changed to G from A");
}

TEST_F(HomeAddressChangeTest, AHomeRowWithoutAnAddressFallsBackOnTheWholeHeldRow) {
    address("HOME", {{18, "new@example.com"}});
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{"Member 500 supplied no home address - resorting to previously held one." + kSuffix});
    EXPECT_EQ(lines(500, "HOME"), (Lines{"4 Old Road", "Chapel Allerton", "Leeds", "", "<null>", "LS7 1AA"}));
    EXPECT_EQ(stored(500, "HOME", "PhoneNumber"), "0113 000 1111");
    EXPECT_EQ(stored(500, "HOME", "LastUpdatedBy"), "VELT");
    EXPECT_EQ(app().applicantEmail, "new@example.com");
}

TEST_F(HomeAddressChangeTest, NoHomeRowSuppliedPutsTheHeldHomeBack) {
    address("WORK1", {{7, "unit 4"}, {9, "trade park"}, {12, "acme ltd"}, {14, "ls9 9zz"}});
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{"Member 500 supplied no home address - resorting to previously held one." + kSuffix});
    EXPECT_EQ(addressTypes(500), (Lines{"HOME", "WORK1"}));
    EXPECT_EQ(lines(500, "HOME"), (Lines{"4 Old Road", "Chapel Allerton", "Leeds", "", "<null>", "LS7 1AA"}));
    EXPECT_EQ(stored(500, "HOME", "EmailAddress"), "old@example.com");
    EXPECT_EQ(app().applicantEmail, "john.web@example.com");
}

TEST_F(HomeAddressChangeTest, AMemberWithoutAStoredHomeIsReportedAndImported) {
    inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE MemberNo=500");
    address("HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}});
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{"Member 500 - no stored home address found for existing member." + kSuffix});
    EXPECT_EQ(stored(500, "HOME", "Line1"), "12 New Street");
    EXPECT_FALSE(app().homeAddressChanged);
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary"), 0);
}

// A database failure after the old home rows were deleted must not leave the member
// without them: what the import did not replace is put back.
TEST_F(HomeAddressChangeTest, AFailedImportPutsBackTheHomeRowsItHadNotReplaced) {
    inst.exec("TarvMain", "CREATE TRIGGER refuse_bank BEFORE INSERT ON MemberAddress WHEN NEW.AddressType='BANK1' "
                          "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    address("HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}});
    address("BANK1", {{4, "40-11-22"}, {5, "12345678"}});
    address("HOMEPREV1", {{7, "77"}, {9, "never road"}, {14, "bd7 7aa"}});
    ImportAddresses(im());

    ASSERT_EQ(problems().size(), 4) << problems().join('\n').toStdString();
    EXPECT_TRUE(problems()[1].startsWith("Error in address import routine (")) << problems()[1].toStdString();
    EXPECT_TRUE(problems()[2].contains("disk I/O error")) << problems()[2].toStdString();
    EXPECT_EQ(problems()[3], "Member 500 - previously held home address restored after the address import failed." + kSuffix);
    // The new home was written before the failure and stays; the previous home is back as it was.
    EXPECT_EQ(addressTypes(500), (Lines{"HOME", "HOMEPREV1"}));
    EXPECT_EQ(stored(500, "HOME", "Line1"), "12 New Street");
    EXPECT_EQ(lines(500, "HOMEPREV1"), (Lines{"9 Older Road", "<null>", "<null>", "<null>", "<null>", "LS7 9ZZ"}));
    EXPECT_EQ(stored(500, "HOMEPREV1", "LastUpdatedBy"), "CLERK");
    EXPECT_EQ(app().applicantEmail, "john.web@example.com");
}

TEST_F(HomeAddressChangeTest, AFailureOnTheFirstRowRestoresTheWholeOldHome) {
    inst.exec("TarvMain", "CREATE TRIGGER refuse_new_home BEFORE INSERT ON MemberAddress WHEN NEW.Postcode='BD1 1AA' "
                          "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    address("HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}});
    ImportAddresses(im());

    EXPECT_EQ(problems().last(), "Member 500 - previously held home address restored after the address import failed." + kSuffix);
    EXPECT_EQ(addressTypes(500), (Lines{"HOME", "HOMEPREV1"}));
    EXPECT_EQ(lines(500, "HOME"), (Lines{"4 Old Road", "Chapel Allerton", "Leeds", "", "<null>", "LS7 1AA"}));
    EXPECT_EQ(stored(500, "HOME", "PhoneNumber"), "0113 000 1111");
    EXPECT_EQ(stored(500, "HOME", "LastUpdatedOn"), "2019-06-01");
    EXPECT_EQ(stored(500, "HOME", "LastUpdatedBy"), "CLERK");
}

// ---- The comparison itself --------------------------------------------------------------

AddressRow suppliedHome(const QString& building, const QString& street, const QString& postcode) {
    AddressRow row;
    row[ad::Building] = building;
    row[ad::Street1] = street;
    row[ad::Postcode] = postcode;
    return row;
}

ApplicationState storedHome(const QString& line1, const QString& postcode) {
    ApplicationState app;
    app.storedHome[0] = line1;
    app.storedHome[4] = postcode;
    return app;
}

TEST(HomeAddressChanged, NothingStoredIsNeverAChange) {
    EXPECT_FALSE(HomeAddressChanged(storedHome("4 Old Road", ""), suppliedHome("12", "New Street", "BD1 1AA")));
}

TEST(HomeAddressChanged, PostcodesAreComparedWithoutBlanksOrCase) {
    EXPECT_FALSE(HomeAddressChanged(storedHome("4 Old Road", "LS7 1AA"), suppliedHome("", "", "ls71aa")));
    EXPECT_TRUE(HomeAddressChanged(storedHome("4 Old Road", "LS7 1AA"), suppliedHome("", "", "LS7 1AB")));
}

TEST(HomeAddressChanged, SamePostcodeComparesTheFirstFourCharactersOfTheFirstLine) {
    const ApplicationState app = storedHome("4 Old Road", "LS7 1AA");
    EXPECT_FALSE(HomeAddressChanged(app, suppliedHome("4", "old roadway", "LS7 1AA")));
    EXPECT_TRUE(HomeAddressChanged(app, suppliedHome("6", "Old Road", "LS7 1AA")));
    EXPECT_FALSE(HomeAddressChanged(app, suppliedHome("", "Elm Road", "LS7 1AA")));  // no building
    EXPECT_FALSE(HomeAddressChanged(app, suppliedHome("6", "", "LS7 1AA")));          // too short to compare
    EXPECT_FALSE(HomeAddressChanged(storedHome("4 O", "LS7 1AA"), suppliedHome("6", "Elm Road", "LS7 1AA")));
}

}  // namespace
}  // namespace autovelt::test
