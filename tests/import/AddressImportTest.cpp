// The addresses of an application as the import pass writes them: the website's table_ad
// rows of John Smith's join-only application (field_id 41) run through the whole pass, for
// the member it creates or matches.

#include "app/ControlSettings.h"
#include "pipeline/ImportPass.h"
#include "support/ImportPassFixture.h"
#include "support/ExpectedDocuments.h"

namespace autovelt::test {
namespace {

using Lines = QStringList;
using AdValues = QMap<int, QString>;  // positions of a table_ad row, as the website fills them
using AdRows = QList<std::pair<const char*, AdValues>>;

const QString kSuffix = suffix(41);

class AddressImportTest : public ImportPassTest {
protected:
    void SetUp() override {
        ImportPassTest::SetUp();
        inst.clock().set(QDateTime(QDate(2024, 3, 5), QTime(10, 15, 0)));
        im().SetPassDateToToday();
        LoadControlSettings(im());
        ASSERT_FALSE(im().SkipImport) << report();
        inst.reporter().clear();
        testing::WebApplication web = testing::WebApplication::joinOnly(41).set(31, "PASS");
        web.addresses.clear();
        add(web);
        key_ = web.storedKey();
    }

    ApplicationState& app() { return im().app; }  // the last application's state after the pass

    // One table_ad row; address texts (positions 7 to 19) are stored encoded.
    void address(const QString& type, AdValues values, const QString& key, const QString& state = "I", const QString& processed = "N") {
        values[2] = key;
        values[3] = type;
        values[20] = state;
        values[21] = processed;
        QStringList columns{"field_id"}, literals{QString::number(++nextAddressId_)};
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            const bool text = it.key() >= 7 && it.key() <= 19 && !it.value().isEmpty();
            columns << "field_" + QString::number(it.key());
            literals << sqlText(text ? testing::encodedWithMarker(it.value(), 1) : it.value());
        }
        inst.exec("online", QString("INSERT INTO table_ad (%1) VALUES (%2)").arg(columns.join(','), literals.join(',')));
    }
    void addRows(const AdRows& all) {
        for (const auto& [type, values] : all) address(type, values, key_);
    }
    // The application pending again, as if never imported, with none of its rows (for tables of runs).
    void pendingAgain() {
        inst.exec("online", "DELETE FROM table_ad");
        inst.exec("online", "UPDATE table_w SET field_107='N'");
        inst.exec("TarvAudt", "DELETE FROM VeltImport");
        inst.reporter().clear();
    }

    void member(long number, const QString& forename, const QString& surname, const QString& status = "A") {
        addMember({.number = number, .forename = forename, .surname = surname, .dob = "", .ni = "", .status = status, .home = false});
    }
    void storedAddress(long number, const QString& type, const QMap<QString, QString>& columns) {
        QStringList literals{QString::number(number), sqlText(type)};
        for (const QString& value : columns) literals << sqlText(value);
        const Lines names = Lines{"MemberNo", "AddressType"} + columns.keys();
        inst.exec("TarvMain", QString("INSERT INTO MemberAddress (%1) VALUES (%2)").arg(names.join(','), literals.join(',')));
    }

    // Runs the pass; the applicant's member number (0 when the pass made none).
    long runPass() {
        RunImportPass(im());
        return inst.scalar("TarvMain", "SELECT MemberNo FROM MemberMain WHERE NINumber='AB123456C'").toInt();
    }

    // A column of a member's address row ("<null>" for Null, "<none>" when there is no row).
    QString stored(long number, const QString& type, const QString& name) {
        return column("TarvMain", "MemberAddress", name, QString("MemberNo=%1 AND AddressType=%2").arg(number).arg(sqlText(type)));
    }
    // The printed lines and postcode of an address row, then any further columns asked for.
    Lines lines(long number, const QString& type, const Lines& further = {}) {
        Lines out;
        for (const QString& c : Lines{"Line1", "Line2", "Line3", "Line4", "Line5", "Postcode"} + further) out << stored(number, type, c);
        return out;
    }
    // Every address row of the member in storage order, under a line naming the columns.
    QString addressRows(long number) {
        const Lines columns{"AddressType", "Line1", "Line2", "Line3", "Line4", "Line5", "Postcode", "PAFFlatnumber", "PAFBuildingNumber",
                            "PAFBuildingName", "PAFStreet1", "PAFTown", "PAFCounty", "PAFPostCode", "PhoneNumber", "MobileNumber",
                            "PhoneExtension", "EmailAddress", "EffectiveFrom", "Code1", "Code2", "Code3", "YesNo", "LastUpdatedOn",
                            "LastUpdatedBy"};
        const Lines rows = inst.rows("TarvMain", "MemberAddress", columns, QString("MemberNo=%1").arg(number));
        return (Lines{columns.join('|')} + rows).join('\n') + '\n';
    }
    Lines addressTypes(long number) {
        return inst.values("TarvMain", QString("SELECT AddressType FROM MemberAddress WHERE MemberNo=%1 ORDER BY AddressType").arg(number));
    }

    QString key_;
    int nextAddressId_ = 0;
};

// Lines in capitals where the credit union does not use mixed case.
TEST_F(AddressImportTest, RowsAreFoundByThePendingKeyOrTheSecondKeyOnly) {
    im().settings.MixedCase = false;
    const QString secondKey = inst.scalar("online", "SELECT field_105 FROM table_w WHERE field_id=41").toString();
    ASSERT_FALSE(secondKey.isEmpty());
    address("HOME", {{7, "12"}, {9, "high street"}, {11, "leeds"}, {14, "ls1 4ab"}, {18, "j@home.example"}, {23, secondKey}},
            "another key", QString(), "Y");
    address("BANK1", {{4, "40-11-22"}, {5, "12345678"}, {23, secondKey}}, "another key", QString(), QString());
    // Neither an imported row of the key nor another application's row may replace the home.
    address("HOME", {{7, "99"}, {9, "done road"}, {14, "ls9 9zz"}}, key_, "I", "Y");
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, "99999"}}, "another key", QString(), QString());

    ASSERT_EQ(runPass(), 1);
    EXPECT_EQ(problems(),
              Lines{"Member 1 joining supplied Sortcode:40-11-22  Account:12345678 - remember to verify these details." + kSuffix});
    EXPECT_EQ(addressRows(1), ExpectedDocument("address-rows-of-the-pending-key.txt"));
    EXPECT_EQ(app().addresses.applicantEmail + ' ' + QString::number(app().addresses.homePrevSupplied), "j@home.example 0");
}

// A second key that is no number cannot be read: the application is refused before any row is looked for;
// an empty one finds no other applicant's rows either.
TEST_F(AddressImportTest, AHostileOrEmptySecondKeyFindsNoOtherApplicantsRows) {
    inst.exec("online", "UPDATE table_w SET field_105=" + sqlText("7' OR field_23 IS NOT NULL OR '"));
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, "12345"}}, "XY987654A", QString(), QString());
    EXPECT_EQ(runPass(), 0);
    EXPECT_EQ(problems(), (Lines{"Error in Join+Borrow import routine (13)", "Type mismatch" + kSuffix,
                                 "Unable to send automated fail email to member 0 no address found."}));
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM MemberAddress"), 0);

    pendingAgain();
    inst.exec("online", "UPDATE table_w SET field_105=''");
    address("HOME", {{7, "50"}, {9, "someone else"}, {14, "ls5 5aa"}, {23, ""}}, "XY987654A", QString(), QString());
    ASSERT_EQ(runPass(), 1);
    EXPECT_EQ(problems(), (Lines{"Member 0 - no addresses supplied!" + kSuffix, "Member 1 - no addresses supplied!" + kSuffix}));
    EXPECT_EQ(addressTypes(1), Lines{});
    EXPECT_EQ(app().addresses.applicantEmail, "john.smith@example.com");  // written to at the application's address
}

// The reviewed file holds every column the import writes, one address row a line.
TEST_F(AddressImportTest, EachCompositionOfThePrintedLines) {
    addRows({
        // A flat: building and street, then the flat on its own line.
        {"HOME", {{7, "rose court"}, {8, "flat 3"}, {9, "high street"}, {10, "headingley"}, {11, "leeds"}, {12, "west yorkshire"},
                  {14, "ls6 3aa"}, {15, "0113 496 0000 ext 123"}, {16, "12"}, {18, "john@home.example"}, {19, "01/02/2020"}}},
        // Any number shares the line with the street, fifty characters at most; PAF keeps five. A telephone over
        // 20 characters is dropped. The type is stored in capitals.
        {"home_prev1", {{7, "1234567"}, {9, QString(48, 'x')}, {10, "marylebone"}, {11, "london"}, {12, "greater london"},
                        {14, "nw1 6xe"}, {15, "0113 496 0000 ext 12"}, {17, "07999 111222"}, {19, "long ago"}}},
        // A name of five characters is treated like a number; a telephone beginning "07" is the mobile too.
        {"HOMEPREV2", {{7, "ivy h"}, {9, "lane end"}, {10, "bramley"}, {11, "leeds"}, {12, "w yorks"}, {14, "ls13 1aa"},
                       {15, "07700 900123"}, {17, "07999 111222"}}},
        // No building: the street opens the first line, the building columns stay untouched.
        {"HOMEPREV4", {{9, "station road"}, {11, "hull"}, {12, "east riding"}, {14, "hu1 1aa"}}},
        // Mixed case gets no inner capitals.
        {"HOMEPREV5", {{7, "MACKENZIE HOUSE"}, {9, "mcdonald road"}, {11, "MACCLESFIELD"}, {12, "n/a"}, {14, "sk10 1aa"}}},
        // "Unit 4" is a name of six characters; the employer's name takes the town's line.
        {"WORK1", {{7, "unit 4"}, {9, "trade park"}, {11, "leeds"}, {12, "acme ltd"}, {13, "payroll dept"}, {14, "ls9 9zz"},
                   {15, "0113 222 3333"}}},
    });

    ASSERT_EQ(runPass(), 1);
    EXPECT_EQ(problems(), Lines{}) << report();
    EXPECT_EQ(addressRows(1), ExpectedDocument("address-rows-each-composition.txt"));
    EXPECT_EQ((Lines{app().addresses.workSlots[1], app().addresses.workSlots[6], app().addresses.workSlots[8], app().addresses.workSlots[9], app().addresses.applicantEmail,
                     app().addresses.homeSlots[11], app().addresses.homeSlots[12], QString::number(app().addresses.homePrevSupplied)}),
              (Lines{"Unit 4", "Acme Ltd", "LS9 9ZZ", "0113 222 3333", "john@home.example", "john@home.example", "01/02/2020", "1"}));
}

// Member 100 holds empty bank codes: no bank details supplied matches nobody.
TEST_F(AddressImportTest, RowsWithoutAnAddressKeepWhatTheyGive) {
    member(100, "Other", "Member");
    storedAddress(100, "BANK1", {{"Code1", ""}, {"Code2", ""}});
    addRows({{"HOME", {{15, "0113 000 1111"}}}, {"WORK1", {{12, "acme ltd"}, {15, "0113 222 3333"}}},
          {"BENE1", {{12, "mary smith"}, {13, "daughter"}}}});
    ASSERT_EQ(runPass(), 101);
    EXPECT_EQ(problems(), Lines{"New member 101 supplied no home address - be careful with this application." + kSuffix});
    EXPECT_EQ(addressRows(101), ExpectedDocument("address-rows-without-an-address.txt"));
}

// Members 100 and 300 hold the application's bank details; 150 the sort code with another account.
class BankAddressTest : public AddressImportTest {
protected:
    void SetUp() override {
        AddressImportTest::SetUp();
        inst.exec("TarvMain", "INSERT INTO Banks (Banksort, BankName, BankBranch, BankAdd1, BankAdd2, BankAdd3) "
                              "VALUES ('40-11-22', 'North Bank', 'Leeds Branch', '1 Park Row', 'Leeds', '')");
        for (auto [other, account] : {std::pair{300L, "12345678"}, std::pair{100L, "12345678"}, std::pair{150L, "87654321"}}) {
            member(other, "Other", "Member");
            storedAddress(other, "BANK1", {{"Code1", "40-11-22"}, {"Code2", account}});
        }
    }
    void rowsOfTheApplication() { addRows({{"HOME", {{7, "12"}, {9, "high street"}, {14, "ls1 4ab"}}},
                                        {"BANK_1", {{4, "40-11-22"}, {5, "12345678"}, {6, "R-7"}}}}); }
};

// One credit union keeps new bank rows unselected, one stores no codes; the lines come from the Banks table.
TEST_F(BankAddressTest, ANewMembersBankRowPerCreditUnionWithWarningsInMemberOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "address-rows-bank-row-selected.txt"},
        {"213679", "address-rows-bank-row-unselected.txt"},
        {"213258", "address-rows-bank-row-without-codes.txt"},
    };
    for (const auto& [fsaRef, expectedRows] : cases) {
        SCOPED_TRACE(fsaRef);
        inst.exec("TarvMain", "DELETE FROM MemberMain WHERE MemberNo=301");
        inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE MemberNo=301");
        pendingAgain();
        rowsOfTheApplication();
        im().settings.profile = CreditUnionProfileFor(fsaRef);

        ASSERT_EQ(runPass(), 301);  // the highest member number plus one
        const QString held = "Member 301 supplied bank details but these are already held on member %1 - please verify these details!";
        EXPECT_EQ(problems(), (Lines{"Member 301 joining supplied Sortcode:40-11-22  Account:12345678 - remember to verify these details."
                                     + kSuffix, held.arg(100) + kSuffix, held.arg(300) + kSuffix}));
        EXPECT_EQ(app().addresses.sortCode + " " + app().addresses.accountNumber, "40-11-22 12345678");  // held for the identity check
        EXPECT_EQ(addressRows(301), ExpectedDocument(expectedRows));
    }
}

TEST_F(BankAddressTest, AnExistingMemberIsNeitherRemindedNorComparedAndKeepsTheRowsName) {
    addMember({.home = false});
    storedAddress(500, "HOME", {{"Line1", "12 High Street"}, {"Postcode", "LS1 4AB"}});
    storedAddress(500, "BANK1", {{"Code1", "01-02-03"}, {"PhoneNumber", "J Smith"}, {"YesNo", "0"}});
    rowsOfTheApplication();
    ASSERT_EQ(runPass(), 500);
    EXPECT_EQ(problems().filter("bank details"), Lines{});
    EXPECT_EQ(stored(500, "BANK1", "Code1 || '|' || PhoneNumber || '|' || YesNo"), "40-11-22|J Smith|0");
}

// ---- Links to other members: 200 Jane Doe, 201 Ann Smith (barred, held as "b"), 202 Tom Smith

struct LinkCase {
    const char* name;
    AdRows rows;
    const char* checkedType;
    Lines lines;
    Lines linkageTails;  // the warnings, after "Member 203 joining based on linkage to member "
    const char* code3 = nullptr;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class AddressLinkTest : public AddressImportTest, public ::testing::WithParamInterface<LinkCase> {
protected:
    void SetUp() override {
        AddressImportTest::SetUp();
        for (auto [number, forename, surname, status] : {std::tuple{200, "Jane", "Doe", "A"}, std::tuple{201, "Ann", "Smith", "b"},
                                                         std::tuple{202, "Tom", "Smith", "A"}}) {
            member(number, forename, surname, status);
            storedAddress(number, "HOME", {{"Line1", QString::number(number) + " Oak Avenue"}, {"Line2", "Roundhay"},
                                           {"Line3", "Leeds"}, {"Line4", "W Yorks"}, {"Line5", "UK"}, {"Postcode", "LS8 1CC"}});
        }
    }
};

// The applicant's own address as given on a HOME row that names a member to live with.
AdValues livingWith(const char* linked) { return {{4, linked}, {6, "NOKSAME"}, {7, "5"}, {9, "elm road"}, {11, "leeds"}, {14, "ls2 2bb"}}; }
const AdValues kOwnHome{{7, "5"}, {9, "elm road"}, {10, "chapel allerton"}, {11, "leeds"}, {14, "ls2 2bb"}};
AdRows withBene(const char* type, const AdValues& bene) { return {{"HOME", kOwnHome}, {type, bene}}; }
const Lines kOakAvenueTail{"Roundhay", "Leeds", "W Yorks", "UK", "LS8 1CC"};
const Lines kElmRoad{"5 Elm Road", "Chapel Allerton", "Leeds"};

TEST_P(AddressLinkTest, LinkedMembersThroughThePass) {
    const LinkCase& c = GetParam();
    addRows(c.rows);
    ASSERT_EQ(runPass(), 203);  // the highest member number plus one
    Lines warnings;
    for (const QString& tail : c.linkageTails) warnings << "Member 203 joining based on linkage to member " + tail + kSuffix;
    EXPECT_EQ(problems(), warnings);
    EXPECT_EQ(lines(203, c.checkedType), c.lines);
    if (c.code3) { EXPECT_EQ(stored(203, c.checkedType, "Code3"), c.code3); }
}

INSTANTIATE_TEST_SUITE_P(
    Links, AddressLinkTest,
    ::testing::Values(
        LinkCase{"HomeWithSameSurname", {{"HOME", livingWith("202")}}, "HOME", Lines{"202 Oak Avenue"} + kOakAvenueTail, {}},
        LinkCase{"HomeWithMissingMember", {{"HOME", livingWith("777")}}, "HOME",
                 {"5 Elm Road", "", "Leeds", "", "<null>", "LS2 2BB"}, {"777 but their record does not exist."}},
        LinkCase{"HomeWithOtherSurname", {{"HOME", livingWith("200")}}, "HOME", Lines{"200 Oak Avenue"} + kOakAvenueTail,
                 {"200 do not share same surname - verify details."}},
        LinkCase{"HomeWithBarredMember", {{"HOME", livingWith("201")}}, "HOME", Lines{"201 Oak Avenue"} + kOakAvenueTail,
                 {"201 but their current status is B."}},
        // Without NOKSAME a home row's link is only an address.
        LinkCase{"HomeLinkWithoutNokSame", {{"HOME", {{4, "200"}, {7, "5"}, {9, "elm road"}, {14, "ls2 2bb"}}}}, "HOME",
                 {"5 Elm Road", "", "", "", "<null>", "LS2 2BB"}, {}},
        // A beneficiary living with the applicant is named after the member the row links to.
        LinkCase{"BeneWithOtherSurname", withBene("BENE1", {{4, "200"}, {6, "NOKSAME"}, {12, "someone"}, {13, "daughter"}}),
                 "BENE1", kElmRoad + Lines{"Jane Doe", "Daughter", "LS2 2BB"}, {}, "200"},
        // Only a whole number links: "200 OR 1=1" names nobody, and the name on the row is kept.
        LinkCase{"BeneWhoIsNoMember", withBene("BENE", {{4, "200 OR 1=1"}, {6, "NOKSAME"}, {12, "peter smith"}}),
                 "BENE", kElmRoad + Lines{"Peter Smith", "<null>", "LS2 2BB"}, {}, "<null>"},
        // Without NOKSAME a beneficiary's link gives their home, or the address supplied when it fails.
        LinkCase{"BeneWhoIsAMember", withBene("BENE1", {{4, "200"}, {13, "sister"}}),
                 "BENE1", {"200 Oak Avenue", "Roundhay", "Leeds", "Jane Doe", "Sister", "LS8 1CC"}, {}, "200"},
        LinkCase{"BeneLinkToMissingMember",
                 withBene("BENE1", {{4, "777"}, {7, "9"}, {9, "ash grove"}, {11, "leeds"}, {12, "peter smith"}, {14, "ls3 3cc"}}),
                 "BENE1", {"9 Ash Grove", "", "Leeds", "Peter Smith", "", "LS3 3CC"}, {"777 but their record does not exist."}}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

// ---- An existing member's home: member 500 with a home and a previous home on record -------

class HomeAddressChangeTest : public AddressImportTest {
protected:
    void SetUp() override {
        AddressImportTest::SetUp();
        addMember({.home = false});
        storeHomes();
    }
    void storeHomes() {
        storedAddress(500, "HOME", {{"Line1", "4 Old Road"}, {"Line2", "Chapel Allerton"}, {"Line3", "Leeds"}, {"Line4", ""},
                                    {"Postcode", "LS7 1AA"}, {"PhoneNumber", "0113 000 1111"}, {"EmailAddress", "john.smith@example.com"},
                                    {"LastUpdatedOn", "2019-06-01"}, {"LastUpdatedBy", "CLERK"}});
        storedAddress(500, "HOMEPREV1", {{"Line1", "9 Older Road"}, {"Postcode", "LS7 9ZZ"}, {"LastUpdatedBy", "CLERK"}});
    }

    Lines snapshots() { return inst.values("TarvTran", "SELECT Msgtext FROM Diary WHERE Memberno=500 AND Keyword='VELT' "
                                                       "AND Teller='VELT' AND Msgtext LIKE '%ADDRESS DETAILS Prior%'"); }
    QString status() { return inst.scalar("TarvMain", "SELECT MemberStatus FROM MemberMain WHERE MemberNo=500").toString(); }
    Lines addressWebLog() { return inst.values("TarvAudt", "SELECT MemberNo || '|' || TheCategory || '|' || TheActivity FROM WebLog "
                                                            "WHERE TheKeyword='ADDRESS'"); }
    const Lines kOldHome{"4 Old Road", "Chapel Allerton", "Leeds", "", "<null>", "LS7 1AA"};
    const QString kHeading = "New home address details supplied on VELT loan app " + kSuffix;
};

// One credit union also suspends a member who moved: the change names the status the member held.
TEST_F(HomeAddressChangeTest, ANewHomeAddressIsAuditedAndReplacesTheOldHomeRows) {
    im().settings.profile = CreditUnionProfileFor("213258");
    inst.exec("TarvMain", "UPDATE MemberMain SET MemberStatus='S' WHERE MemberNo=500");
    addRows({{"HOME", {{7, "12"}, {9, "new street"}, {11, "bradford"}, {14, "bd1 1aa"}, {15, "01274 123456"}}}});
    ASSERT_EQ(runPass(), 500);

    EXPECT_EQ(problems().filter("address"), Lines{kHeading + " for member 500" + kSuffix}) << report();
    EXPECT_EQ(app().addresses.storedHome[0] + "|" + app().addresses.storedHome[4], "4 Old Road|LS7 1AA");
    EXPECT_EQ(addressRows(500), ExpectedDocument("address-rows-after-a-move.txt"));
    EXPECT_EQ(changes(500).join('\n') + '\n', ExpectedDocument("address-move-changes.txt"));
    EXPECT_EQ(addressWebLog() << status(), (Lines{"500|BORROW|New address supplied on application [12 New Street BD1 1AA]", "G"}));
    // The diary keeps a snapshot of the old home rows, Null columns left out.
    EXPECT_EQ(snapshots(), Lines{ExpectedDocument("address-snapshot-diary.txt").replace("\n", "\r\n")});
}

// A move is a new postcode (without blanks or case), or the same postcode with other first four characters of the
// first line; the lines on record are kept otherwise.
TEST_F(HomeAddressChangeTest, WhatCountsAsAMove) {
    const std::pair<AdValues, bool> cases[] = {
        {{{7, "4"}, {9, "old road"}, {11, "leeds"}, {14, "ls71aa"}, {15, "07700 900123"}}, false},
        {{{7, "4"}, {9, "old roadway"}, {14, "LS7 1AA"}}, false},
        {{{9, "elm road"}, {14, "LS7 1AA"}}, false},  // no building
        {{{7, "6"}, {9, "old road"}, {14, "LS7 1AA"}}, true},
    };
    for (const auto& [home, moved] : cases) {
        SCOPED_TRACE(home.value(7).toStdString() + " " + home.value(9).toStdString());
        pendingAgain();
        addRows({{"HOME", home}});
        ASSERT_EQ(runPass(), 500);
        // Whether it moved, its address line, changes and WebLog row; the home on record; the status kept.
        EXPECT_EQ(QList<qsizetype>({app().addresses.homeAddressChanged, problems().filter("address").size(), changes(500).size(),
                                    addressWebLog().size()}),
                  (moved ? QList<qsizetype>{1, 1, 5, 1} : QList<qsizetype>{0, 0, 0, 0}));
        EXPECT_EQ(lines(500, "HOME") << status(), (moved ? Lines{"6 Old Road", "", "", "", "<null>", "LS7 1AA"} : Lines(kOldHome)) << "A");
    }
    EXPECT_EQ(snapshots().size(), 4);  // the snapshot is kept whatever happens
}

TEST_F(HomeAddressChangeTest, WithoutAnAddressTheHeldHomeIsKeptOrPutBack) {
    const QString resorting = "Member 500 supplied no home address - resorting to previously held one." + kSuffix;
    const QString noAddresses = "Member 0 - no addresses supplied!" + kSuffix;
    struct Case {
        const char* name;
        AdRows rows;
        Lines warnings, types;
        const char* applicantEmail;
        const char* firstHomeSlot = "";  // the preloaded home, for the details file, when nothing replaced it
    };
    const Case cases[] = {
        {"no rows at all", {}, {noAddresses, "Member 500 - no addresses supplied!" + kSuffix}, {"HOME", "HOMEPREV1"},
         "john.smith@example.com"},
        {"a home row without an address", {{"HOME", {{18, "new@example.com"}}}}, {resorting}, {"HOME"}, "new@example.com",
         "NB NOT IMPORTED: "},
        {"no home row", {{"WORK1", {{7, "unit 4"}, {9, "trade park"}, {12, "acme ltd"}, {14, "ls9 9zz"}}}},
         {noAddresses, resorting}, {"HOME", "WORK1"}, "john.smith@example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pendingAgain();
        inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE AddressType='WORK1'");
        addRows(c.rows);
        ASSERT_EQ(runPass(), 500);
        EXPECT_EQ(problems().filter("address"), c.warnings);
        EXPECT_EQ(std::tuple(addressTypes(500), app().addresses.applicantEmail, app().addresses.homeSlots[1], addressWebLog()),
                  std::tuple(c.types, QString(c.applicantEmail), QString(c.firstHomeSlot), Lines{}));
        EXPECT_EQ(lines(500, "HOME", {"PhoneNumber", "EmailAddress"}), (kOldHome + Lines{"0113 000 1111", "john.smith@example.com"}));
    }
}

TEST_F(HomeAddressChangeTest, AMemberWithoutAStoredHomeIsReportedAndImported) {
    inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE MemberNo=500");
    addRows({{"HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}}}});
    ASSERT_EQ(runPass(), 500);
    EXPECT_EQ(problems().filter("address"), Lines{"Member 500 - no stored home address found for existing member." + kSuffix});
    // Nothing stored is never a move: no change, no snapshot.
    EXPECT_EQ(snapshots() << stored(500, "HOME", "Line1") << QString::number(app().addresses.homeAddressChanged), (Lines{"12 New Street", "0"}));
}

// A database failure after the old home rows were deleted must never leave the member
// without them: what the import had not replaced is put back.
TEST_F(HomeAddressChangeTest, AFailedChangePutsBackWhatWasNotReplaced) {
    const std::pair<const char*, const char*> cases[] = {
        {"NEW.AddressType='BANK1'", "address-rows-restored-after-the-bank-row-failed.txt"},
        {"NEW.Postcode='BD1 1AA'", "address-rows-restored-after-the-home-row-failed.txt"},
    };
    for (const auto& [condition, expectedRows] : cases) {
        SCOPED_TRACE(condition);
        pendingAgain();
        inst.exec("TarvMain", "DELETE FROM MemberAddress");
        storeHomes();
        inst.exec("TarvMain", "DROP TRIGGER IF EXISTS refuse");
        inst.exec("TarvMain", QString("CREATE TRIGGER refuse BEFORE INSERT ON MemberAddress WHEN %1 "
                                      "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END").arg(condition));
        addRows({{"HOME", {{7, "12"}, {9, "new street"}, {14, "bd1 1aa"}}}, {"BANK1", {{4, "40-11-22"}, {5, "12345678"}}},
              {"HOMEPREV1", {{7, "77"}, {9, "never road"}, {14, "bd7 7aa"}}}});
        runPass();
        EXPECT_EQ(std::pair(problems().filter("Error in address import routine (").size(), problems().filter("disk I/O error").size()),
                  (std::pair<qsizetype, qsizetype>(1, 1))) << report();
        EXPECT_EQ(problems().last(), "Member 500 - previously held home address restored after the address import failed." + kSuffix);
        EXPECT_EQ(addressRows(500), ExpectedDocument(expectedRows));
    }
}

// Rows that cannot be read are reported by each step that needed them, never taken for
// an application without addresses.
TEST_F(AddressImportTest, UnreadableRowsAreReportedByThePreloadAndTheImport) {
    inst.exec("online", "ALTER TABLE table_ad RENAME TO table_ad_elsewhere");
    runPass();
    EXPECT_EQ(std::tuple(problems().filter("Error in home address preload routine (").size(),
                         problems().filter("Error in address import routine (").size(),
                         problems().filter("no addresses supplied").size()),
              std::tuple(1, 1, 0)) << report();
}

TEST_F(AddressImportTest, QuotesInTypesAndAddressesNeitherBreakNorChangeStatements) {
    member(100, "Other", "Member");
    storedAddress(100, "HOME", {{"Line1", "1 Safe Street"}});
    addRows({{"HOME", {{7, "o'brien's court"}, {9, "x'); DELETE FROM MemberAddress; --"}, {11, "leeds"}, {14, "ls1 4ab"}}},
          {"WORK'1", {{9, "mill lane"}, {12, "o'neil & sons"}, {14, "ls2 2bb"}}},
          {"BANK1", {{4, "40' OR '1'='1"}, {5, "1'; DROP TABLE Banks; --"}}}});
    ASSERT_EQ(runPass(), 101);
    EXPECT_EQ(addressRows(101), ExpectedDocument("address-rows-quoted-values.txt"));
    EXPECT_EQ(stored(100, "HOME", "Line1"), "1 Safe Street");
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM Banks"), 0);
    EXPECT_EQ(problems().size(), 1) << report();  // only the reminder to verify the bank details
}

}  // namespace
}  // namespace autovelt::test
