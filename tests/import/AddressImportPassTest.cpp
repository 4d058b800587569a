#include "import/ImportPass.h"

#include "state/Importer.h"
#include "import/AddressTestFixture.h"
#include "support/WebApplication.h"

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
    member(150, "Same", "Sort");  // the same sort code with another account is no warning
    storedAddress(150, "BANK1", {{"Code1", "40-11-22"}, {"Code2", "87654321"}});
    application(0, true);
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}, {15, "07700 900123"},
                     {18, "john@home.example"}});
    address("BANK_1", {{4, "40-11-22"}, {5, "12345678"}});
    address("WORK1", {{7, "unit 4"}, {9, "trade park"}, {12, "acme ltd"}, {14, "ls9 9zz"}});

    cmdMembers_Click(im());

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

    cmdMembers_Click(im());

    EXPECT_EQ(problemsContaining("New home address"),
              Lines{"New home address details supplied on VELT loan app " + kSuffix + " for member 500" + kSuffix});
    EXPECT_TRUE(problemsContaining("Error").isEmpty()) << problems().join('\n').toStdString();
    EXPECT_EQ(addressTypes(500), Lines{"HOME"});
    EXPECT_EQ(lines(500, "HOME"), (Lines{"12 New Street", "", "Bradford", "", "<null>", "BD1 1AA"}));
    const QString heading = "New home address details supplied on VELT loan app " + kSuffix;
    EXPECT_EQ(inst.values("TarvTran", "SELECT Description FROM Changes WHERE MemberNo=500 ORDER BY ID"),
              (Lines{heading, "Line 1 was 4 Old Road changed to 12 New Street", "Line 2 was Chapel Allerton changed to ",
                     "Line 3 was Leeds changed to Bradford", "Post code was LS7 1AA changed to BD1 1AA"}));
    ASSERT_EQ(rows("TarvTran", "SELECT * FROM Diary WHERE Memberno=500 AND Keyword='VELT' AND Teller='VELT'"), 1);
    const QString note = inst.scalar("TarvTran", "SELECT Msgtext FROM Diary WHERE Memberno=500").toString();
    const QString crlf = "\r\n";
    EXPECT_TRUE(note.startsWith("[HOME] ADDRESS DETAILS Prior to VELT Import" + crlf + "Line1 - 4 Old Road" + crlf +
                                "Line2 - Chapel Allerton" + crlf + "Line3 - Leeds" + crlf + "Postcode - LS7 1AA" + crlf))
        << note.toStdString();
    EXPECT_TRUE(note.contains(crlf + crlf + "[HOMEPREV1] ADDRESS DETAILS Prior to VELT Import" + crlf + "Line1 - 9 Older Road" + crlf))
        << note.toStdString();
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog WHERE MemberNo=500 AND TheCategory='BORROW' AND TheKeyword='ADDRESS' "
                               "AND TheActivity='New address supplied on application [12 New Street BD1 1AA]'"),
              1);
}

// ---- One application of the website's encoder, its address rows and the whole pass ---------

// John Smith's join-only application (field_id 41, identity check passed), built by the
// website's encoder without address rows: each test writes the table_ad rows it needs under
// the application's stored key, runs the pass and reads back what it wrote.
class AddressScenarioTest : public AddressImportPassTest {
protected:
    void SetUp() override {
        AddressImportPassTest::SetUp();
        testing::WebApplication web = testing::WebApplication::joinOnly(41).set(31, "PASS");
        web.addresses.clear();
        for (const QString& statement : testing::insertStatements(web)) inst.exec("online", statement);
        key_ = web.storedKey();
    }

    void row(const QString& type, const AdValues& values) { address(type, values, key_); }
    // field_105 as the website stored it: the second key of the application's rows.
    QString storedSecondKey() { return inst.scalar("online", "SELECT field_105 FROM table_w WHERE field_id=41").toString(); }

    // Runs the pass; the applicant's member number (0 when the pass made none).
    long runPass() {
        cmdMembers_Click(im());
        return inst.scalar("TarvMain", "SELECT MemberNo FROM MemberMain WHERE NINumber='AB123456C'").toInt();
    }

    QString key_;
};

TEST_F(AddressScenarioTest, RowsNotMarkedPendingAreFoundThroughTheSecondKey) {
    const QString secondKey = storedSecondKey();
    ASSERT_FALSE(secondKey.isEmpty());
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}, {18, "j@home.example"}, {23, secondKey}},
            "another key", QString(), "Y");
    address("BANK1", {{4, "40-11-22"}, {5, "12345678"}, {23, secondKey}}, "another key", QString(), QString());
    // Another application's row, found by neither key, must not replace the home.
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, "99999"}}, "another key", QString(), QString());

    const long member = runPass();
    ASSERT_EQ(member, 1);
    EXPECT_EQ(problems(), Lines{"Member 1 joining supplied Sortcode:40-11-22  Account:12345678 - remember to verify these details." + kSuffix});
    EXPECT_EQ(addressTypes(member), (Lines{"BANK1", "HOME"}));
    EXPECT_EQ(lines(member, "HOME"), (Lines{"12 High Street", "", "Leeds", "", "<null>", "LS1 4AB"}));
    EXPECT_EQ(stored(member, "HOME", "EmailAddress"), "j@home.example");
    EXPECT_EQ(stored(member, "BANK1", "Code1"), "40-11-22");
}

TEST_F(AddressScenarioTest, AnUnderscoreInTheTypeIsRemoved) {
    row("HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}});
    row("HOME_PREV1", {{7, "3"}, {9, "low street"}, {14, "ls2 2bb"}});

    const long member = runPass();
    ASSERT_EQ(member, 1);
    EXPECT_EQ(problems(), Lines{}) << problems().join('\n').toStdString();
    EXPECT_EQ(addressTypes(member), (Lines{"HOME", "HOMEPREV1"}));
    EXPECT_EQ(lines(member, "HOMEPREV1"), (Lines{"3 Low Street", "", "", "", "<null>", "LS2 2BB"}));
}

TEST_F(AddressScenarioTest, EachCompositionOfThePrintedLines) {
    struct Case {
        const char* type;
        AdValues values;
        Lines lines;
        const char* buildingNumber;
        const char* buildingName;
    };
    const Case cases[] = {
        {"HOME",  // a flat: building and street, then the flat on its own line
         {{7, "rose court"}, {8, "flat 3"}, {9, "high street"}, {10, "headingley"}, {11, "leeds"}, {12, "west yorkshire"}, {14, "ls6 3aa"}},
         {"Rose Court High Street", "Flat 3", "Headingley", "Leeds", "<null>", "LS6 3AA"}, "", "Rose Court"},
        {"HOMEPREV1",  // a house number shares the line with the street; the county gets a line
         {{7, "221"}, {9, "baker street"}, {10, "marylebone"}, {11, "london"}, {12, "greater london"}, {14, "nw1 6xe"}},
         {"221 Baker Street", "Marylebone", "London", "Greater London", "<null>", "NW1 6XE"}, "221", ""},
        {"HOMEPREV2",  // a name of five characters or fewer is treated like a number
         {{7, "ivy"}, {9, "lane end"}, {10, "bramley"}, {11, "leeds"}, {12, "w yorks"}, {14, "ls13 1aa"}},
         {"Ivy Lane End", "Bramley", "Leeds", "W Yorks", "<null>", "LS13 1AA"}, "", "Ivy"},
        {"HOMEPREV3",  // a longer building name stands alone
         {{7, "rose cottage"}, {9, "mill lane"}, {10, "acomb"}, {11, "york"}, {12, "n yorks"}, {14, "yo1 1aa"}},
         {"Rose Cottage", "Mill Lane", "Acomb", "York", "<null>", "YO1 1AA"}, "", "Rose Cottage"},
        {"HOMEPREV4",  // no building: the street opens the first line, the building columns stay untouched
         {{9, "station road"}, {11, "hull"}, {12, "east riding"}, {14, "hu1 1aa"}},
         {"Station Road", "", "Hull", "East Riding", "<null>", "HU1 1AA"}, "<null>", "<null>"},
    };
    for (const Case& c : cases) row(c.type, c.values);

    const long member = runPass();
    ASSERT_EQ(member, 1);
    EXPECT_EQ(problems(), Lines{}) << problems().join('\n').toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(lines(member, c.type), c.lines);
        EXPECT_EQ(stored(member, c.type, "PAFBuildingNumber"), c.buildingNumber);
        EXPECT_EQ(stored(member, c.type, "PAFBuildingName"), c.buildingName);
        EXPECT_EQ(stored(member, c.type, "PAFPostCode"), c.lines.last());
    }
    EXPECT_EQ(stored(member, "HOME", "PAFFlatnumber"), "Flat 3");
    EXPECT_EQ(stored(member, "HOMEPREV4", "PAFStreet1"), "Station Road");
}

// Links to other members: 200 Jane Doe, 201 Ann Smith (barred, held as "b"), 202 Tom Smith.
struct LinkCase {
    const char* name;
    QList<std::pair<const char*, AdValues>> rows;
    const char* checkedType;
    Lines lines;
    Lines linkageTails;  // the warnings, after "Member 203 joining based on linkage to member "
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class AddressLinkScenarioTest : public AddressScenarioTest, public ::testing::WithParamInterface<LinkCase> {
protected:
    void SetUp() override {
        AddressScenarioTest::SetUp();
        for (auto [number, forename, surname, status] : {std::tuple{200, "Jane", "Doe", "A"}, std::tuple{201, "Ann", "Smith", "b"},
                                                         std::tuple{202, "Tom", "Smith", "A"}}) {
            member(number, forename, surname, status);
            storedAddress(number, "HOME", {{"Line1", QString::number(number) + " Oak Avenue"}, {"Line2", "Roundhay"},
                                           {"Line3", "Leeds"}, {"Line4", "W Yorks"}, {"Line5", "UK"}, {"Postcode", "LS8 1CC"}});
        }
    }
};

// The applicant's own address as given on a HOME row that names a member to live with.
AdValues livingWith(const char* linked) {
    return {{4, linked}, {6, "NOKSAME"}, {7, "5"}, {9, "elm road"}, {11, "leeds"}, {14, "ls2 2bb"}};
}
const AdValues kOwnHome{{7, "5"}, {9, "elm road"}, {10, "chapel allerton"}, {11, "leeds"}, {14, "ls2 2bb"}};

TEST_P(AddressLinkScenarioTest, LinkedMembersThroughThePass) {
    const LinkCase& c = GetParam();
    for (const auto& [type, values] : c.rows) row(type, values);

    const long member = runPass();
    ASSERT_EQ(member, 203);  // the highest member number plus one
    Lines warnings;
    for (const QString& tail : c.linkageTails) warnings << "Member 203 joining based on linkage to member " + tail + kSuffix;
    EXPECT_EQ(problems(), warnings);
    EXPECT_EQ(lines(member, c.checkedType), c.lines);
}

const Lines kOakAvenueTail{"Roundhay", "Leeds", "W Yorks", "UK", "LS8 1CC"};

INSTANTIATE_TEST_SUITE_P(
    NokSame, AddressLinkScenarioTest,
    ::testing::Values(
        LinkCase{"HomeWithSameSurname", {{"HOME", livingWith("202")}}, "HOME", Lines{"202 Oak Avenue"} + kOakAvenueTail, {}},
        LinkCase{"HomeWithMissingMember", {{"HOME", livingWith("777")}}, "HOME",
                 {"5 Elm Road", "", "Leeds", "", "<null>", "LS2 2BB"}, {"777 but their record does not exist."}},
        LinkCase{"HomeWithOtherSurname", {{"HOME", livingWith("200")}}, "HOME", Lines{"200 Oak Avenue"} + kOakAvenueTail,
                 {"200 do not share same surname - verify details."}},
        LinkCase{"HomeWithBarredMember", {{"HOME", livingWith("201")}}, "HOME", Lines{"201 Oak Avenue"} + kOakAvenueTail,
                 {"201 but their current status is B."}},
        // A beneficiary living with the applicant is named after the member the row links to.
        LinkCase{"BeneWithOtherSurname", {{"HOME", kOwnHome}, {"BENE1", {{4, "200"}, {6, "NOKSAME"}, {12, "someone"}, {13, "daughter"}}}},
                 "BENE1", {"5 Elm Road", "Chapel Allerton", "Leeds", "Jane Doe", "Daughter", "LS2 2BB"}, {}},
        LinkCase{"BeneWithBarredMember", {{"HOME", kOwnHome}, {"BENE1", {{4, "201"}, {6, "NOKSAME"}, {13, "sister"}}}},
                 "BENE1", {"5 Elm Road", "Chapel Allerton", "Leeds", "Ann Smith", "Sister", "LS2 2BB"}, {}},
        LinkCase{"BeneWithMissingMember", {{"HOME", kOwnHome}, {"BENE1", {{4, "777"}, {6, "NOKSAME"}, {12, "peter smith"}}}},
                 "BENE1", {"5 Elm Road", "Chapel Allerton", "Leeds", "Peter Smith", "<null>", "LS2 2BB"}, {}},
        // Without NOKSAME a beneficiary's link gives their address, or the one supplied when it fails.
        LinkCase{"BeneLinkToMissingMember",
                 {{"HOME", kOwnHome}, {"BENE1", {{4, "777"}, {7, "9"}, {9, "ash grove"}, {11, "leeds"}, {12, "peter smith"}, {14, "ls3 3cc"}}}},
                 "BENE1", {"9 Ash Grove", "", "Leeds", "Peter Smith", "", "LS3 3CC"}, {"777 but their record does not exist."}}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

TEST_F(AddressScenarioTest, LongTelephonesAreDroppedAndMobilesCopiedFromTheTelephone) {
    struct Case {
        const char* type;
        const char* telephone;
        const char* mobile;
        const char* storedPhone;
        const char* storedMobile;
    };
    const Case cases[] = {
        {"HOME", "0113 496 0000 ext 123", "", "", ""},                           // 21 characters: dropped
        {"HOMEPREV1", "0113 496 0000 ext 12", "07999 111222", "0113 496 0000 ext 12", "07999 111222"},  // 20 kept
        {"HOMEPREV2", "07700 900123", "07999 111222", "07700 900123", "07700 900123"},  // a mobile as the telephone
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        AdValues values{{7, QString::number(n)}, {9, "low street"}, {14, "ls2 2bb"}, {15, c.telephone}, {16, "12"}};
        if (*c.mobile) values[17] = c.mobile;
        row(c.type, values);
    }

    const long member = runPass();
    ASSERT_EQ(member, 1);
    EXPECT_EQ(problems(), Lines{}) << problems().join('\n').toStdString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(stored(member, c.type, "PhoneNumber"), c.storedPhone);
        EXPECT_EQ(stored(member, c.type, "MobileNumber"), c.storedMobile);
        EXPECT_EQ(stored(member, c.type, "PhoneExtension"), "12");
    }
}

TEST_F(AddressScenarioTest, ANewMemberWithoutAddressRowsIsReportedAndGetsNone) {
    const long member = runPass();
    ASSERT_EQ(member, 1);
    EXPECT_EQ(problems(), (Lines{"Member 0 - no addresses supplied!" + kSuffix, "Member 1 - no addresses supplied!" + kSuffix}));
    EXPECT_EQ(addressTypes(member), Lines{});
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary"), 0);
}

TEST_F(AddressScenarioTest, AnExistingMemberWithoutAddressRowsKeepsTheHomeHeld) {
    member(500, "John", "Smith");
    inst.exec("TarvMain", "UPDATE MemberMain SET NINumber='AB123456C', DOB='1985-04-15', Title='Mr', Sex='M' WHERE MemberNo=500");
    storedAddress(500, "HOME", {{"Line1", "4 Old Road"}, {"Postcode", "LS7 1AA"}});

    ASSERT_EQ(runPass(), 500);
    EXPECT_EQ(problemsContaining("no addresses supplied"),
              (Lines{"Member 0 - no addresses supplied!" + kSuffix, "Member 500 - no addresses supplied!" + kSuffix}));
    EXPECT_EQ(addressTypes(500), Lines{"HOME"});
    EXPECT_EQ(stored(500, "HOME", "Line1"), "4 Old Road");
    EXPECT_EQ(rows("TarvTran", "SELECT * FROM Diary"), 0);
    EXPECT_EQ(rows("TarvAudt", "SELECT * FROM WebLog WHERE TheKeyword='ADDRESS'"), 0);
}

}  // namespace
}  // namespace autovelt::test
