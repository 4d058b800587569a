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

// Lines of the document, each ended by a carriage return alone.
QString document(const QStringList& lines) { return lines.join(QLatin1Char('\r')) + QLatin1Char('\r'); }

// The lines of the document from the one holding `first` to the one holding `last`.
QString excerpt(const QString& text, const QString& first, const QString& last) {
    const qsizetype from = text.lastIndexOf(QLatin1Char('\r'), text.indexOf(first)) + 1;
    const qsizetype to = text.indexOf(QLatin1Char('\r'), text.indexOf(last)) + 1;
    return text.mid(from, to - from);
}

QStringList checks(bool watchlist) {
    QStringList lines;
    for (const char* check : {"BankStandard>yes", "BankEnhanced>yes", "CardLive>no", "CardEnhanced>no", "IDEnhanced>yes",
                              "NCOAAlert>yes", "CallValidate3D>no", "DeliveryFraud>no", "CreditScore>no", "Zodiac>no",
                              "RealTimeFraudAlerts>yes", "DeviceRisk>no", "MobileRisk>no", "EmailRisk>no", "MobileID>no",
                              "EmailID>no"}) {
        const QString c = QLatin1String(check);
        lines << QStringLiteral("\t\t\t\t\t\t<") + c + QStringLiteral("</") + c.section(QLatin1Char('>'), 0, 0) + QLatin1Char('>');
    }
    if (watchlist) lines << QStringLiteral("\t\t\t\t\t\t<WatchlistScreening>yes</WatchlistScreening>");
    return lines;
}

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

const QStringList kHead = {
    QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"), QStringLiteral("<callvalidate>"),
    QStringLiteral("\t<authentication>"), QStringLiteral("\t\t<company>RIVERSIDE</company>"),
    QStringLiteral("\t\t<username>riverside.api</username>"), QStringLiteral("\t\t<password>Secret-Pass-1</password>"),
    QStringLiteral("\t</authentication>"), QStringLiteral("\t<sessions>")};

TEST(IdentityCheckRequestTest, HomeRowWithAddressFileColumns) {
    const QStringList lines =
        kHead +
        QStringList{QStringLiteral("\t\t<session RID=\"1234\">"), QStringLiteral("\t\t\t<data>"),
                    QStringLiteral("\t\t\t\t<Personalinformation>"), QStringLiteral("\t\t\t\t\t<IndividualDetails>"),
                    QStringLiteral("\t\t\t\t\t\t<Dateofbirth>1980-02-29</Dateofbirth>"),
                    QStringLiteral("\t\t\t\t\t\t<Title>Mrs</Title>"), QStringLiteral("\t\t\t\t\t\t<Firstname>Ann</Firstname>"),
                    QStringLiteral("\t\t\t\t\t\t<Othernames/>"), QStringLiteral("\t\t\t\t\t\t<Surname>Lee</Surname>"),
                    QStringLiteral("\t\t\t\t\t\t<Phonenumber>01134960000</Phonenumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Emailaddress>ann.lee@example.com</Emailaddress>"),
                    QStringLiteral("\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>"),
                    QStringLiteral("\t\t\t\t\t</IndividualDetails>"), QStringLiteral("\t\t\t\t\t<AddressDetails>"),
                    QStringLiteral("\t\t\t\t\t\t<Abodenumber>Flat 3</Abodenumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Buildingnumber>14</Buildingnumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Buildingname>Mill House</Buildingname>"),
                    QStringLiteral("\t\t\t\t\t\t<Address1>Canal Road</Address1>"), QStringLiteral("\t\t\t\t\t\t<Address2/>"),
                    QStringLiteral("\t\t\t\t\t\t<Address3>Leeds</Address3>"),
                    QStringLiteral("\t\t\t\t\t\t<Town>West Yorkshire Metropolit</Town>"),
                    QStringLiteral("\t\t\t\t\t\t<Postcode>LS1 4AB</Postcode>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousabodenumber/>"), QStringLiteral("\t\t\t\t\t\t<Previousbuildingnumber/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousbuildingname/>"), QStringLiteral("\t\t\t\t\t\t<Previousaddress1/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousaddress2/>"), QStringLiteral("\t\t\t\t\t\t<Previousaddress3/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previoustown/>"), QStringLiteral("\t\t\t\t\t\t<Previouspostcode/>"),
                    QStringLiteral("\t\t\t\t\t</AddressDetails>"), QStringLiteral("\t\t\t\t\t<Checksrequired>")} +
        checks(false) +
        QStringList{QStringLiteral("\t\t\t\t\t</Checksrequired>"), QStringLiteral("\t\t\t\t</Personalinformation>"),
                    QStringLiteral("\t\t\t\t<Bankinformation>"),
                    QStringLiteral("\t\t\t\t\t<Bankaccountnumber>12345678</Bankaccountnumber>"),
                    QStringLiteral("\t\t\t\t\t<Banksortcode>40-11-22</Banksortcode>"), QStringLiteral("\t\t\t\t</Bankinformation>"),
                    QStringLiteral("\t\t\t\t<DeviceDetails/>"), QStringLiteral("\t\t\t</data>"), QStringLiteral("\t\t</session>"),
                    QStringLiteral("\t</sessions>"), QStringLiteral("\t<application>V512-API-LIVE</application>"),
                    QStringLiteral("</callvalidate>")};
    EXPECT_EQ(ComposeIdentityCheckRequest(pafRequest()), document(lines));
}

TEST(IdentityCheckRequestTest, HomeRowWithLinesOnlyAndARecentMove) {
    const QStringList lines =
        kHead +
        QStringList{QStringLiteral("\t\t<session RID=\"77\">"), QStringLiteral("\t\t\t<data>"),
                    QStringLiteral("\t\t\t\t<Personalinformation>"), QStringLiteral("\t\t\t\t\t<IndividualDetails>"),
                    QStringLiteral("\t\t\t\t\t\t<Dateofbirth/>"), QStringLiteral("\t\t\t\t\t\t<Title>Mr</Title>"),
                    QStringLiteral("\t\t\t\t\t\t<Firstname>John</Firstname>"),
                    QStringLiteral("\t\t\t\t\t\t<Othernames>Paul</Othernames>"),
                    QStringLiteral("\t\t\t\t\t\t<Surname>Smith-Jones</Surname>"),
                    QStringLiteral("\t\t\t\t\t\t<Phonenumber>07700900123</Phonenumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Emailaddress/>"),
                    QStringLiteral("\t\t\t\t\t\t<addresslessthan12months>true</addresslessthan12months>"),
                    QStringLiteral("\t\t\t\t\t</IndividualDetails>"), QStringLiteral("\t\t\t\t\t<AddressDetails>"),
                    QStringLiteral("\t\t\t\t\t\t<Abodenumber/>"), QStringLiteral("\t\t\t\t\t\t<Buildingnumber>12</Buildingnumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Buildingname/>"), QStringLiteral("\t\t\t\t\t\t<Address1>A High Street</Address1>"),
                    QStringLiteral("\t\t\t\t\t\t<Address2>Headingley</Address2>"),
                    QStringLiteral("\t\t\t\t\t\t<Address3>Leeds</Address3>"),
                    QStringLiteral("\t\t\t\t\t\t<Town>West Yorkshire</Town>"), QStringLiteral("\t\t\t\t\t\t<Postcode>LS6 3AA</Postcode>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousabodenumber/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousbuildingnumber>7</Previousbuildingnumber>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousbuildingname/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousaddress1>Park Lane</Previousaddress1>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousaddress2/>"),
                    QStringLiteral("\t\t\t\t\t\t<Previousaddress3>Bradford</Previousaddress3>"),
                    QStringLiteral("\t\t\t\t\t\t<Previoustown>West Yorkshire</Previoustown>"),
                    QStringLiteral("\t\t\t\t\t\t<Previouspostcode>BD1 1AA</Previouspostcode>"),
                    QStringLiteral("\t\t\t\t\t</AddressDetails>"), QStringLiteral("\t\t\t\t\t<Checksrequired>")} +
        checks(true) +
        QStringList{QStringLiteral("\t\t\t\t\t</Checksrequired>"), QStringLiteral("\t\t\t\t</Personalinformation>"),
                    QStringLiteral("\t\t\t\t<Bankinformation/>"), QStringLiteral("\t\t\t\t<DeviceDetails/>"),
                    QStringLiteral("\t\t\t</data>"), QStringLiteral("\t\t</session>"), QStringLiteral("\t</sessions>"),
                    QStringLiteral("\t<application>V535-API-LIVE</application>"), QStringLiteral("</callvalidate>")};
    EXPECT_EQ(ComposeIdentityCheckRequest(linesRequest()), document(lines));
}

// One variation of the lines-only request and the lines it must give, from the line
// holding `first` to the line holding `last`.
struct Variation {
    const char* name;
    std::function<void(IdentityCheckRequest&)> change;
    const char* first;
    const char* last;
    QStringList expected;
};

QStringList previousLines(const QStringList& values) {
    static const char* const kNames[] = {"Previousabodenumber", "Previousbuildingnumber", "Previousbuildingname",
                                         "Previousaddress1",    "Previousaddress2",       "Previousaddress3",
                                         "Previoustown",        "Previouspostcode"};
    QStringList lines;
    for (int i = 0; i < 8; ++i) {
        const QString name = QLatin1String(kNames[i]);
        lines << (values.value(i).isEmpty() ? QStringLiteral("\t\t\t\t\t\t<") + name + QStringLiteral("/>")
                                            : QStringLiteral("\t\t\t\t\t\t<") + name + QLatin1Char('>') + values[i] +
                                                  QStringLiteral("</") + name + QLatin1Char('>'));
    }
    return lines;
}

const QStringList kParkLane = {QString(), QStringLiteral("7"), QString(), QStringLiteral("Park Lane"), QString(),
                               QStringLiteral("Bradford"), QStringLiteral("West Yorkshire"), QStringLiteral("BD1 1AA")};

QString phoneLine(const QString& number) {
    return number.isEmpty() ? QStringLiteral("\t\t\t\t\t\t<Phonenumber/>")
                            : QStringLiteral("\t\t\t\t\t\t<Phonenumber>") + number + QStringLiteral("</Phonenumber>");
}
QString emailLine(const QString& email) {
    return email.isEmpty() ? QStringLiteral("\t\t\t\t\t\t<Emailaddress/>")
                           : QStringLiteral("\t\t\t\t\t\t<Emailaddress>") + email + QStringLiteral("</Emailaddress>");
}
auto phones(const char* phone, const char* mobile) {
    return [=](IdentityCheckRequest& r) {
        r.member.phoneNumber = QString::fromUtf8(phone);
        r.member.mobileNumber = QString::fromUtf8(mobile);
    };
}
auto email(const char* address) {
    return [=](IdentityCheckRequest& r) { r.email = QString::fromUtf8(address); };
}
auto months(int m) {
    return [=](IdentityCheckRequest& r) { r.member.effectiveFrom = kPassDate.addMonths(-m); };
}

TEST(IdentityCheckRequestTest, ChoicesOfTheRequestValues) {
    const Variation variations[] = {
        {"20 months: earlier address sent", months(20), "<Previousabodenumber", "<Previouspostcode", previousLines(kParkLane)},
        {"20 months: not under a year", months(20), "<addresslessthan12months>", "<addresslessthan12months>",
         {"\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>"}},
        {"40 months: no earlier address", months(40), "<Previousabodenumber", "<Previouspostcode", previousLines({})},
        {"8 months", months(8), "<Previousabodenumber", "<Previouspostcode", previousLines(kParkLane)},
        {"calendar months: April 2025 is 11", [](IdentityCheckRequest& r) { r.member.effectiveFrom = QDate(2025, 4, 30); },
         "<addresslessthan12months>", "<addresslessthan12months>", {"\t\t\t\t\t\t<addresslessthan12months>true</addresslessthan12months>"}},
        {"calendar months: 31 March 2025 is 12", [](IdentityCheckRequest& r) { r.member.effectiveFrom = QDate(2025, 3, 31); },
         "<addresslessthan12months>", "<addresslessthan12months>", {"\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>"}},
        {"35 months", months(35), "<addresslessthan12months>", "<addresslessthan12months>",
         {"\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>"}},
        {"no move-in date", [](IdentityCheckRequest& r) { r.member.effectiveFrom.reset(); }, "<addresslessthan12months>",
         "<addresslessthan12months>", {"\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>"}},
        {"no move-in date: no earlier address", [](IdentityCheckRequest& r) { r.member.effectiveFrom.reset(); },
         "<Previousabodenumber", "<Previouspostcode", previousLines({})},
        {"earlier row without a postcode",
         [](IdentityCheckRequest& r) { r.member.effectiveFrom = kPassDate.addMonths(-20); r.previousAddress->postCode.clear(); },
         "<Previousabodenumber", "<Previouspostcode", previousLines({})},
        {"earlier address values cut",
         [](IdentityCheckRequest& r) {
             r.previousAddress = PafColumns{QString(31, 'F'), QStringLiteral("1234567890123"), QStringLiteral("The Old Mill"),
                                            QStringLiteral("Long Lane"), QStringLiteral("Upper End"), QString(36, 'T'),
                                            QString(26, 'C'), QStringLiteral("BD10 1AAX")};
         },
         "<Previousabodenumber", "<Previouspostcode",
         previousLines({QString(30, 'F'), QStringLiteral("123456789012"), QStringLiteral("The Old Mill"),
                        QStringLiteral("Long Lane"), QStringLiteral("Upper End"), QString(35, 'T'), QString(25, 'C'),
                        QStringLiteral("BD10 1AA")})},
        {"line beginning with a letter", [](IdentityCheckRequest& r) { r.member.line1 = QStringLiteral("Rose Cottage"); },
         "<Abodenumber", "<Address1",
         {"\t\t\t\t\t\t<Abodenumber/>", "\t\t\t\t\t\t<Buildingnumber/>", "\t\t\t\t\t\t<Buildingname>Rose Cottage</Buildingname>",
          "\t\t\t\t\t\t<Address1/>"}},
        {"line of digits only", [](IdentityCheckRequest& r) { r.member.line1 = QStringLiteral("221"); }, "<Buildingnumber",
         "<Address1",
         {"\t\t\t\t\t\t<Buildingnumber>221</Buildingnumber>", "\t\t\t\t\t\t<Buildingname/>", "\t\t\t\t\t\t<Address1/>"}},
        {"lines town and postcode cut",
         [](IdentityCheckRequest& r) { r.member.line4 = QString(26, 'W'); r.member.postcode = QStringLiteral("LS6  3AAX"); },
         "<Town", "<Postcode>", {"\t\t\t\t\t\t<Town>" + QString(25, 'W') + "</Town>", "\t\t\t\t\t\t<Postcode>LS6  3AA</Postcode>"}},
        {"mobile wins", phones("0113 496 0000", "07700 900123"), "<Phonenumber", "<Phonenumber", {phoneLine("07700900123")}},
        {"home telephone without a mobile", phones("0113 496 0000", ""), "<Phonenumber", "<Phonenumber", {phoneLine("01134960000")}},
        {"mobile of blanks", phones("01134960000", "   "), "<Phonenumber", "<Phonenumber", {phoneLine("01134960000")}},
        {"ten digits dropped", phones("0113496000", ""), "<Phonenumber", "<Phonenumber", {phoneLine("")}},
        {"twelve digits dropped", phones("", "077009001234"), "<Phonenumber", "<Phonenumber", {phoneLine("")}},
        {"a letter dropped", phones("", "0770090012x"), "<Phonenumber", "<Phonenumber", {phoneLine("")}},
        {"bad mobile hides the telephone", phones("01134960000", "0770"), "<Phonenumber", "<Phonenumber", {phoneLine("")}},
        {"no telephone", phones("", ""), "<Phonenumber", "<Phonenumber", {phoneLine("")}},
        {"e-mail sent", email("john@smith.example"), "<Emailaddress", "<Emailaddress", {emailLine("john@smith.example")}},
        {"e-mail without a dot", email("john@localhost"), "<Emailaddress", "<Emailaddress", {emailLine("")}},
        {"e-mail without an at", email("john.smith.example"), "<Emailaddress", "<Emailaddress", {emailLine("")}},
        {"numeric e-mail", email("1234.5"), "<Emailaddress", "<Emailaddress", {emailLine("")}},
        {"bank details sent", [](IdentityCheckRequest& r) { r.sortCode = QStringLiteral("40-11-22"); }, "<Bankinformation",
         "</Bankinformation",
         {"\t\t\t\t<Bankinformation>", "\t\t\t\t\t<Bankaccountnumber>12345678</Bankaccountnumber>",
          "\t\t\t\t\t<Banksortcode>40-11-22</Banksortcode>", "\t\t\t\t</Bankinformation>"}},
        {"account number alone not sent", [](IdentityCheckRequest&) {}, "<Bankinformation", "<Bankinformation",
         {"\t\t\t\t<Bankinformation/>"}},
        {"V526 screens watch lists", [](IdentityCheckRequest& r) { r.applicationName = QStringLiteral("V526-X"); },
         "<EmailID>", "<WatchlistScreening>",
         {"\t\t\t\t\t\t<EmailID>no</EmailID>", "\t\t\t\t\t\t<WatchlistScreening>yes</WatchlistScreening>"}},
        {"V512 does not", [](IdentityCheckRequest& r) { r.applicationName = QStringLiteral("V512-API-LIVE"); }, "<EmailID>",
         "</Checksrequired>", {"\t\t\t\t\t\t<EmailID>no</EmailID>", "\t\t\t\t\t</Checksrequired>"}},
        {"names lose full stops and commas",
         [](IdentityCheckRequest& r) {
             r.member.title = QStringLiteral("Dr.");
             r.member.forename = QStringLiteral("J.R.");
             r.member.midname = QStringLiteral("Ronald, Reuel");
             r.member.surname = QStringLiteral("St. John, Jr.");
         },
         "<Title", "<Surname",
         {"\t\t\t\t\t\t<Title>Dr</Title>", "\t\t\t\t\t\t<Firstname>JR</Firstname>",
          "\t\t\t\t\t\t<Othernames>Ronald Reuel</Othernames>", "\t\t\t\t\t\t<Surname>St John Jr</Surname>"}},
    };
    for (const Variation& v : variations) {
        IdentityCheckRequest r = linesRequest();
        v.change(r);
        const QString text = ComposeIdentityCheckRequest(r);
        EXPECT_EQ(excerpt(text, QLatin1String(v.first), QLatin1String(v.last)), document(v.expected)) << v.name;
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
    struct Case {
        bool uat;
        const char* user;
        const char* application;
        const char* name;
        const char* url;
    } cases[] = {
        {false, "cu.api", "", "V512-API-LIVE", "https://live.agency.example/callvalidateapi/incomingserver.php"},
        {true, "cu.api", "", "V454-API-CTEST", "https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
        {false, "cu.api", "V535-CU-LIVE", "V535-CU-LIVE", "https://live.agency.example/callvalidateapi/incomingserver.php"},
        {false, "cu@api.ctest", "", "V512-API-LIVE", "https://test.agency.example:8443/callvalidateapi/incomingserver.php"},
    };
    for (const Case& c : cases) {
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

TEST(IdentityCheckAnswerTest, ResultScoreAndReference) {
    struct Case {
        const char* answer;
        bool hasResult;
        const char* result;
        const char* score;
        const char* pid;
    } cases[] = {
        {"<Result RID=\"7\" PID=\"ABC-XY1-2411-20135-81234\" DateTime=\"05-03-2026 10:15\"><IdentityResult>Pass"
         "</IdentityResult><IdentityScore>68</IdentityScore>",
         true, "Pass", "68", "ABC-XY1-2411-20135-81234"},
        {"<Result PID=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\"><IdentityResult>Fail</IdentityResult>", true, "Fail", "",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
        {"", false, "Fail", "", ""},
        {"Error: 28 - Operation timed out <Success>false</Success>", false, "Fail", "", ""},
    };
    for (const Case& c : cases) {
        const IdentityAnswer read = ReadIdentityAnswer(QLatin1String(c.answer));
        EXPECT_EQ(read.hasResult, c.hasResult) << c.answer;
        EXPECT_EQ(read.result, QLatin1String(c.result)) << c.answer;
        EXPECT_EQ(read.score, QLatin1String(c.score)) << c.answer;
        EXPECT_EQ(read.pid, QLatin1String(c.pid)) << c.answer;
    }
}

}  // namespace
}  // namespace autovelt
