// Parts of the credit search request that vary, and a request of hostile values whole; the member's own request is
// compared whole in CreditReportRetrievalTest.

#include "assessment/CreditSearchRequest.h"
#include "common/VeltError.h"
#include "support/ExpectedDocuments.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

const QString kNs = QStringLiteral("urn:agency.example/soap:callreport7");

QString between(const QString& text, const QString& open, const QString& close) {
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.indexOf(close, start);
    return start < 0 || end < 0 ? QString() : text.mid(start, end + close.size() - start);
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

// Markup in every kind of value stays text: the whole request, with its credentials, as the reviewed file holds it.
TEST(CreditSearchRequestTest, HostileValuesStayText) {
    CreditSearchAddress home;
    home.street1 = "</street1><injected>1</injected><street1>";
    home.postCode = "B1 <1>";
    const CreditSearchApplicant a{.reference = "12", .addresses = {home}, .title = "Dr.", .forename = "<surname>Evil</surname>",
                                  .surname = "O'Brien & \"Sons\", Ltd.", .email = "x@y.z</address><address>evil@example.org"};
    EXPECT_EQ(CreditSearchEnvelope(kNs, {"Co & Co", "user<1>", "p</password><x>"}, CreditSearchBody(kNs, a, {})),
              test::OnOneLine(test::ExpectedDocument("credit-search-request-hostile.xml")));
}

}  // namespace
