#include "assessment/IdentityCheckAnswer.h"
#include "assessment/IdentityCheckRequest.h"
#include "state/CycleSettings.h"
#include "state/InstallationConfig.h"
#include "support/ExpectedDocuments.h"
#include "support/QtPrinters.h"

#include <functional>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

const QDate kPassDate(2026, 3, 5);

// Ann Lee, whose home row carries the address file's columns, with bank details.
IdentityCheckRequest pafRequest() {
    return {.company = "RIVERSIDE", .userName = "riverside.api", .password = "Secret-Pass-1", .applicationName = "V512-API-LIVE",
            .memberNumber = 1234,
            .member = {.title = "Mrs.", .forename = "Ann", .surname = "Lee", .dateOfBirth = QDate(1980, 2, 29),
                       .line1 = "Flat 3 Mill House",
                       .paf = {"Flat 3", "14", "Mill House", "Canal Road", "", "Leeds", "West Yorkshire Metropolitan County", "LS1 4AB"},
                       .phoneNumber = "0113 496 0000", .effectiveFrom = kPassDate.addMonths(-40)},
            .previousAddress = PafColumns{"", "7", "", "Park Lane", "", "Bradford", "West Yorkshire", "BD1 1AA"},
            .email = "ann.lee@example.com", .sortCode = "40-11-22", .accountNumber = "12345678", .passDate = kPassDate};
}

// John Smith-Jones, whose home row holds only address lines, moved in 8 months ago.
IdentityCheckRequest linesRequest() {
    IdentityCheckRequest r = pafRequest();
    r.applicationName = QStringLiteral("V535-API-LIVE");
    r.memberNumber = 77;
    r.member = {.title = "Mr", .forename = "John", .midname = "Paul", .surname = "Smith-Jones", .line1 = "12A High Street",
                .line2 = "Headingley", .line3 = "Leeds", .line4 = "West Yorkshire", .postcode = "LS6 3AA",
                .phoneNumber = "0113 496 0000", .mobileNumber = "07700 900123", .effectiveFrom = kPassDate.addMonths(-8)};
    r.email.clear();
    r.sortCode.clear();
    return r;
}

// Hostile values for the lines-only request: markup in a member's details arrives as the member wrote it (names without
// full stops and commas), and a tab, line break or control character in a value never breaks its line.
IdentityCheckRequest hostileRequest() {
    IdentityCheckRequest r = linesRequest();
    r.member.surname = QStringLiteral("St. John, Jr.</Surname><Surname>Evil");
    r.member.line1 = QStringLiteral("Flat 1 & 2 <b>\"Mill\"</b>");
    r.member.line2 = QStringLiteral("Tab\there\r\nand\x01there");
    r.password = QStringLiteral("p<&>ss");
    return r;
}

// Each request whole, tab-indented, each line ending in a carriage return alone, as the reviewed file holds it. The
// lines-only home row: the mobile wins, moved in 8 months ago, an earlier address; V535 screens watch lists; no bank details.
TEST(IdentityCheckRequestTest, HomeRowWithAddressFileColumnsOrLinesOnlyAndHostileValuesSentAsText) {
    const std::pair<IdentityCheckRequest, const char*> cases[] = {{pafRequest(), "identity-check-request.xml"},
        {linesRequest(), "identity-check-request-lines-only.xml"}, {hostileRequest(), "identity-check-request-hostile.xml"}};
    for (const auto& [request, document] : cases)
        EXPECT_EQ(ComposeIdentityCheckRequest(request), test::ExpectedDocument(document).replace('\n', '\r')) << document;
}

// The composed document without indentation, one element a line.
QStringList lines(const IdentityCheckRequest& r) {
    return ComposeIdentityCheckRequest(r).remove(QLatin1Char('\t')).split(QLatin1Char('\r'), Qt::SkipEmptyParts);
}

// The lines of the first list left once each line of the second has taken away one equal to it.
QStringList linesMissingFrom(QStringList lines, const QStringList& others) {
    for (const QString& line : others) lines.removeOne(line);
    return lines;
}

using Change = std::function<void(IdentityCheckRequest&)>;
Change phones(const char* phone, const char* mobile) {
    return [=](IdentityCheckRequest& r) {
        r.member.phoneNumber = phone;
        r.member.mobileNumber = mobile;
    };
}
Change email(const char* address) { return [=](IdentityCheckRequest& r) { r.email = address; }; }
Change movedIn(QDate date) { return [=](IdentityCheckRequest& r) { r.member.effectiveFrom = date; }; }
Change monthsAgo(int m) { return movedIn(kPassDate.addMonths(-m)); }

// Each change to the lines-only request, and the lines it takes away ("- ") and adds ("+ "), as the reviewed file holds them.
TEST(IdentityCheckRequestTest, ChoicesOfTheRequestValues) {
    const std::pair<const char*, Change> variations[] = {
        {"35 months: earlier address", monthsAgo(35)},
        {"36 months: none", monthsAgo(36)},
        {"6 March 2025 is 11 whole months", movedIn(QDate(2025, 3, 6))},
        {"5 March 2025 is 12 whole months", movedIn(QDate(2025, 3, 5))},
        {"31 March 2023 is 35 whole months: earlier address", movedIn(QDate(2023, 3, 31))},
        {"no move-in date: not under 12 months, no earlier address", movedIn(QDate())},
        {"earlier row without a postcode", [](IdentityCheckRequest& r) { r.previousAddress->postCode.clear(); }},
        {"earlier address values cut",
         [](IdentityCheckRequest& r) {
             r.previousAddress = PafColumns{QString(31, 'F'), "1234567890123", "The Old Mill", "Long Lane", "Upper End",
                                            QString(36, 'T'), QString(26, 'C'), "BD10 1AAX"};
         }},
        {"line beginning with a letter", [](IdentityCheckRequest& r) { r.member.line1 = "Rose Cottage"; }},
        {"line of digits only", [](IdentityCheckRequest& r) { r.member.line1 = "221"; }},
        {"lines town and postcode cut",
         [](IdentityCheckRequest& r) {
             r.member.line4 = QString(26, 'W');
             r.member.postcode = "LS6  3AAX";
         }},
        {"mobile of blanks", phones("01134960000", "   ")},
        {"ten digits dropped", phones("0113496000", "")},
        {"twelve digits dropped", phones("", "077009001234")},
        {"a letter dropped", phones("", "0770090012x")},
        {"a bad mobile hides the telephone", phones("01134960000", "0770")},
        {"e-mail without a dot", email("john@localhost")},
        {"e-mail without an at", email("john.smith.example")},
        {"numeric e-mail", email("1234.5")},
        {"V526 screens watch lists", [](IdentityCheckRequest& r) { r.applicationName = "V526-X"; }},
    };
    const QStringList unchanged = lines(linesRequest());
    QStringList outcomes;
    for (const auto& [name, change] : variations) {
        IdentityCheckRequest r = linesRequest();
        change(r);
        outcomes << QStringLiteral("== ") + name;
        for (const QString& line : linesMissingFrom(unchanged, lines(r))) outcomes << "- " + line;
        for (const QString& line : linesMissingFrom(lines(r), unchanged)) outcomes << "+ " + line;
    }
    EXPECT_EQ(outcomes.join('\n') + '\n', test::ExpectedDocument("identity-check-request-choices.txt"));
}

// The application name and address: live or test by UAT mode, or by a test user name.
TEST(IdentityCheckRequestTest, ApplicationNameAndAddress) {
    const AgencyService service{.callValidateLiveHost = "live.agency.example", .callValidateTestHost = "test.agency.example:8443"};
    const struct { bool uat; const char* user; const char* application; const char* target; } cases[] = {
        {false, "cu.api", "", "V512-API-LIVE https://live.agency.example/callvalidateapi/incomingserver.php"},
        {true, "cu.api", "", "V454-API-CTEST https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
        {false, "cu.api", "V535-CU-LIVE", "V535-CU-LIVE https://live.agency.example/callvalidateapi/incomingserver.php"},
        {false, "cu@api.ctest", "", "V512-API-LIVE https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
    };
    for (const auto& c : cases) {
        const AgencyCredentials credentials{.IdentityCheckUserName = c.user, .IdentityCheckApplication = c.application};
        const IdentityCheckTarget target = ChooseIdentityCheckTarget(credentials, c.uat, service);
        EXPECT_EQ(target.applicationName + ' ' + target.url, QLatin1String(c.target)) << c.user;
    }
    EXPECT_EQ(ChooseIdentityCheckTarget({}, false, {.callValidateTestHost = "test.agency.example"}).url, QString());  // no live host
}

// The reference is the 30 characters after PID=" (the sandbox's are exactly 30 long).
TEST(IdentityCheckAnswerTest, ReferenceIsCutAtThirtyCharacters) {
    const IdentityAnswer read =
        ReadIdentityAnswer("<Result PID=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\"><IdentityResult>Fail</IdentityResult>");
    EXPECT_EQ(QStringList({read.result, read.score, read.pid}).join('|'), "Fail||ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
}

}  // namespace
}  // namespace autovelt
