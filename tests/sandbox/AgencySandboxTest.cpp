// What only the agency sandbox program's own tests check: the requests it refuses, the
// requests it records (passwords masked, files private) and HTTPS under its own authority.
// Its answers are read by the identity check and credit report tests.

#include "assessment/AgencyExchange.h"
#include "assessment/CreditSearchRequest.h"
#include "assessment/IdentityCheckRequest.h"
#include "state/InstallationConfig.h"
#include "support/AgencySandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
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
    IdentityCheckRequest r;
    r.company = QStringLiteral("RIVERSIDECU");
    r.userName = QStringLiteral("riverside.api");
    r.password = password;
    r.applicationName = QStringLiteral("V454-API-CTEST");
    r.memberNumber = 700;
    r.member.forename = QStringLiteral("Daniel");
    r.member.surname = QStringLiteral("Tester");
    r.member.dateOfBirth = QDate(1984, 9, 3);
    r.member.line1 = QStringLiteral("Rose Cottage");
    r.member.postcode = QStringLiteral("BA2 3QT");
    r.passDate = QDate(2026, 3, 5);
    return ComposeIdentityCheckRequest(r);
}

QString creditRequest(const QString& ns, const QString& username = QStringLiteral("riverside.cr")) {
    CreditSearchApplicant a;
    a.reference = QStringLiteral("700");
    CreditSearchAddress home;
    home.buildingName = QStringLiteral("Rose Cottage");
    home.postCode = QStringLiteral("BA2 3QT");
    a.addresses = {home};
    a.forename = QStringLiteral("Daniel");
    a.surname = QStringLiteral("Tester");
    a.dateOfBirth = QDate(1984, 9, 3);
    return CreditSearchEnvelope(ns, {QStringLiteral("RIVERSIDECU"), username, kCreditPassword},
                                CreditSearchBody(ns, a, {1500, 24, true}));
}

struct RawAnswer {
    long status = 0;
    QString body;
};

size_t collect(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

// A POST with chosen headers, for what the importer's exchange never sends.
RawAnswer rawPost(const AgencySandbox& sandbox, const QString& url, const QByteArray& contentType, const QByteArray& soapAction,
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
    RawAnswer answer;
    if (curl_easy_perform(curl.get()) == CURLE_OK) curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    curl_slist_free_all(headers);
    answer.body = QString::fromUtf8(received);
    return answer;
}

class AgencySandboxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sandbox = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox.reset(); }
    void SetUp() override { sandbox->clearRequests(); }

    static inline std::unique_ptr<AgencySandbox> sandbox;
};

TEST_F(AgencySandboxTest, MalformedRequestsAreRefusedSayingWhatIsWrong) {
    const QString ns = sandbox->callReportNamespace();
    const QByteArray action = (ns + QStringLiteral("/Search07a")).toUtf8();
    const QByteArray xml = "text/xml; charset=utf-8";
    const QString identity = identityRequest();
    const QString credit = creditRequest(ns);
    struct {
        const char* what;
        QString url;
        QByteArray contentType, soapAction, body;
        long status;
        const char* expected;
    } cases[] = {
        {"identity without surname", sandbox->identityUrl(), xml, "", QString(identity).remove("<Surname>Tester</Surname>").toUtf8(),
         200, "<Error module=\"Validation\">The element Personalinformation/IndividualDetails/Surname is missing</Error>"},
        {"identity without password", sandbox->identityUrl(), xml, "", identityRequest(QString()).toUtf8(), 200,
         "<Error module=\"Authentication\">Login refused: the password"},
        {"identity not XML", sandbox->identityUrl(), xml, "", "<callvalidate><authentication>", 200, "<Error module=\"XMLParser\">"},
        {"identity as form data", sandbox->identityUrl(), "application/x-www-form-urlencoded", "", identity.toUtf8(), 200,
         "The Content-Type must be text/xml; charset=utf-8"},
        {"credit with another action", sandbox->creditUrl(), xml, "urn:other/Search07a", credit.toUtf8(), 500,
         "<faultcode>soap:Client</faultcode><faultstring>The SOAPAction header"},
        {"credit in another namespace", sandbox->creditUrl(), xml, action, creditRequest("urn:other").toUtf8(), 500,
         "is in the namespace &quot;urn:other&quot;"},
        {"credit without user name", sandbox->creditUrl(), xml, action, creditRequest(ns, QString()).toUtf8(), 500,
         "Logon failed: the username"},
        {"credit without surname", sandbox->creditUrl(), xml, action, QString(credit).remove("<surname>Tester</surname>").toUtf8(),
         500, "creditrequest/applicant/name/surname is missing"},
        {"credit as plain text", sandbox->creditUrl(), "text/plain", action, credit.toUtf8(), 500, "The Content-Type must be"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RawAnswer answer = rawPost(*sandbox, c.url, c.contentType, c.soapAction, c.body);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_TRUE(answer.body.contains(QLatin1String(c.expected))) << answer.body.toStdString();
        EXPECT_FALSE(answer.body.contains(QLatin1String("<IdentityResult>")));
        EXPECT_FALSE(answer.body.contains(QLatin1String("<creditreport>")));
    }
}

// The installation's section trusts the sandbox's own authority; without it nothing is sent.
TEST_F(AgencySandboxTest, HttpsUnderItsOwnAuthorityOnly) {
    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("autovelt.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(sandbox->iniSection().toUtf8());
    ini.close();
    const InstallationConfig config = InstallationConfig::load(home.path());
    ASSERT_TRUE(config.problems.isEmpty()) << config.problems.join(QLatin1Char('\n')).toStdString();
    AgencyService agency = config.agency;
    for (const QString& host :
         {agency.callReportLiveHost, agency.callReportTestHost, agency.callValidateLiveHost, agency.callValidateTestHost})
        EXPECT_EQ(host, sandbox->host());
    EXPECT_EQ(agency.caFile, sandbox->caFile());
    const QString url = QStringLiteral("https://") + agency.callReportTestHost + QStringLiteral("/Services/CallReport/CallReport7.asmx");
    const QString action = agency.callReport7Namespace + QStringLiteral("/Search07a");
    const QString answer = PostXml(agency, url, action, creditRequest(agency.callReport7Namespace));
    EXPECT_TRUE(answer.contains(QLatin1String("<score class=\"1\">640</score>"))) << answer.toStdString();

    sandbox->clearRequests();
    agency.caFile.clear();  // the system's authorities only
    const QString refused = PostXml(agency, url, action, creditRequest(agency.callReport7Namespace));
    EXPECT_TRUE(refused.startsWith(QLatin1String("Error: "))) << refused.toStdString();
    EXPECT_TRUE(refused.endsWith(QLatin1String("<Success>false</Success>")));
    EXPECT_TRUE(sandbox->requests().isEmpty());
}

TEST_F(AgencySandboxTest, RequestsAreRecordedInOrderWithPasswordsMasked) {
    const QString ns = sandbox->callReportNamespace();
    PostXml(sandbox->service(), sandbox->identityUrl(), QString(), identityRequest());
    PostXml(sandbox->service(), sandbox->creditUrl(), ns + QStringLiteral("/Search07a"), creditRequest(ns));
    const QList<test::AgencyRequest> received = sandbox->requests();
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received[0].path, QLatin1String("/callvalidateapi/incomingserver.php"));
    EXPECT_EQ(received[1].path, QLatin1String("/Services/CallReport/CallReport7.asmx"));
    EXPECT_EQ(received[1].soapAction, ns + QLatin1String("/Search07a"));
    EXPECT_EQ(received[1].contentType, QLatin1String("text/xml; charset=utf-8"));
    QString masked = identityRequest();
    EXPECT_EQ(received[0].body, masked.replace(kIdentityPassword, QStringLiteral("********")));
    masked = creditRequest(ns);
    EXPECT_EQ(received[1].body, masked.replace(kCreditPassword, QStringLiteral("********")));
    // Nobody but the account reads the certificates' folder, the key or the records.
    const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::WriteOther | QFile::ExeOther;
    const QString folder = QFileInfo(sandbox->caFile()).absolutePath();
    EXPECT_EQ(QFileInfo(folder).permissions() & others, QFileDevice::Permissions());
    EXPECT_EQ(QFileInfo(folder + QStringLiteral("/server.key")).permissions() & others, QFileDevice::Permissions());
    const QFileInfoList records = QDir(folder + QStringLiteral("/../requests")).entryInfoList(QDir::Files);
    ASSERT_EQ(records.size(), 2);
    for (const QFileInfo& record : records) EXPECT_EQ(record.permissions() & others, QFileDevice::Permissions());
}

}  // namespace
