// What only the agency sandbox program's own tests check: the requests it refuses and its
// records (passwords masked, files private). Its answers, and HTTPS under its own authority,
// are used by the identity check and credit report tests.

#include "assessment/AgencyExchange.h"
#include "assessment/CreditSearchRequest.h"
#include "assessment/IdentityCheckRequest.h"
#include "support/AgencySandbox.h"

#include <QDir>
#include <QFileInfo>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <memory>

using namespace autovelt;
using autovelt::test::AgencySandbox;

namespace {

const QString kIdentityPassword = QStringLiteral("Id-Secret-4471");
const QString kCreditPassword = QStringLiteral("Cr-Secret-9902");

// Requests as the importer composes them.
QString identityRequest(const QString& password = kIdentityPassword) {
    return ComposeIdentityCheckRequest({.company = "RIVERSIDECU", .userName = "riverside.api", .password = password,
                                        .applicationName = "V454-API-CTEST", .memberNumber = 700,
                                        .member = {.forename = "Daniel", .surname = "Tester", .dateOfBirth = QDate(1984, 9, 3),
                                                   .line1 = "Rose Cottage", .postcode = "BA2 3QT"},
                                        .passDate = QDate(2026, 3, 5)});
}

QString creditRequest(const QString& ns, const QString& username = QStringLiteral("riverside.cr")) {
    CreditSearchAddress home;
    home.buildingName = QStringLiteral("Rose Cottage");
    home.postCode = QStringLiteral("BA2 3QT");
    const CreditSearchApplicant a{.reference = "700", .addresses = {home}, .forename = "Daniel", .surname = "Tester",
                                  .dateOfBirth = QDate(1984, 9, 3)};
    return CreditSearchEnvelope(ns, {"RIVERSIDECU", username, kCreditPassword}, CreditSearchBody(ns, a, {1500, 24, true}));
}

size_t collect(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

// A POST with chosen headers, for what the importer's exchange never sends: "status body".
QString rawPost(const AgencySandbox& sandbox, const QString& url, const QByteArray& contentType, const QByteArray& soapAction,
                const QByteArray& body) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    curl_slist* headers = curl_slist_append(nullptr, ("Content-Type: " + contentType).constData());
    headers = curl_slist_append(headers, ("SOAPAction: " + soapAction).constData());
    QByteArray received;
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray ca = sandbox.caFile().toLocal8Bit();
    curl_easy_setopt(curl.get(), CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(curl.get(), CURLOPT_CAINFO, ca.constData());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 10L);
    long status = 0;
    if (curl_easy_perform(curl.get()) == CURLE_OK) curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    return QString::number(status) + ' ' + QString::fromUtf8(received);
}

class AgencySandboxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sandbox = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox.reset(); }
    void SetUp() override { sandbox->clearRequests(); }

    static inline std::unique_ptr<AgencySandbox> sandbox;
};

// One row for each kind of fault the sandbox reports: a missing element, a refused login,
// broken XML, the wrong content type, SOAP action or namespace.
TEST_F(AgencySandboxTest, MalformedRequestsAreRefusedSayingWhatIsWrong) {
    const QString ns = sandbox->callReportNamespace();
    const QByteArray action = (ns + QStringLiteral("/Search07a")).toUtf8();
    const QByteArray xml = "text/xml; charset=utf-8";
    const QString id = sandbox->identityUrl(), cr = sandbox->creditUrl();
    const struct { QString url; QByteArray contentType, soapAction; QString body; const char* status; const char* expected; } cases[] = {
        {id, xml, "", QString(identityRequest()).remove("<Surname>Tester</Surname>"), "200 ",
         "<Error module=\"Validation\">The element Personalinformation/IndividualDetails/Surname is missing</Error>"},
        {id, xml, "", "<callvalidate><authentication>", "200 ", "<Error module=\"XMLParser\">"},
        {id, "application/x-www-form-urlencoded", "", identityRequest(), "200 ", "The Content-Type must be text/xml; charset=utf-8"},
        {cr, xml, "urn:other/Search07a", creditRequest(ns), "500 ", "<faultcode>soap:Client</faultcode><faultstring>The SOAPAction header"},
        {cr, xml, action, creditRequest("urn:other"), "500 ", "is in the namespace &quot;urn:other&quot;"},
        {cr, xml, action, creditRequest(ns, QString()), "500 ", "Logon failed: the username"},
    };
    for (const auto& c : cases) {
        const QString answer = rawPost(*sandbox, c.url, c.contentType, c.soapAction, c.body.toUtf8());
        EXPECT_TRUE(answer.startsWith(QLatin1String(c.status)) && answer.contains(QLatin1String(c.expected))) << answer.toStdString();
        EXPECT_FALSE(answer.contains(QLatin1String("<IdentityResult>")) || answer.contains(QLatin1String("<creditreport>")));
    }
}

TEST_F(AgencySandboxTest, RequestsAreRecordedWithPasswordsMaskedInPrivateFiles) {
    const QString ns = sandbox->callReportNamespace();
    PostXml(sandbox->service(), sandbox->identityUrl(), QString(), identityRequest());
    PostXml(sandbox->service(), sandbox->creditUrl(), ns + QStringLiteral("/Search07a"), creditRequest(ns));
    const QList<test::AgencyRequest> received = sandbox->requests();
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received[0].body, identityRequest().replace(kIdentityPassword, QStringLiteral("********")));
    EXPECT_EQ(received[1].body, creditRequest(ns).replace(kCreditPassword, QStringLiteral("********")));
    // Nobody but the account reads the certificates' folder, the key or the records.
    const QString folder = QFileInfo(sandbox->caFile()).absolutePath();
    QFileInfoList files = QDir(folder + QStringLiteral("/../requests")).entryInfoList(QDir::Files);
    EXPECT_EQ(files.size(), 2);
    files << QFileInfo(folder) << QFileInfo(folder + QStringLiteral("/server.key"));
    for (const QFileInfo& file : files) EXPECT_EQ(file.permissions() & 0x0077, QFileDevice::Permissions()) << file.filePath().toStdString();
}

}  // namespace
