// The agency sandbox program over real HTTPS: every persona's answer (read by the
// importer's own exchange and credit rules), refusals of malformed requests, certificate
// verification, the slow agency, and the recorded requests with passwords masked.

#include "assessment/AgencyExchange.h"
#include "assessment/CreditReport.h"
#include "assessment/CreditRules.h"
#include "state/InstallationConfig.h"
#include "support/AgencySandbox.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <memory>

using namespace autovelt;
using autovelt::test::AgencySandbox;

namespace {

const QString kIdentityPassword = QStringLiteral("Id-Secret-4471");
const QString kCreditPassword = QStringLiteral("Cr-Secret-9902");

// An identity check request in the importer's layout (lines ended by a carriage return).
QString identityRequest(const QString& surname, const QString& password = kIdentityPassword) {
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<callvalidate>\n\t<authentication>\n\t\t<company>RIVERSIDECU</company>\n"
        "\t\t<username>riverside.api</username>\n\t\t<password>%2</password>\n\t</authentication>\n\t<sessions>\n"
        "\t\t<session RID=\"700\">\n\t\t\t<data>\n\t\t\t\t<Personalinformation>\n\t\t\t\t\t<IndividualDetails>\n"
        "\t\t\t\t\t\t<Dateofbirth>1984-09-03</Dateofbirth>\n\t\t\t\t\t\t<Title>Mr</Title>\n\t\t\t\t\t\t<Firstname>Daniel</Firstname>\n"
        "\t\t\t\t\t\t<Othernames/>\n\t\t\t\t\t\t<Surname>%1</Surname>\n\t\t\t\t\t\t<Phonenumber>01632960123</Phonenumber>\n"
        "\t\t\t\t\t\t<Emailaddress/>\n\t\t\t\t\t\t<addresslessthan12months>false</addresslessthan12months>\n"
        "\t\t\t\t\t</IndividualDetails>\n\t\t\t\t\t<AddressDetails>\n\t\t\t\t\t\t<Buildingname>Rose Cottage</Buildingname>\n"
        "\t\t\t\t\t\t<Address1>Mill Lane</Address1>\n\t\t\t\t\t\t<Town>Bath</Town>\n\t\t\t\t\t\t<Postcode>BA2 3QT</Postcode>\n"
        "\t\t\t\t\t</AddressDetails>\n\t\t\t\t\t<Checksrequired>\n\t\t\t\t\t\t<BankStandard>yes</BankStandard>\n"
        "\t\t\t\t\t\t<BankEnhanced>yes</BankEnhanced>\n\t\t\t\t\t\t<CardLive>no</CardLive>\n\t\t\t\t\t</Checksrequired>\n"
        "\t\t\t\t</Personalinformation>\n\t\t\t\t<Bankinformation>\n\t\t\t\t\t<Bankaccountnumber>31926819</Bankaccountnumber>\n"
        "\t\t\t\t\t<Banksortcode>601613</Banksortcode>\n\t\t\t\t</Bankinformation>\n\t\t\t\t<DeviceDetails/>\n\t\t\t</data>\n"
        "\t\t</session>\n\t</sessions>\n\t<application>V454-API-CTEST</application>\n</callvalidate>\n")
                      .arg(surname, password);
    xml.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return xml;
}

// A credit search envelope in the importer's layout.
QString creditRequest(const QString& ns, const QString& surname, const QString& username = QStringLiteral("riverside.cr")) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
               "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Header>"
               "<callcreditheaders xmlns=\"%1\"><company>RIVERSIDECU</company><username>%3</username><password>%4</password>"
               "</callcreditheaders></soap:Header><soap:Body><Search07a xmlns=\"%1\"><SearchDefinition><yourreference>700</yourreference>"
               "<creditrequest schemaversion=\"7.1\" datasets=\"511\"><applicant><address><abodeno/><buildingno/>"
               "<buildingname>Rose Cottage</buildingname><street1>Mill Lane</street1><street2/><locality>Bath</locality><posttown/>"
               "<postcode>BA2 3QT</postcode></address><name><title>Mr</title><forename>Daniel</forename><othernames/>"
               "<surname>%2</surname></name><dob>1984-09-03</dob><applicantdemographics><contact><email/></contact><employment/>"
               "</applicantdemographics></applicant><score>1</score><purpose>CA</purpose><credittype>PU</credittype>"
               "<balorlim>1500</balorlim><term>P2Y0M0D</term><autosearch>0</autosearch><autosearchmaximum>1</autosearchmaximum>"
               "</creditrequest></SearchDefinition></Search07a></soap:Body></soap:Envelope>")
        .arg(ns, surname, username, kCreditPassword);
}

bool isWellFormed(const QString& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) reader.readNext();
    return !reader.hasError();
}

struct RawAnswer {
    long status = 0;
    QString body;
};

size_t collect(char* data, size_t size, size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, qsizetype(size * count));
    return size * count;
}

// A POST with chosen headers, for what the importer's exchange never sends; the HTTP
// status comes back too.
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

    static QString askIdentity(const QString& body) { return PostXml(sandbox->service(), sandbox->identityUrl(), QString(), body); }
    static QString askCredit(const QString& body) {
        return PostXml(sandbox->service(), sandbox->creditUrl(), sandbox->callReportNamespace() + QStringLiteral("/Search07a"), body);
    }

    static inline std::unique_ptr<AgencySandbox> sandbox;
};

struct IdentityCase {
    const char* surname;
    const char* expected;  // a text the answer holds
    const char* absent;    // a text it must not hold (empty: none)
};

TEST_F(AgencySandboxTest, EachIdentityPersonaGivesItsAnswer) {
    const IdentityCase cases[] = {
        {"Tester", "<IdentityResult>Pass</IdentityResult><IdentityScore>68</IdentityScore>", "<RESULT>F"},
        {"IDFAIL", "<IdentityResult>Fail</IdentityResult><IdentityScore>43</IdentityScore>", ""},
        {"Bankclosed", "<BankAccountClosedWarning>true", ""},
        {"bankmismatch", "<BankAccountPremiumIdentityMatch>false</BankAccountPremiumIdentityMatch>", ""},
        {"Bankinvalid", "Validation Failure INVALID - Account Number", ""},
        {"Bankenhanced", "<BankcheckEnhanced><RESULT>F", ""},
        {"Thinfile", "<IdentityResult>Pass</IdentityResult>", "<matchlevel>IndividualReport</matchlevel>"},
        {"Politic", "<CountOfPEPs>2<", ""},
        {"Sanctioned", "<CountOfSanctions>1<", ""},
        {"Refused", "<Errors><Error module=\"Authentication\">", "<Displays>"},
        {"Fatal", "<FatalError>", "<IdentityResult>"},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.surname);
        const QString answer = askIdentity(identityRequest(QLatin1String(c.surname)));
        EXPECT_TRUE(answer.contains(QLatin1String(c.expected))) << answer.toStdString();
        if (*c.absent) {
            EXPECT_FALSE(answer.contains(QLatin1String(c.absent))) << answer.toStdString();
        }
        EXPECT_TRUE(answer.startsWith(QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Results APIVERSION=")));
        EXPECT_TRUE(isWellFormed(answer));
    }
}

TEST_F(AgencySandboxTest, PassingIdentityAnswerCarriesEverythingTheImporterReads) {
    const QString answer = askIdentity(identityRequest(QStringLiteral("Tester")));
    for (const char* text : {"<Result RID=\"700\" PID=\"", "<matchlevel>IndividualReport</matchlevel>", "<BankAccountClosedWarning>false",
                             "<BankAccountPremiumIdentityMatch>true", "<BankcheckEnhanced><RESULT>P", "<CountOfPEPs>0<",
                             "<CountOfSanctions>0<", "</Displays><Errors/></Result>"})
        EXPECT_TRUE(answer.contains(QLatin1String(text))) << text;
    // The importer takes the 30 characters after PID=" as the reference.
    const QString reference = answer.mid(answer.indexOf(QLatin1String("PID=")) + 5, 30);
    EXPECT_FALSE(reference.contains(QLatin1Char('"'))) << reference.toStdString();
}

TEST_F(AgencySandboxTest, BrokenIdentityAnswersAreEmptyGarbledOrLate) {
    EXPECT_EQ(askIdentity(identityRequest(QStringLiteral("Emptyanswer"))), QString());
    const QString garbled = askIdentity(identityRequest(QStringLiteral("Garbled")));
    EXPECT_FALSE(garbled.isEmpty());
    EXPECT_FALSE(isWellFormed(garbled));
    AgencyService impatient = sandbox->service();
    impatient.timeoutSeconds = 1;  // the sandbox holds a Slowpoke answer for longer
    const QString late = PostXml(impatient, sandbox->identityUrl(), QString(), identityRequest(QStringLiteral("Slowpoke")));
    EXPECT_TRUE(late.startsWith(QLatin1String("Error: 28 - "))) << late.toStdString();
}

struct CreditCase {
    const char* surname;
    const char* entry;   // a decision summary entry the rules write for the report
    const char* letter;  // the decision
};

TEST_F(AgencySandboxTest, EachCreditPersonaDrivesTheCreditRules) {
    RuleBook book;
    auto rule = [](const char* code, double min, double max, const char* band) {
        return CreditRule{QLatin1String(code), QString::number(min), QString::number(max), min, max, QLatin1String(band)};
    };
    book.creditRules = {rule("CR01A", 0, 0, "R"),  rule("CR02A", 1, 99, "F"),  rule("CR02D", 1, 1, "F"),
                        rule("CR03C", 1, 99, "R"), rule("CR03E", 2, 99, "F"),  rule("CR05A", 4, 99, "R"),
                        rule("CR07A", 0, 420, "R"), rule("CR08A", 1, 99, "F"), rule("CR09A", 45, 99999, "R")};
    RuleAnswers answers;
    answers.memberNumber = answers.newMemberNumber = 700;
    answers.income = QStringLiteral("1500");
    const CreditCase cases[] = {
        {"Tester", "700|CR07A|0-420|640|P|", "P"},
        {"Judged", "700|CR02A|1-99|2|F|", "F"},
        {"Defaulter", "700|CR03E|2-99|2|F|", "F"},
        {"Searcher", "700|CR05A|4-99|6|R|", "R"},
        {"Fraudmark", "700|CR08A|1-99|1|F|", "F"},
        {"INSOLVENT", "700|CR02D|1-1|1|F|", "F"},
        // The mortgage's payment is left out: (25 + 118) / 1500, not (742 + 25 + 118) / 1500.
        {"Homeowner", "700|CR09A|45-99999|10|P|", "P"},
        {"Noscore", "700|CR07A|0-420|0|R|", "R"},
        {"Unmatched", "700|CR01A|0-0|1|R|", "R"},
    };
    for (const CreditCase& c : cases) {
        SCOPED_TRACE(c.surname);
        const QString answer = askCredit(creditRequest(sandbox->callReportNamespace(), QLatin1String(c.surname)));
        EXPECT_TRUE(answer.startsWith(QLatin1String("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope")));
        EXPECT_TRUE(answer.contains(QLatin1String("<Search07aResponse xmlns=\"") + sandbox->callReportNamespace() + QLatin1String("\">")));
        EXPECT_TRUE(answer.contains(QLatin1String("<jobdetails><searchid>{")));
        EXPECT_TRUE(CreditReport::read(answer).fault().isEmpty());
        struct : RuleEffects {
            void problem(const QString&) override {}
            void success(const QString&) override {}
        } quiet;
        RuleOutcome outcome;
        EvaluateCreditRules(answer, book, answers, quiet, outcome);
        EXPECT_TRUE(outcome.summary.contains(QLatin1String(c.entry))) << outcome.summary.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(outcome.letter, QLatin1String(c.letter));
    }
}

TEST_F(AgencySandboxTest, CreditFailuresComeBackAsTheAgencySendsThem) {
    struct {
        const char* surname;
        long status;
        const char* expected;
    } cases[] = {
        {"Faulted", 500, "<faultstring>"},
        {"Errored", 200, "<Error>"},
        {"Emptyanswer", 200, ""},
    };
    const QByteArray action = (sandbox->callReportNamespace() + QStringLiteral("/Search07a")).toUtf8();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.surname);
        const RawAnswer answer = rawPost(*sandbox, sandbox->creditUrl(), "text/xml; charset=utf-8", action,
                                         creditRequest(sandbox->callReportNamespace(), QLatin1String(c.surname)).toUtf8());
        EXPECT_EQ(answer.status, c.status);
        if (*c.expected) {
            EXPECT_TRUE(answer.body.contains(QLatin1String(c.expected))) << answer.body.toStdString();
        } else {
            EXPECT_TRUE(answer.body.isEmpty());
        }
    }
    const QString garbled = askCredit(creditRequest(sandbox->callReportNamespace(), QStringLiteral("Garbled")));
    EXPECT_FALSE(CreditReport::read(garbled).fault().isEmpty());
}

TEST_F(AgencySandboxTest, MalformedRequestsAreRefusedSayingWhatIsWrong) {
    const QString ns = sandbox->callReportNamespace();
    const QByteArray action = (ns + QStringLiteral("/Search07a")).toUtf8();
    const QByteArray xml = "text/xml; charset=utf-8";
    QString noSurname = identityRequest(QStringLiteral("Tester"));
    noSurname.remove(QStringLiteral("<Surname>Tester</Surname>"));
    struct {
        const char* what;
        QString url;
        QByteArray contentType, soapAction, body;
        long status;
        const char* expected;
    } cases[] = {
        {"identity without surname", sandbox->identityUrl(), xml, "", noSurname.toUtf8(), 200,
         "<Error module=\"Validation\">The element Personalinformation/IndividualDetails/Surname is missing</Error>"},
        {"identity without password", sandbox->identityUrl(), xml, "", identityRequest(QStringLiteral("Tester"), QString()).toUtf8(), 200,
         "<Error module=\"Authentication\">Login refused: the password"},
        {"identity not XML", sandbox->identityUrl(), xml, "", "<callvalidate><authentication>", 200, "<Error module=\"XMLParser\">"},
        {"identity as form data", sandbox->identityUrl(), "application/x-www-form-urlencoded", "",
         identityRequest(QStringLiteral("Tester")).toUtf8(), 200, "The Content-Type must be text/xml; charset=utf-8"},
        {"credit with another action", sandbox->creditUrl(), xml, "urn:other/Search07a", creditRequest(ns, QStringLiteral("Tester")).toUtf8(),
         500, "<faultcode>soap:Client</faultcode><faultstring>The SOAPAction header"},
        {"credit in another namespace", sandbox->creditUrl(), xml, action, creditRequest(QStringLiteral("urn:other"), QStringLiteral("Tester")).toUtf8(),
         500, "is in the namespace &quot;urn:other&quot;"},
        {"credit without user name", sandbox->creditUrl(), xml, action,
         creditRequest(ns, QStringLiteral("Tester"), QString()).toUtf8(), 500, "Logon failed: the username"},
        {"credit without surname", sandbox->creditUrl(), xml, action,
         creditRequest(ns, QStringLiteral("Tester")).remove(QStringLiteral("<surname>Tester</surname>")).toUtf8(), 500,
         "creditrequest/applicant/name/surname is missing"},
        {"credit as plain text", sandbox->creditUrl(), "text/plain", action, creditRequest(ns, QStringLiteral("Tester")).toUtf8(), 500,
         "The Content-Type must be"},
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

TEST_F(AgencySandboxTest, TheIniSectionPointsAnInstallationAtTheSandbox) {
    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("autovelt.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(sandbox->iniSection().toUtf8());
    ini.close();
    const InstallationConfig config = InstallationConfig::load(home.path());
    ASSERT_TRUE(config.problems.isEmpty()) << config.problems.join(QLatin1Char('\n')).toStdString();
    const AgencyService& agency = config.agency;
    for (const QString& host : {agency.callReportLiveHost, agency.callReportTestHost, agency.callValidateLiveHost, agency.callValidateTestHost})
        EXPECT_EQ(host, sandbox->host());
    EXPECT_EQ(agency.callReport7Namespace, sandbox->callReportNamespace());
    EXPECT_EQ(agency.caFile, sandbox->caFile());
    EXPECT_EQ(agency.timeoutSeconds, 3);
    const QString answer = PostXml(agency, QStringLiteral("https://") + agency.callReportTestHost + QStringLiteral("/Services/CallReport/CallReport7.asmx"),
                                   agency.callReport7Namespace + QStringLiteral("/Search07a"),
                                   creditRequest(agency.callReport7Namespace, QStringLiteral("Tester")));
    EXPECT_TRUE(answer.contains(QLatin1String("<score class=\"1\">640</score>"))) << answer.toStdString();
}

TEST_F(AgencySandboxTest, AnUntrustedCertificateIsRefusedBeforeAnythingIsSent) {
    sandbox->clearRequests();
    AgencyService systemTrustOnly = sandbox->service();
    systemTrustOnly.caFile.clear();
    const QString answer = PostXml(systemTrustOnly, sandbox->identityUrl(), QString(), identityRequest(QStringLiteral("Tester")));
    EXPECT_TRUE(answer.startsWith(QLatin1String("Error: "))) << answer.toStdString();
    EXPECT_TRUE(answer.endsWith(QLatin1String("<Success>false</Success>")));
    EXPECT_TRUE(sandbox->requests().isEmpty());
}

TEST_F(AgencySandboxTest, RequestsAreRecordedInOrderWithPasswordsMasked) {
    sandbox->clearRequests();
    askIdentity(identityRequest(QStringLiteral("Tester")));
    askCredit(creditRequest(sandbox->callReportNamespace(), QStringLiteral("Tester")));
    const QList<test::AgencyRequest> received = sandbox->requests();
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received[0].path, QLatin1String("/callvalidateapi/incomingserver.php"));
    EXPECT_EQ(received[1].path, QLatin1String("/Services/CallReport/CallReport7.asmx"));
    EXPECT_EQ(received[1].soapAction, sandbox->callReportNamespace() + QLatin1String("/Search07a"));
    EXPECT_EQ(received[1].contentType, QLatin1String("text/xml; charset=utf-8"));
    EXPECT_TRUE(received[0].body.contains(QLatin1String("<Surname>Tester</Surname>")));
    for (const test::AgencyRequest& r : received) {
        EXPECT_TRUE(r.body.contains(QLatin1String("<password>********</password>")));
        EXPECT_FALSE(r.body.contains(kIdentityPassword) || r.body.contains(kCreditPassword));
    }
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
