// Parts of the credit search request that vary; the whole request is compared in
// CreditReportRetrievalTest.

#include "assessment/CreditSearchRequest.h"
#include "common/VeltError.h"
#include "support/QtPrinters.h"

#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

const QString kNs = QStringLiteral("urn:agency.example/soap:callreport7");

QString between(const QString& text, const QString& open, const QString& close) {
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.indexOf(close, start);
    return start < 0 || end < 0 ? QString() : text.mid(start, end + close.size() - start);
}

// The names of every element of a document, in order; empty when it is not well-formed.
QStringList elementNames(const QString& xml) {
    QStringList names;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement) names << reader.name().toString();
    return reader.hasError() ? QStringList() : names;
}

// Each telephone as "std number", or "-" when it is dropped.
TEST(CreditSearchRequestTest, TelephonesAreCleanedAndSplit) {
    const struct { bool mobile; const char* held; const char* parts; } cases[] = {
        {false, "0121 496 0000", "0121 4960000"}, {false, "020 7946 0000", "0207 9460000"}, {false, "01632 960000", "01632 960000"},
        {false, "(0161)-496:0000", "0161 4960000"}, {false, "07700 900123", "-"}, {false, "0121 496 000", "-"},
        {false, "0121 496 00x0", "-"}, {true, "07700900123", "07700 900123"}, {true, "07700 90012", "07700 90012"},
        {true, "0770090012", "-"}, {true, "", "-"},
    };
    for (const auto& c : cases) {
        const auto parts = c.mobile ? MobileTelephoneParts(c.held) : HomeTelephoneParts(c.held);
        EXPECT_EQ(parts ? parts->std + ' ' + parts->number : QStringLiteral("-"), c.parts) << c.held;
    }
}

TEST(CreditSearchRequestTest, TermInMonthsAndAsText) {
    const struct { const char* frequency; const char* repayments; int months; const char* text; } cases[] = {
        {"M", "18", 18, "P1Y6M0D"}, {"W", "78", 18, "P1Y6M0D"}, {"F", "39", 18, "P1Y6M0D"}, {"4", "13", 12, "P1Y0M0D"},
        {"M", "2.5", 2, "P0Y2M0D"}, {"M", "3.5", 4, "P0Y4M0D"}, {"X", "18", 0, "P0Y0M0D"},
    };
    for (const auto& c : cases) {
        const int months = CreditSearchTermMonths(c.frequency, c.repayments);
        EXPECT_EQ(QString::number(months) + ' ' + CreditSearchTermText(months), QString::number(c.months) + ' ' + c.text) << c.repayments;
    }
    EXPECT_EQ(CreditSearchTermMonths("M", "32767"), 32767);
    EXPECT_THROW(CreditSearchTermMonths("M", "32768"), VeltError);
}

TEST(CreditSearchRequestTest, ContactHoldsEmailAndTelephones) {
    const struct { const char* email; const char* phone; const char* mobile; const char* contact; } cases[] = {
        {"ann-at-example.org", "07700 900123", "", "<contact><email/></contact>"},
        {"ann@example", "01632 960000", "",
         "<contact><email/><telephone><type>13</type><std>01632</std><number>960000</number></telephone></contact>"},
    };
    for (const auto& c : cases) {
        const CreditSearchApplicant a{.email = c.email, .phoneNumber = c.phone, .mobileNumber = c.mobile};
        EXPECT_EQ(between(CreditSearchBody(kNs, a, {}), "<contact>", "</contact>"), c.contact) << c.email;
    }
}

TEST(CreditSearchRequestTest, AddressValuesAreCutBeforeEscaping) {
    CreditSearchAddress a;
    a.flatNumber = QString(29, 'F') + "&x";
    a.buildingNumber = "1234567890123";
    a.town = QString(34, 'T') + "&";
    a.county = QString(26, 'C');
    a.postCode = "B29 6AA XYZ";
    EXPECT_EQ(CreditSearchAddressBlock(a),
              "<address><abodeno>" + QString(29, 'F') + "&amp;</abodeno><buildingno>123456789012</buildingno>"
              "<buildingname/><street1/><street2/><locality>" + QString(34, 'T') + "&amp;</locality><posttown>" +
              QString(25, 'C') + "</posttown><postcode>B29 6AA </postcode></address>");
}

TEST(CreditSearchRequestTest, HostileValuesStayText) {
    CreditSearchAddress home;
    home.street1 = "</street1><injected>1</injected><street1>";
    home.postCode = "B1 <1>";
    const CreditSearchApplicant a{.reference = "12", .addresses = {home}, .title = "Dr.", .forename = "<surname>Evil</surname>",
                                  .surname = "O'Brien & \"Sons\", Ltd.", .email = "x@y.z</address><address>evil@example.org"};
    const QString body = CreditSearchBody(kNs, a, {});
    EXPECT_EQ(CreditSearchNameBlock(a),
              "<name><title>Dr</title><forename>&lt;surname&gt;Evil&lt;/surname&gt;</forename><othernames/>"
              "<surname>O&apos;Brien &amp; &quot;Sons&quot; Ltd</surname></name>");
    EXPECT_TRUE(body.contains("<street1>&lt;/street1&gt;&lt;injected&gt;1&lt;/injected&gt;&lt;street1&gt;</street1>"));
    EXPECT_TRUE(body.contains("<postcode>B1 &lt;1&gt;</postcode>"));
    EXPECT_TRUE(body.contains("<address>x@y.z&lt;/address&gt;&lt;address&gt;evil@example.org</address>"));
    const QString envelope = CreditSearchEnvelope(kNs, {"Co & Co", "user<1>", "p</password><x>"}, body);
    EXPECT_TRUE(envelope.contains("<company>Co &amp; Co</company><username>user&lt;1&gt;</username>"
                                  "<password>p&lt;/password&gt;&lt;x&gt;</password>"));
    const QStringList names = elementNames(envelope);
    EXPECT_EQ(names.count("injected"), 0);
    EXPECT_EQ(names.count("surname"), 1);
    EXPECT_EQ(names.count("address"), 2);  // the home address and the e-mail's
    EXPECT_EQ(names.count("x"), 0);
}

}  // namespace
