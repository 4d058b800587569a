#include "assessment/IdentityCheckAnswer.h"
#include "assessment/IdentityCheckRequest.h"
#include "state/CycleSettings.h"
#include "state/InstallationConfig.h"
#include "support/QtPrinters.h"

#include <QXmlStreamReader>
#include <functional>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

const QDate kPassDate(2026, 3, 5);

// Expected text written readably: each two leading blanks stand for a tab, each line
// ends in a carriage return alone.
QString doc(const char* text) {
    QString out;
    for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        qsizetype depth = 0;
        while (line.mid(depth * 2, 2) == QLatin1String("  ")) ++depth;
        out += QString(depth, QLatin1Char('\t')) + line.mid(depth * 2) + QLatin1Char('\r');
    }
    return out;
}

// The lines of the document from the one holding `first` to the one holding `last`,
// without their indentation, one per text line.
QString excerpt(const QString& text, const char* first, const char* last) {
    const qsizetype from = text.lastIndexOf(QLatin1Char('\r'), text.indexOf(QLatin1String(first))) + 1;
    const qsizetype to = text.indexOf(QLatin1Char('\r'), text.indexOf(QLatin1String(last)));
    QString lines = text.mid(from, to - from);
    lines.remove(QLatin1Char('\t'));
    return lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

const char* const kChecks = R"(
            <BankStandard>yes</BankStandard>
            <BankEnhanced>yes</BankEnhanced>
            <CardLive>no</CardLive>
            <CardEnhanced>no</CardEnhanced>
            <IDEnhanced>yes</IDEnhanced>
            <NCOAAlert>yes</NCOAAlert>
            <CallValidate3D>no</CallValidate3D>
            <DeliveryFraud>no</DeliveryFraud>
            <CreditScore>no</CreditScore>
            <Zodiac>no</Zodiac>
            <RealTimeFraudAlerts>yes</RealTimeFraudAlerts>
            <DeviceRisk>no</DeviceRisk>
            <MobileRisk>no</MobileRisk>
            <EmailRisk>no</EmailRisk>
            <MobileID>no</MobileID>
            <EmailID>no</EmailID>
)";

// Ann Lee, whose home row carries the address file's columns, with bank details.
IdentityCheckRequest pafRequest() {
    IdentityCheckRequest r;
    r.company = QStringLiteral("RIVERSIDE");
    r.userName = QStringLiteral("riverside.api");
    r.password = QStringLiteral("Secret-Pass-1");
    r.applicationName = QStringLiteral("V512-API-LIVE");
    r.memberNumber = 1234;
    IdentityCheckMember& m = r.member;
    m.title = QStringLiteral("Mrs.");
    m.forename = QStringLiteral("Ann");
    m.surname = QStringLiteral("Lee");
    m.dateOfBirth = QDate(1980, 2, 29);
    m.line1 = QStringLiteral("Flat 3 Mill House");
    m.paf = {QStringLiteral("Flat 3"), QStringLiteral("14"), QStringLiteral("Mill House"), QStringLiteral("Canal Road"),
             QString(), QStringLiteral("Leeds"), QStringLiteral("West Yorkshire Metropolitan County"), QStringLiteral("LS1 4AB")};
    m.phoneNumber = QStringLiteral("0113 496 0000");
    m.effectiveFrom = kPassDate.addMonths(-40);
    r.previousAddress = PafColumns{QString(), QStringLiteral("7"), QString(), QStringLiteral("Park Lane"), QString(),
                                   QStringLiteral("Bradford"), QStringLiteral("West Yorkshire"), QStringLiteral("BD1 1AA")};
    r.email = QStringLiteral("ann.lee@example.com");
    r.sortCode = QStringLiteral("40-11-22");
    r.accountNumber = QStringLiteral("12345678");
    r.passDate = kPassDate;
    return r;
}

// John Smith-Jones, whose home row holds only address lines, moved in 8 months ago.
IdentityCheckRequest linesRequest() {
    IdentityCheckRequest r = pafRequest();
    r.applicationName = QStringLiteral("V535-API-LIVE");
    r.memberNumber = 77;
    IdentityCheckMember& m = r.member;
    m = IdentityCheckMember{};
    m.title = QStringLiteral("Mr");
    m.forename = QStringLiteral("John");
    m.midname = QStringLiteral("Paul");
    m.surname = QStringLiteral("Smith-Jones");
    m.line1 = QStringLiteral("12A High Street");
    m.line2 = QStringLiteral("Headingley");
    m.line3 = QStringLiteral("Leeds");
    m.line4 = QStringLiteral("West Yorkshire");
    m.postcode = QStringLiteral("LS6 3AA");
    m.mobileNumber = QStringLiteral("07700 900123");
    m.phoneNumber = QStringLiteral("0113 496 0000");
    m.effectiveFrom = kPassDate.addMonths(-8);
    r.email.clear();
    r.sortCode.clear();
    return r;
}

TEST(IdentityCheckRequestTest, HomeRowWithAddressFileColumns) {
    const QString expected = doc(R"(
<?xml version="1.0" encoding="utf-8"?>
<callvalidate>
  <authentication>
    <company>RIVERSIDE</company>
    <username>riverside.api</username>
    <password>Secret-Pass-1</password>
  </authentication>
  <sessions>
    <session RID="1234">
      <data>
        <Personalinformation>
          <IndividualDetails>
            <Dateofbirth>1980-02-29</Dateofbirth>
            <Title>Mrs</Title>
            <Firstname>Ann</Firstname>
            <Othernames/>
            <Surname>Lee</Surname>
            <Phonenumber>01134960000</Phonenumber>
            <Emailaddress>ann.lee@example.com</Emailaddress>
            <addresslessthan12months>false</addresslessthan12months>
          </IndividualDetails>
          <AddressDetails>
            <Abodenumber>Flat 3</Abodenumber>
            <Buildingnumber>14</Buildingnumber>
            <Buildingname>Mill House</Buildingname>
            <Address1>Canal Road</Address1>
            <Address2/>
            <Address3>Leeds</Address3>
            <Town>West Yorkshire Metropolit</Town>
            <Postcode>LS1 4AB</Postcode>
            <Previousabodenumber/>
            <Previousbuildingnumber/>
            <Previousbuildingname/>
            <Previousaddress1/>
            <Previousaddress2/>
            <Previousaddress3/>
            <Previoustown/>
            <Previouspostcode/>
          </AddressDetails>
          <Checksrequired>)") + doc(kChecks) + doc(R"(
          </Checksrequired>
        </Personalinformation>
        <Bankinformation>
          <Bankaccountnumber>12345678</Bankaccountnumber>
          <Banksortcode>40-11-22</Banksortcode>
        </Bankinformation>
        <DeviceDetails/>
      </data>
    </session>
  </sessions>
  <application>V512-API-LIVE</application>
</callvalidate>
)");
    EXPECT_EQ(ComposeIdentityCheckRequest(pafRequest()), expected);
}

// One change to the lines-only request (none for the frame rows) and the lines it gives,
// from the line holding `first` to the line holding `last`.
struct Variation {
    const char* name;
    std::function<void(IdentityCheckRequest&)> change;
    const char* first;
    const char* last;
    const char* expected;
};

auto phones(const char* phone, const char* mobile) {
    return [=](IdentityCheckRequest& r) {
        r.member.phoneNumber = QString::fromUtf8(phone);
        r.member.mobileNumber = QString::fromUtf8(mobile);
    };
}
auto email(const char* address) {
    return [=](IdentityCheckRequest& r) { r.email = QString::fromUtf8(address); };
}
auto movedIn(QDate date) {
    return [=](IdentityCheckRequest& r) { r.member.effectiveFrom = date; };
}
auto monthsAgo(int m) { return movedIn(kPassDate.addMonths(-m)); }

const char* const kNoEarlierAddress =
    "<Previousabodenumber/>\n<Previousbuildingnumber/>\n<Previousbuildingname/>\n<Previousaddress1/>\n"
    "<Previousaddress2/>\n<Previousaddress3/>\n<Previoustown/>\n<Previouspostcode/>";
const char* const kParkLane =
    "<Previousabodenumber/>\n<Previousbuildingnumber>7</Previousbuildingnumber>\n<Previousbuildingname/>\n"
    "<Previousaddress1>Park Lane</Previousaddress1>\n<Previousaddress2/>\n<Previousaddress3>Bradford</Previousaddress3>\n"
    "<Previoustown>West Yorkshire</Previoustown>\n<Previouspostcode>BD1 1AA</Previouspostcode>";

TEST(IdentityCheckRequestTest, ChoicesOfTheRequestValues) {
    const char* const kUnder12 = "<addresslessthan12months>true</addresslessthan12months>";
    const char* const kNotUnder12 = "<addresslessthan12months>false</addresslessthan12months>";
    const Variation variations[] = {
        {"frame: session and names", [](IdentityCheckRequest&) {}, "<session ", "<Surname",
         "<session RID=\"77\">\n<data>\n<Personalinformation>\n<IndividualDetails>\n<Dateofbirth/>\n<Title>Mr</Title>\n"
         "<Firstname>John</Firstname>\n<Othernames>Paul</Othernames>\n<Surname>Smith-Jones</Surname>"},
        {"frame: address lines", [](IdentityCheckRequest&) {}, "<Abodenumber", "<Postcode>",
         "<Abodenumber/>\n<Buildingnumber>12</Buildingnumber>\n<Buildingname/>\n<Address1>A High Street</Address1>\n"
         "<Address2>Headingley</Address2>\n<Address3>Leeds</Address3>\n<Town>West Yorkshire</Town>\n<Postcode>LS6 3AA</Postcode>"},
        {"frame: V535 screens watch lists, no bank details", [](IdentityCheckRequest&) {}, "<EmailID>", "</callvalidate>",
         "<EmailID>no</EmailID>\n<WatchlistScreening>yes</WatchlistScreening>\n</Checksrequired>\n</Personalinformation>\n"
         "<Bankinformation/>\n<DeviceDetails/>\n</data>\n</session>\n</sessions>\n<application>V535-API-LIVE</application>\n"
         "</callvalidate>"},
        {"8 months: earlier address", monthsAgo(8), "<Previousabodenumber", "<Previouspostcode", kParkLane},
        {"20 months: earlier address", monthsAgo(20), "<Previousabodenumber", "<Previouspostcode", kParkLane},
        {"35 months: earlier address", monthsAgo(35), "<Previousabodenumber", "<Previouspostcode", kParkLane},
        {"36 months: none", monthsAgo(36), "<Previousabodenumber", "<Previouspostcode", kNoEarlierAddress},
        {"40 months: none", monthsAgo(40), "<Previousabodenumber", "<Previouspostcode", kNoEarlierAddress},
        {"calendar months: April 2025 is 11", movedIn(QDate(2025, 4, 30)), "<addressless", "<addressless", kUnder12},
        {"calendar months: 31 March 2025 is 12", movedIn(QDate(2025, 3, 31)), "<addressless", "<addressless", kNotUnder12},
        {"no move-in date", movedIn(QDate()), "<addressless", "<addressless", kNotUnder12},
        {"no move-in date: no earlier address", movedIn(QDate()), "<Previousabodenumber", "<Previouspostcode", kNoEarlierAddress},
        {"earlier row without a postcode", [](IdentityCheckRequest& r) { r.previousAddress->postCode.clear(); },
         "<Previousabodenumber", "<Previouspostcode", kNoEarlierAddress},
        {"earlier address values cut",
         [](IdentityCheckRequest& r) {
             r.previousAddress = PafColumns{QString(31, 'F'), "1234567890123", "The Old Mill", "Long Lane", "Upper End",
                                            QString(36, 'T'), QString(26, 'C'), "BD10 1AAX"};
         },
         "<Previousabodenumber", "<Previouspostcode",
         "<Previousabodenumber>FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF</Previousabodenumber>\n"
         "<Previousbuildingnumber>123456789012</Previousbuildingnumber>\n<Previousbuildingname>The Old Mill</Previousbuildingname>\n"
         "<Previousaddress1>Long Lane</Previousaddress1>\n<Previousaddress2>Upper End</Previousaddress2>\n"
         "<Previousaddress3>TTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTT</Previousaddress3>\n"
         "<Previoustown>CCCCCCCCCCCCCCCCCCCCCCCCC</Previoustown>\n<Previouspostcode>BD10 1AA</Previouspostcode>"},
        {"line beginning with a letter", [](IdentityCheckRequest& r) { r.member.line1 = "Rose Cottage"; }, "<Abodenumber",
         "<Address1", "<Abodenumber/>\n<Buildingnumber/>\n<Buildingname>Rose Cottage</Buildingname>\n<Address1/>"},
        {"line of digits only", [](IdentityCheckRequest& r) { r.member.line1 = "221"; }, "<Buildingnumber", "<Address1",
         "<Buildingnumber>221</Buildingnumber>\n<Buildingname/>\n<Address1/>"},
        {"lines town and postcode cut",
         [](IdentityCheckRequest& r) { r.member.line4 = QString(26, 'W'); r.member.postcode = "LS6  3AAX"; },
         "<Town", "<Postcode>", "<Town>WWWWWWWWWWWWWWWWWWWWWWWWW</Town>\n<Postcode>LS6  3AA</Postcode>"},
        {"mobile wins", phones("0113 496 0000", "07700 900123"), "<Phonenumber", "<Phonenumber", "<Phonenumber>07700900123</Phonenumber>"},
        {"telephone without a mobile", phones("0113 496 0000", ""), "<Phonenumber", "<Phonenumber", "<Phonenumber>01134960000</Phonenumber>"},
        {"mobile of blanks", phones("01134960000", "   "), "<Phonenumber", "<Phonenumber", "<Phonenumber>01134960000</Phonenumber>"},
        {"ten digits dropped", phones("0113496000", ""), "<Phonenumber", "<Phonenumber", "<Phonenumber/>"},
        {"twelve digits dropped", phones("", "077009001234"), "<Phonenumber", "<Phonenumber", "<Phonenumber/>"},
        {"a letter dropped", phones("", "0770090012x"), "<Phonenumber", "<Phonenumber", "<Phonenumber/>"},
        {"a bad mobile hides the telephone", phones("01134960000", "0770"), "<Phonenumber", "<Phonenumber", "<Phonenumber/>"},
        {"e-mail sent", email("john@smith.example"), "<Emailaddress", "<Emailaddress", "<Emailaddress>john@smith.example</Emailaddress>"},
        {"e-mail without a dot", email("john@localhost"), "<Emailaddress", "<Emailaddress", "<Emailaddress/>"},
        {"e-mail without an at", email("john.smith.example"), "<Emailaddress", "<Emailaddress", "<Emailaddress/>"},
        {"numeric e-mail", email("1234.5"), "<Emailaddress", "<Emailaddress", "<Emailaddress/>"},
        {"bank details sent", [](IdentityCheckRequest& r) { r.sortCode = "40-11-22"; }, "<Bankinformation", "</Bankinformation",
         "<Bankinformation>\n<Bankaccountnumber>12345678</Bankaccountnumber>\n<Banksortcode>40-11-22</Banksortcode>\n</Bankinformation>"},
        {"V526 screens watch lists", [](IdentityCheckRequest& r) { r.applicationName = "V526-X"; }, "<EmailID>",
         "<WatchlistScreening>", "<EmailID>no</EmailID>\n<WatchlistScreening>yes</WatchlistScreening>"},
        {"V512 does not", [](IdentityCheckRequest& r) { r.applicationName = "V512-API-LIVE"; }, "<EmailID>",
         "</Checksrequired>", "<EmailID>no</EmailID>\n</Checksrequired>"},
        {"names lose full stops and commas",
         [](IdentityCheckRequest& r) {
             r.member.title = "Dr.";
             r.member.forename = "J.R.";
             r.member.midname = "Ronald, Reuel";
             r.member.surname = "St. John, Jr.";
         },
         "<Title", "<Surname",
         "<Title>Dr</Title>\n<Firstname>JR</Firstname>\n<Othernames>Ronald Reuel</Othernames>\n<Surname>St John Jr</Surname>"},
    };
    for (const Variation& v : variations) {
        IdentityCheckRequest r = linesRequest();
        v.change(r);
        EXPECT_EQ(excerpt(ComposeIdentityCheckRequest(r), v.first, v.last), QLatin1String(v.expected)) << v.name;
    }
}

// Markup in a member's details arrives as the member wrote it, in a well-formed document.
TEST(IdentityCheckRequestTest, HostileValuesAreSentAsText) {
    IdentityCheckRequest r = linesRequest();
    r.member.surname = QStringLiteral("Lee</Surname><Surname>Evil");
    r.member.line1 = QStringLiteral("Flat 1 & 2 <b>\"Mill\"</b>");
    r.member.line2 = QStringLiteral("Tab\there\r\nand\x01there");
    r.password = QStringLiteral("p<&>ss");
    const QString text = ComposeIdentityCheckRequest(r);
    QMap<QString, QString> values;
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        const QString name = reader.name().toString();
        if (name == QLatin1String("Surname") || name == QLatin1String("Buildingname") ||
            name == QLatin1String("Address2") || name == QLatin1String("password"))
            values[name] = reader.readElementText();
    }
    ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(values, (QMap<QString, QString>{{"Surname", "Lee</Surname><Surname>Evil"},
                                              {"Buildingname", "Flat 1 & 2 <b>\"Mill\"</b>"},
                                              {"Address2", "Tab\there\r\nandthere"},
                                              {"password", "p<&>ss"}}));
    EXPECT_EQ(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\t")) + 3) << "one element per line";
}

TEST(IdentityCheckRequestTest, ApplicationNameAndAddress) {
    AgencyService service;
    service.callValidateLiveHost = QStringLiteral("live.agency.example");
    service.callValidateTestHost = QStringLiteral("test.agency.example:8443");
    const struct { bool uat; const char* user; const char* application; const char* name; const char* url; } cases[] = {
        {false, "cu.api", "", "V512-API-LIVE", "https://live.agency.example/callvalidateapi/incomingserver.php"},
        {true, "cu.api", "", "V454-API-CTEST", "https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
        {false, "cu.api", "V535-CU-LIVE", "V535-CU-LIVE", "https://live.agency.example/callvalidateapi/incomingserver.php"},
        {false, "cu@api.ctest", "", "V512-API-LIVE", "https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
    };
    for (const auto& c : cases) {
        AgencyCredentials credentials;
        credentials.IdentityCheckUserName = QLatin1String(c.user);
        credentials.IdentityCheckApplication = QLatin1String(c.application);
        const IdentityCheckTarget target = ChooseIdentityCheckTarget(credentials, c.uat, service);
        EXPECT_EQ(target.applicationName, QLatin1String(c.name)) << c.user;
        EXPECT_EQ(target.url, QLatin1String(c.url)) << c.user;
    }
    service.callValidateLiveHost.clear();
    EXPECT_EQ(ChooseIdentityCheckTarget(AgencyCredentials{}, false, service).url, QString());
}

// The reference is the 30 characters after PID=", or fewer up to the closing quote.
TEST(IdentityCheckAnswerTest, ResultScoreAndReference) {
    const struct { const char* answer; bool hasResult; const char* result; const char* score; const char* pid; } cases[] = {
        {"<Result PID=\"ABC-XY1-2411\"><IdentityResult>Pass</IdentityResult><IdentityScore>68</IdentityScore>", true, "Pass", "68",
         "ABC-XY1-2411"},
        {"<Result PID=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\"><IdentityResult>Fail</IdentityResult>", true, "Fail", "",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
        {"Error: 28 - Operation timed out <Success>false</Success>", false, "Fail", "", ""},
    };
    for (const auto& c : cases) {
        const IdentityAnswer read = ReadIdentityAnswer(QLatin1String(c.answer));
        EXPECT_EQ(QStringList({read.hasResult ? "yes" : "no", read.result, read.score, read.pid}),
                  QStringList({c.hasResult ? "yes" : "no", c.result, c.score, c.pid})) << c.answer;
    }
}

}  // namespace
}  // namespace autovelt
