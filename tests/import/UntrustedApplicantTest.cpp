// What an applicant types cannot choose a member number, take over a member or widen a match. (Nor forge a
// report line: ControlCharactersTest flattens every line the reporter is handed, the PrintingReporter test what it prints.)

#include "support/ImportPassFixture.h"

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebAddress;

namespace {

// ---- Member numbers ---------------------------------------------------------------------

struct GivenNumber {
    QString typed;
    bool refused;       // reported and not used as given
    long memberNumber;  // the number the applicant ends up with
};

class GivenNumberTest : public ImportPassTest, public ::testing::WithParamInterface<GivenNumber> {};

TEST_P(GivenNumberTest, OnlyANumberTheCreditUnionCouldHaveAllocatedIsUsedAsGiven) {
    const GivenNumber& c = GetParam();
    addMember({.number = 500, .forename = "Jane", .surname = "Doe", .ni = "ZZ999999Z"});
    WebApplication a = WebApplication::joinOnly(5);
    a.memberNumber = c.typed;
    add(a);
    runCycle();
    const QString line = "Member number " + c.typed +
                         " given on the application matches no member and was never allocated - treated as a new "
                         "applicant." + suffix(5);
    EXPECT_EQ(problems().contains(line), c.refused) << report();
    EXPECT_EQ(memberColumn(c.memberNumber, "Surname") + QString::number(members()), "Smith2");
    // Only a number allocated here has a new member's share account and password.
    for (const char* table : {"MemberBalances", "MemberPassword"})
        EXPECT_EQ(rows("TarvMain", QString("SELECT * FROM %1 WHERE MemberNo=%2").arg(table).arg(c.memberNumber)),
                  c.refused ? 1 : 0) << table;
}

INSTANTIATE_TEST_SUITE_P(UntrustedApplicant, GivenNumberTest,
                         ::testing::Values(GivenNumber{"123456789", true, 501}, GivenNumber{"99999999", true, 501},
                                           GivenNumber{"501", true, 501}, GivenNumber{"300", false, 300}),
                         [](const auto& info) { return "number" + info.param.typed.toStdString(); });

// ---- Taking over an existing member: 7, holding bank details 40-11-22 12345678 -----------

struct Takeover {
    const char* name;
    QString ni = "ATK";  // cleans to nothing
    QString email;       // on the application and its home row
    QString sortCode;    // of a BANK1 row, none when empty
    QString postcode = "LS1 4AB";
    QString changed;     // what the anomaly line names; empty: no anomaly
    QString account = "99999999";
};

void PrintTo(const Takeover& c, std::ostream* out) { *out << c.name; }

class TakeoverTest : public ImportPassTest, public ::testing::WithParamInterface<Takeover> {};

// The updates themselves still happen; a bank row of doubtful origin is not the one to pay.
TEST_P(TakeoverTest, UnconfirmedChangeOfBankOrHomeRaisesTheBankDetailAnomaly) {
    const Takeover& t = GetParam();
    addMember({.number = 7});
    inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Code1, Code2) "
                          "VALUES (7, 'BANK1', 1, '40-11-22', '12345678')");
    WebApplication a = WebApplication::joinAndBorrow(8);
    a.memberNumber = "7";
    a.niNumber = t.ni;
    a.set(103, t.email);
    a.addresses.first().email = t.email;
    a.addresses.first().postcode = t.postcode;
    if (!t.sortCode.isEmpty()) a.addresses << WebAddress{.type = "BANK1", .sortCode = t.sortCode, .account = t.account};
    add(a);
    runCycle();

    const QStringList anomaly = problems().filter("matched without NINO or email");
    EXPECT_EQ(anomaly, t.changed.isEmpty() ? QStringList() : QStringList{"Member 7 matched without NINO or email but supplied new "
                       + t.changed + " - bank detail anomaly, review any loan payout." + suffix(8)}) << report();
    EXPECT_EQ(im().app.addresses.bankDetailAnomaly, !t.changed.isEmpty());
    EXPECT_EQ(column("TarvMain", "MemberAddress", "YesNo", "MemberNo=7 AND AddressType='BANK1'") + importedFlag(8),
              t.changed.contains("bank") ? "0Y" : "1Y");
}

INSTANTIATE_TEST_SUITE_P(
    UntrustedApplicant, TakeoverTest,
    ::testing::Values(Takeover{.name = "newBank", .sortCode = "11-22-33", .changed = "bank details"},
                      Takeover{.name = "newHome", .postcode = "LS2 9ZZ", .changed = "home address"},
                      Takeover{.name = "both", .sortCode = "11-22-33", .postcode = "LS2 9ZZ", .changed = "bank details and home address"},
                      Takeover{.name = "confirmedByNino", .ni = "AB123456C", .sortCode = "11-22-33", .postcode = "LS2 9ZZ"},
                      Takeover{.name = "confirmedByEmail", .email = "JOHN.SMITH@example.com", .sortCode = "11-22-33",
                               .postcode = "LS2 9ZZ"},
                      Takeover{.name = "sameBankWrittenOtherwise", .sortCode = "401122", .account = "12345678"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Names in the name and date of birth match ------------------------------------------

struct NameMatch {
    const char* name;
    QString storedForename, storedSurname;
    QString typedForename, typedSurname;
    bool matched;
};

void PrintTo(const NameMatch& c, std::ostream* out) { *out << c.name; }

class NameMatchTest : public ImportPassTest, public ::testing::WithParamInterface<NameMatch> {};

TEST_P(NameMatchTest, MatchesEveryLetterWithoutCaseAndWildcardsLiterally) {
    const NameMatch& n = GetParam();
    addMember({.forename = n.storedForename, .surname = n.storedSurname, .ni = ""});
    add(withNino(WebApplication::joinAndBorrow(4).set(4, n.typedForename).set(6, n.typedSurname), ""));
    runCycle();
    EXPECT_EQ(std::pair(!problems().filter("as match made on Name and DoB.").isEmpty(), members()), std::pair(n.matched, n.matched ? 1 : 2))
        << report();
}

INSTANTIATE_TEST_SUITE_P(
    UntrustedApplicant, NameMatchTest,
    ::testing::Values(NameMatch{"capitalsStored", "ÉLODIE", "MÜLLER", "élodie", "müller", true},
                      NameMatch{"capitalsTyped", "élodie", "müller", "ÉLODIE", "MÜLLER", true},
                      NameMatch{"accentsStillCount", "Elodie", "Muller", "Élodie", "Müller", false},
                      NameMatch{"percent", "John", "Smith", "%ohn", "Smith", false},
                      NameMatch{"underscore", "John", "Smith", "_ohn", "Smith", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
