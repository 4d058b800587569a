#include "app/ImportPass.h"

#include "app/Importer.h"
#include "import/AddressTestFixture.h"

#include <gtest/gtest.h>

namespace autovelt::test {
namespace {

using Lines = QStringList;

// The addresses as the import pass takes them: read from the online rows, for the member
// the pass matches or creates.
class AddressImportPassTest : public AddressTest {
protected:
    // The problems in their order, without the lines the rest of the pass adds.
    QStringList problemsContaining(const QString& text) {
        QStringList found;
        for (const QString& p : problems())
            if (p.contains(text)) found << p;
        return found;
    }
};

TEST_F(AddressImportPassTest, ANewMembersAddressesAndBankDetailsArriveThroughThePass) {
    for (long other : {300L, 100L}) {
        member(other, "Other", "Member");
        storedAddress(other, "BANK1", {{"Code1", "40-11-22"}, {"Code2", "12345678"}});
    }
    application(0, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}, {15, "07700 900123"},
                     {18, "john@home.example"}});
    address("BANK_1", {{4, "40-11-22"}, {5, "12345678"}});
    address("WORK1", {{7, "unit 4"}, {9, "trade park"}, {12, "acme ltd"}, {14, "ls9 9zz"}});

    RunImportPass(im());

    const long member = 301;  // the highest member number plus one
    EXPECT_EQ(inst.scalar("TarvMain", "SELECT Surname FROM MemberMain WHERE MemberNo=301").toString(), "Smith");
    EXPECT_EQ(addressTypes(member), (Lines{"BANK1", "HOME", "WORK1"}));
    EXPECT_EQ(lines(member, "HOME"), (Lines{"12 High Street", "", "Leeds", "", "<null>", "LS1 4AB"}));
    EXPECT_EQ(stored(member, "HOME", "MobileNumber"), "07700 900123");
    EXPECT_EQ(stored(member, "BANK1", "PhoneNumber"), "Mr John Smith");
    EXPECT_EQ(stored(member, "WORK1", "Line4"), "Acme Ltd");
    EXPECT_EQ(problemsContaining("Sortcode:"),
              Lines{"Member 301 joining supplied Sortcode:40-11-22  Account:12345678 - remember to verify these details." + kSuffix});
    EXPECT_EQ(problemsContaining("already held on member"),
              (Lines{"Member 301 supplied bank details but these are already held on member 100 - please verify these details!" + kSuffix,
                     "Member 301 supplied bank details but these are already held on member 300 - please verify these details!" + kSuffix}));
    EXPECT_TRUE(problemsContaining("no addresses supplied").isEmpty());
    EXPECT_TRUE(problemsContaining("Error").isEmpty()) << problems().join('\n').toStdString();
    // The pass marks the address rows imported with the application.
    EXPECT_EQ(rows("online", "SELECT * FROM table_ad WHERE field_21='Y'"), 3);
}

TEST_F(AddressImportPassTest, AnExistingMemberWhoMovedIsAuditedThroughThePass) {
    member(500, "John", "Smith");
    inst.exec("TarvMain", "UPDATE MemberMain SET NINumber='AB123456C', DOB='1985-04-15', Title='Mr', Sex='M' WHERE MemberNo=500");
    storedAddress(500, "HOME", {{"Line1", "4 Old Road"}, {"Line2", "Chapel Allerton"}, {"Line3", "Leeds"},
                                {"Postcode", "LS7 1AA"}, {"EmailAddress", "john.web@example.com"}});
    storedAddress(500, "HOMEPREV1", {{"Line1", "9 Older Road"}, {"Postcode", "LS7 9ZZ"}});
    application(0, false);
    address("HOME", {{7, "12"}, {9, "new street"}, {11, "bradford"}, {14, "bd1 1aa"}});

    RunImportPass(im());

    EXPECT_EQ(problemsContaining("New home address"),
              Lines{"New home address details supplied on VELT loan app " + kSuffix + " for member 500" + kSuffix});
    EXPECT_TRUE(problemsContaining("Error").isEmpty()) << problems().join('\n').toStdString();
    EXPECT_EQ(addressTypes(500), Lines{"HOME"});
    EXPECT_EQ(lines(500, "HOME"), (Lines{"12 New Street", "", "Bradford", "", "<null>", "BD1 1AA"}));
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Changes WHERE MemberNo=500 AND Description='Post code was LS7 1AA changed to BD1 1AA'"), 1);
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary WHERE Memberno=500 AND Keyword='VELT' "
                               "AND Msgtext LIKE '%[HOMEPREV1] ADDRESS DETAILS Prior to VELT Import%'"),
              1);
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog WHERE MemberNo=500 AND TheKeyword='ADDRESS' "
                               "AND TheActivity='New address supplied on application [12 New Street BD1 1AA]'"),
              1);
}

}  // namespace
}  // namespace autovelt::test
