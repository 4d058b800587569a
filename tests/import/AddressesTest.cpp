#include "import/Addresses.h"

#include "import/AddressTestFixture.h"

#include <gtest/gtest.h>

namespace autovelt::test {
namespace {

using Lines = QStringList;

// ---- Finding the application's rows ------------------------------------------------------

TEST_F(AddressTest, RowsNotMarkedPendingAreFoundThroughTheSecondKey) {
    const QString secondKey = testing::encodeOnlineNumber(QStringLiteral("70315"), 5);
    application(900, true, kKey, secondKey);
    // Keyed differently and not marked "I"/"N": only the second key finds them.
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}, {18, "j@home.example"}, {23, secondKey}},
            QStringLiteral("another key"), QString(), QStringLiteral("Y"));
    address("BANK1", {{4, "40-11-22"}, {5, "12345678"}, {23, secondKey}}, QStringLiteral("another key"), QString(), QString());

    PreloadHomeAddress(im());
    EXPECT_EQ(app().homeSlots[1], "NB NOT IMPORTED: 12");
    EXPECT_EQ(app().homeSlots[3], "High Street");
    EXPECT_EQ(app().applicantEmail, "j@home.example");

    ImportAddresses(im());
    EXPECT_EQ(lines(900, "HOME"), (Lines{"12 High Street", "", "Leeds", "", "<null>", "LS1 4AB"}));
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "40-11-22");
    EXPECT_EQ(app().homeSlots[1], "12");  // imported now: the plain building
    EXPECT_EQ(app().applicantEmail, "j@home.example");
}

TEST_F(AddressTest, PendingRowsOfTheKeyComeFirstAndOtherApplicationsAreLeftAlone) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    address("HOME", {{7, "99"}, {9, "done road"}, {14, "ls9 9zz"}}, kKey, QStringLiteral("I"), QStringLiteral("Y"));
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}}, QStringLiteral("XY987654A"));

    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "Line1"), "12 High Street");
    EXPECT_EQ(addressTypes(900), Lines{"HOME"});
}

TEST_F(AddressTest, AnEmptySecondKeyNeverPicksUpAnotherApplicantsRows) {
    application(900, true, QStringLiteral("ZZ000000Z"), QString());
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, ""}}, QStringLiteral("XY987654A"), QString(), QString());

    PreloadHomeAddress(im());
    ImportAddresses(im());
    EXPECT_EQ(problems(), (Lines{"Member 900 - no addresses supplied!" + kSuffix, "Member 900 - no addresses supplied!" + kSuffix}));
    EXPECT_EQ(addressTypes(900), Lines{});
}

TEST_F(AddressTest, ASecondKeyHoldingQuotesMatchesOnlyItself) {
    application(900, true, QStringLiteral("ZZ000000Z"), QStringLiteral("7' OR field_23 IS NOT NULL OR '"));
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, "12345"}}, QStringLiteral("XY987654A"));

    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{"Member 900 - no addresses supplied!" + kSuffix});
    EXPECT_EQ(addressTypes(900), Lines{});
}

TEST_F(AddressTest, AnUnderscoreInTheTypeIsRemovedAndMarksAPreviousHome) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    address("home_prev1", {{7, "3"}, {9, "low street"}, {14, "ls2 2bb"}});
    EXPECT_FALSE(app().homePrevSupplied);

    ImportAddresses(im());
    EXPECT_EQ(addressTypes(900), (Lines{"HOME", "HOMEPREV1"}));
    EXPECT_EQ(stored(900, "HOMEPREV1", "Line1"), "3 Low Street");
    EXPECT_TRUE(app().homePrevSupplied);
}

TEST_F(AddressTest, NoAddressRowsAtAllLeaveAnExistingMembersHomeAlone) {
    member(500, "John", "Smith");
    storedAddress(500, "HOME", {{"Line1", "4 Old Road"}, {"Postcode", "LS7 1AA"}});
    application(500, false);
    app().memberNumber = 0;  // the intake loads the home address before matching the member
    PreloadHomeAddress(im());
    app().memberNumber = 500;

    ImportAddresses(im());
    EXPECT_EQ(problems(), (Lines{"Member 0 - no addresses supplied!" + kSuffix, "Member 500 - no addresses supplied!" + kSuffix}));
    EXPECT_EQ(stored(500, "HOME", "Line1"), "4 Old Road");
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary"), 0);
    // Without a home row the applicant is still written to at the address of the application.
    EXPECT_EQ(app().applicantEmail, "john.web@example.com");
    EXPECT_FALSE(app().homePrevSupplied);
}

// ---- Lines and PAF columns -----------------------------------------------------------------

TEST_F(AddressTest, EachCompositionOfThePrintedLines) {
    application(900, true);
    address("HOME", {{7, "rose court"}, {8, "flat 3"}, {9, "high street"}, {10, "headingley"}, {11, "leeds"},
                     {12, "west yorkshire"}, {14, "ls6 3aa"}});
    address("HOMEPREV1", {{7, "221"}, {9, "baker street"}, {10, "marylebone"}, {11, "london"}, {12, "greater london"},
                          {14, "nw1 6xe"}});
    address("HOMEPREV2", {{7, "ivy"}, {9, "lane end"}, {10, "bramley"}, {11, "leeds"}, {12, "w yorks"}, {14, "ls13 1aa"}});
    address("HOMEPREV3", {{7, "rose cottage"}, {9, "mill lane"}, {10, "acomb"}, {11, "york"}, {12, "n yorks"}, {14, "yo1 1aa"}});
    address("HOMEPREV4", {{9, "station road"}, {11, "hull"}, {12, "east riding"}, {14, "hu1 1aa"}});

    ImportAddresses(im());
    // A flat: building and street, then the flat on its own line.
    EXPECT_EQ(lines(900, "HOME"), (Lines{"Rose Court High Street", "Flat 3", "Headingley", "Leeds", "<null>", "LS6 3AA"}));
    EXPECT_EQ(stored(900, "HOME", "PAFFlatnumber"), "Flat 3");
    EXPECT_EQ(stored(900, "HOME", "PAFBuildingName"), "Rose Court");
    EXPECT_EQ(stored(900, "HOME", "PAFBuildingNumber"), "");
    // A house number shares the line with the street; the county gets a line.
    EXPECT_EQ(lines(900, "HOMEPREV1"), (Lines{"221 Baker Street", "Marylebone", "London", "Greater London", "<null>", "NW1 6XE"}));
    EXPECT_EQ(stored(900, "HOMEPREV1", "PAFBuildingNumber"), "221");
    EXPECT_EQ(stored(900, "HOMEPREV1", "PAFBuildingName"), "");
    // A name of five characters or fewer is treated like a number.
    EXPECT_EQ(lines(900, "HOMEPREV2"), (Lines{"Ivy Lane End", "Bramley", "Leeds", "W Yorks", "<null>", "LS13 1AA"}));
    EXPECT_EQ(stored(900, "HOMEPREV2", "PAFBuildingName"), "Ivy");
    // A longer building name stands alone.
    EXPECT_EQ(lines(900, "HOMEPREV3"), (Lines{"Rose Cottage", "Mill Lane", "Acomb", "York", "<null>", "YO1 1AA"}));
    // No building: the street opens the first line, and the PAF building columns stay untouched.
    EXPECT_EQ(lines(900, "HOMEPREV4"), (Lines{"Station Road", "", "Hull", "East Riding", "<null>", "HU1 1AA"}));
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFBuildingNumber"), "<null>");
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFBuildingName"), "<null>");
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFStreet1"), "Station Road");
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFTown"), "Hull");
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFCounty"), "East Riding");
    EXPECT_EQ(stored(900, "HOMEPREV4", "PAFPostCode"), "HU1 1AA");
    EXPECT_EQ(stored(900, "HOME", "YesNo"), "0");
    EXPECT_EQ(stored(900, "HOME", "LastUpdatedOn"), "2024-03-05");
    EXPECT_EQ(stored(900, "HOME", "LastUpdatedBy"), "VELT");
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
}

TEST_F(AddressTest, MixedCaseLinesGetNoInnerCapitals) {
    application(900, true);
    address("HOME", {{7, "MACKENZIE HOUSE"}, {9, "mcdonald road"}, {11, "MACCLESFIELD"}, {12, "n/a"}, {14, "sk10 1aa"}});
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "HOME"), (Lines{"Mackenzie House", "Mcdonald Road", "", "Macclesfield", "<null>", "SK10 1AA"}));
    EXPECT_EQ(stored(900, "HOME", "PAFTown"), "Macclesfield");
    EXPECT_EQ(stored(900, "HOME", "PAFCounty"), "N/a");
}

TEST_F(AddressTest, UpperCaseLinesWhenTheCreditUnionDoesNotUseMixedCase) {
    im().settings.MixedCase = false;
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}});
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "HOME"), (Lines{"12 HIGH STREET", "", "LEEDS", "", "<null>", "LS1 4AB"}));
}

TEST_F(AddressTest, WorkAndBeneficiaryRowsCarryTheirNameLines) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    address("WORK1", {{7, "unit 4"}, {9, "trade park"}, {11, "leeds"}, {12, "acme ltd"}, {13, "payroll dept"}, {14, "ls9 9zz"},
                      {15, "0113 222 3333"}});
    address("BENE1", {{9, "the grange"}, {10, "otley"}, {11, "leeds"}, {12, "mary smith"}, {14, "ls21 1aa"}});

    ImportAddresses(im());
    // "Unit 4" is a building name of six characters; the employer's name takes the town's line.
    EXPECT_EQ(lines(900, "WORK1"), (Lines{"Unit 4", "Trade Park", "", "Acme Ltd", "Payroll Dept", "LS9 9ZZ"}));
    EXPECT_EQ(app().workSlots[1], "Unit 4");
    EXPECT_EQ(app().workSlots[6], "Acme Ltd");
    EXPECT_EQ(app().workSlots[8], "LS9 9ZZ");
    EXPECT_EQ(app().workSlots[9], "0113 222 3333");
    // A beneficiary without building or flat: street, locality and town on the first lines.
    EXPECT_EQ(lines(900, "BENE1"), (Lines{"The Grange", "Otley", "Leeds", "Mary Smith", "", "LS21 1AA"}));
}

TEST_F(AddressTest, RowsWithoutAnAddressKeepWhatTheyGive) {
    application(900, true);
    address("HOME", {{15, "0113 000 1111"}});
    address("WORK1", {{12, "acme ltd"}, {15, "0113 222 3333"}});
    address("BENE1", {{12, "mary smith"}, {13, "daughter"}});

    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{"New member 900 supplied no home address - be careful with this application." + kSuffix});
    EXPECT_EQ(lines(900, "HOME"), (Lines{"", "", "", "", "<null>", ""}));
    EXPECT_EQ(stored(900, "WORK1", "Line4"), "Acme Ltd");
    EXPECT_EQ(stored(900, "WORK1", "PhoneNumber"), "0113 222 3333");
    EXPECT_EQ(app().workSlots[6], "Acme Ltd");
    EXPECT_EQ(app().workSlots[9], "0113 222 3333");
    EXPECT_EQ(stored(900, "BENE1", "Line4"), "Mary Smith");
    EXPECT_EQ(stored(900, "BENE1", "Line5"), "Daughter");
}

// ---- Telephones, e-mail and dates ---------------------------------------------------------

TEST_F(AddressTest, ATelephoneOfTwentyOneCharactersIsDroppedAndTwentyAreKept) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}, {15, "0113 496 0000 ext 123"}, {16, "12"}});
    address("HOMEPREV1", {{7, "3"}, {9, "low street"}, {14, "ls2 2bb"}, {15, "0113 496 0000 ext 12"}});

    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "PhoneNumber"), "");
    EXPECT_EQ(stored(900, "HOME", "PhoneExtension"), "12");
    EXPECT_EQ(stored(900, "HOMEPREV1", "PhoneNumber"), "0113 496 0000 ext 12");
    EXPECT_EQ(stored(900, "HOME", "FaxNumber"), "");
}

TEST_F(AddressTest, AMobileNumberGivenAsTheTelephoneIsCopiedToTheMobile) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}, {15, "07700 900123"}, {17, "07999 111222"}});
    address("HOMEPREV1", {{7, "3"}, {9, "low street"}, {14, "ls2 2bb"}, {15, "0113 496 0000"}, {17, "07999 111222"}});

    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "PhoneNumber"), "07700 900123");
    EXPECT_EQ(stored(900, "HOME", "MobileNumber"), "07700 900123");
    EXPECT_EQ(stored(900, "HOMEPREV1", "MobileNumber"), "07999 111222");
}

TEST_F(AddressTest, EmailAndEffectiveDateOfTheHomeRow) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}, {18, "john@home.example"}, {19, "01/02/2020"}});
    address("HOMEPREV1", {{7, "3"}, {9, "low street"}, {14, "ls2 2bb"}, {18, "old@home.example"}, {19, "long ago"}});

    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "EmailAddress"), "john@home.example");
    EXPECT_EQ(stored(900, "HOME", "EffectiveFrom"), "2020-02-01");
    EXPECT_EQ(stored(900, "HOMEPREV1", "EffectiveFrom"), "<null>");
    EXPECT_EQ(app().applicantEmail, "john@home.example");
    EXPECT_EQ(app().homeSlots[11], "john@home.example");
    EXPECT_EQ(app().homeSlots[12], "01/02/2020");
}

TEST_F(AddressTest, TheApplicationsEmailStandsInForAnEmptyHomeEmail) {
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    ImportAddresses(im());
    EXPECT_EQ(app().applicantEmail, "john.web@example.com");
}

// ---- Bank details ---------------------------------------------------------------------------

class BankAddressTest : public AddressTest {
protected:
    void SetUp() override {
        AddressTest::SetUp();
        inst.exec("TarvMain", "INSERT INTO Banks (Banksort, BankName, BankBranch, BankAdd1, BankAdd2, BankAdd3) "
                              "VALUES ('40-11-22', 'North Bank', 'Leeds Branch', '1 Park Row', 'Leeds', '')");
        for (long other : {300L, 100L}) {
            member(other, "Other", "Member");
            storedAddress(other, "BANK1", {{"Code1", "40-11-22"}, {"Code2", "12345678"}});
        }
        member(150, "Same", "Sort");
        storedAddress(150, "BANK1", {{"Code1", "40-11-22"}, {"Code2", "87654321"}});
        application(900, true);
        address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
        address("BANK1", {{4, "40-11-22"}, {5, "12345678"}, {6, "R-7"}});
    }
};

TEST_F(BankAddressTest, BankRowFromTheBanksTableAndASortCodeHeldOnTwoOthersWarnsInMemberOrder) {
    ImportAddresses(im());
    EXPECT_EQ(problems(),
              (Lines{"Member 900 joining supplied Sortcode:40-11-22  Account:12345678 - remember to verify these details." + kSuffix,
                     "Member 900 supplied bank details but these are already held on member 100 - please verify these details!" + kSuffix,
                     "Member 900 supplied bank details but these are already held on member 300 - please verify these details!" + kSuffix}));
    EXPECT_EQ(app().sortCode, "40-11-22");
    EXPECT_EQ(app().accountNumber, "12345678");
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "40-11-22");
    EXPECT_EQ(stored(900, "BANK1", "Code2"), "12345678");
    EXPECT_EQ(stored(900, "BANK1", "Code3"), "R-7");
    EXPECT_EQ(lines(900, "BANK1"), (Lines{"1 Park Row", "Leeds", "<null>", "North Bank", "Leeds Branch", "<null>"}));
    EXPECT_EQ(stored(900, "BANK1", "PhoneNumber"), "Mr John Smith");
    EXPECT_EQ(stored(900, "BANK1", "YesNo"), "1");
}

TEST_F(BankAddressTest, OneCreditUnionKeepsNewBankRowsUnselected) {
    im().settings.FSARefNo = "213679";
    ImportAddresses(im());
    EXPECT_EQ(stored(900, "BANK1", "YesNo"), "0");
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "40-11-22");
}

TEST_F(BankAddressTest, AnotherCreditUnionStoresNoBankCodes) {
    im().settings.FSARefNo = "213258";
    ImportAddresses(im());
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "<null>");
    EXPECT_EQ(stored(900, "BANK1", "Line4"), "<null>");
    EXPECT_EQ(stored(900, "BANK1", "PhoneNumber"), "Mr John Smith");
    EXPECT_EQ(app().sortCode, "40-11-22");  // still held for the identity check
    EXPECT_EQ(problems().size(), 3);
}

TEST_F(BankAddressTest, AnExistingMemberIsNeitherRemindedNorComparedAndKeepsTheRowsName) {
    member(900, "John", "Smith");
    storedAddress(900, "HOME", {{"Line1", "12 High Street"}, {"Postcode", "LS1 4AB"}});
    storedAddress(900, "BANK1", {{"Code1", "01-02-03"}, {"PhoneNumber", "J Smith"}, {"YesNo", "0"}});
    app().newMemberNumber = 0;
    ImportAddresses(im());
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "40-11-22");
    EXPECT_EQ(stored(900, "BANK1", "PhoneNumber"), "J Smith");
    EXPECT_EQ(stored(900, "BANK1", "YesNo"), "0");
}

TEST_F(AddressTest, NoBankDetailsSuppliedMatchesNoOtherMember) {
    member(100, "Other", "Member");
    storedAddress(100, "BANK1", {{"Code1", ""}, {"Code2", ""}});
    application(900, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    ImportAddresses(im());
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
}

// ---- Untrusted values -----------------------------------------------------------------------

TEST_F(AddressTest, QuotesInKeysTypesAndAddressesNeitherBreakNorChangeStatements) {
    member(100, "Other", "Member");
    storedAddress(100, "HOME", {{"Line1", "1 Safe Street"}});
    const QString key = QStringLiteral("AB'12' OR '1'='1");
    const QString secondKey = QStringLiteral("7' OR field_23 IS NOT NULL OR '");
    application(900, true, key, secondKey);
    address("HOME", {{7, "o'brien's court"}, {9, "x'); DELETE FROM MemberAddress; --"}, {11, "leeds"}, {14, "ls1 4ab"}}, key);
    address("WORK'1", {{9, "mill lane"}, {12, "o'neil & sons"}, {14, "ls2 2bb"}}, key);
    address("BANK1", {{4, "40' OR '1'='1"}, {5, "1'; DROP TABLE Banks; --"}}, key);

    PreloadHomeAddress(im());
    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "Line1"), "O'brien's Court");
    EXPECT_EQ(stored(900, "HOME", "Line2"), "X'); Delete From Memberaddress; --");
    EXPECT_EQ(stored(900, "WORK'1", "Line4"), "O'neil & Sons");
    EXPECT_EQ(stored(900, "BANK1", "Code1"), "40' OR '1'='1");
    EXPECT_EQ(stored(100, "HOME", "Line1"), "1 Safe Street");
    EXPECT_EQ(rows("TarvMain", "SELECT * FROM Banks"), 0);
    EXPECT_EQ(problems().size(), 1);  // only the reminder to verify the bank details
}

}  // namespace
}  // namespace autovelt::test
