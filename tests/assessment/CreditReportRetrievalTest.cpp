// Drawing a credit report: up to the agency's door, where the agency's hosts are closed ports
// (every request comes back as a transport failure), then from the agency sandbox over HTTPS.

#include "app/ControlSettings.h"
#include "assessment/AgencyTrace.h"
#include "assessment/CreditReportRetrieval.h"
#include "state/CreditSearchRecords.h"
#include "support/AgencySandbox.h"
#include "support/ExpectedDocuments.h"
#include "support/InstallationTempFolder.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace autovelt;
using namespace autovelt::test;

namespace {

// One member with a home and two previous addresses, a loan of 1500 over 18 months, agency
// credentials; request copies stay in the test's folder; the agency is closed ports.
class CreditReportRetrievalTest : public InstallationTest {
protected:
    InstallationTempFolder temp{inst};
    static constexpr long kMember = 4711;
    QString ns() { return im().config.agency.callReport7Namespace; }

    virtual void pointAgencyService() {
        AgencyService& service = im().config.agency;
        service.callReportLiveHost = QStringLiteral("127.0.0.1:1");
        service.callReportTestHost = QStringLiteral("127.0.0.1:2");
        service.callReport7Namespace = QStringLiteral("urn:agency.example/soap:callreport7");
        service.connectTimeoutSeconds = 2;
        service.timeoutSeconds = 5;
    }

    void SetUp() override {
        pointAgencyService();
        LoadControlSettings(im());
        ASSERT_TRUE(im().connections.TarvMain.isOpen()) << problems().join('\n').toStdString();
        inst.reporter().clear();
        im().settings.agency = {.CreditReportCompany = "RIVERSIDE", .CreditReportUserName = "riverside01",
                                .CreditReportPassword = "Agency-Pass-7"};
        im().PassDate = QStringLiteral("06/12/26");
        im().app = {.memberNumber = kMember, .addresses = {.applicantEmail = "ann@example.org"}};
        im().app.field[tw::DateOfBirth] = QStringLiteral("10/06/1970");
        im().app.loan.LoanDetails = {.amount = "1500", .repaymentFrequency = "M", .numberOfRepayments = "18"};
        addMember();
    }

    void addMember() {
        inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, Title, Forename, MidName, Surname, DOB) "
                              "VALUES (4711, 'Mrs.', 'Ann', 'Beth', 'Carter', '1970-06-10')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, PAFFlatnumber, PAFBuildingNumber, PAFStreet1, "
                              "PAFTown, PAFCounty, PAFPostCode, PhoneNumber, MobileNumber, EmailAddress, EffectiveFrom) VALUES "
                              "(4711, 'HOME', 'Flat 2', '14', 'Mill Lane', 'Selly Oak', 'Birmingham', 'B29 6AA', "
                              "'0121 496 0000', '07700900123', 'ann@example.org', '2023-04-01')");
        inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, PAFBuildingNumber, PAFBuildingName, PAFStreet1, "
                              "PAFTown, PAFCounty, PAFPostCode, EffectiveFrom) VALUES "
                              "(4711, 'HOMEPREV1', '3', NULL, 'Old Road', 'Harborne', 'Birmingham', 'B17 9XX', '2019-08-15'), "
                              "(4711, 'HOMEPREV2', NULL, 'Rose Cottage', 'Church Street', NULL, NULL, 'WR1 1AA', '2015-01-20')");
    }

    // The copy of the last request, as staff would open it; empty when none was written.
    QString tracePath() const {
        return QDir(QDir(inst.path(QStringLiteral("tmp"))).filePath(QStringLiteral("autovelt-%1").arg(::getuid())))
            .filePath(QStringLiteral("4711_20261206_cc.xml"));
    }
    QString trace() const { return inst.readFile(tracePath()); }

    QString reportFolder() const { return inst.path(QStringLiteral("scans/CREDITCH/00/00/47/11/")); }

    CreditReportOutcome drawn;  // what the last draw returned

    // Draws the report and gives the problem lines, "|"-joined.
    QString draw() {
        inst.reporter().clear();
        QFile::remove(tracePath());
        drawn = DrawCreditReport(im().cycle(), im().session(), im().app, im().app.loan.LoanDetails, kMember);
        return problems().join('|');
    }
};

TEST_F(CreditReportRetrievalTest, RequestFromMemberRecordsAndTransportFailure) {
    const QString lines = draw();
    EXPECT_EQ(trace(), OnOneLine(ExpectedDocument("credit-search-request.xml")) + '\n');
    EXPECT_FALSE(IsOpenToOthers(tracePath()) || IsOpenToOthers(QFileInfo(tracePath()).absolutePath()));
    EXPECT_TRUE(QRegularExpression("^Error drawing credit report for member 4711\\|Error: 7 - .* <Success>false</Success>\\|"
                                   "Perhaps refer to " + QRegularExpression::escape(tracePath()) + "$").match(lines).hasMatch())
        << lines.toStdString();
    EXPECT_EQ(drawn.decision + drawn.report, "F");
    EXPECT_FALSE(QFileInfo(reportFolder()).exists());  // no member folder before there is a report to file
}

TEST_F(CreditReportRetrievalTest, RequestCopyNeverLandsInAFolderOthersControl) {
    enum class Planted { OpenFolderOfOurs, Link, OtherUsersFolder };
    const QString shared = QFileInfo(tracePath()).absolutePath();
    for (Planted planted : {Planted::OpenFolderOfOurs, Planted::Link, Planted::OtherUsersFolder}) {
        if (planted == Planted::OtherUsersFolder && ::getuid() != 0) continue;  // only root can give a folder away
        QFile::remove(shared);  // a link, never what it points to
        QDir(shared).removeRecursively();
        if (planted == Planted::Link) QFile::link(inst.path("scans"), shared);
        else QDir().mkdir(shared);
        if (planted == Planted::OpenFolderOfOurs) QFile::setPermissions(shared, QFile::Permissions(0x7755));
        if (planted == Planted::OtherUsersFolder) { ASSERT_EQ(::chown(shared.toLocal8Bit().constData(), 65534, 65534), 0); }
        const QString folder = planted == Planted::OpenFolderOfOurs ? shared : inst.path("trace");
        EXPECT_TRUE(draw().endsWith("|Perhaps refer to " + folder + "/4711_20261206_cc.xml")) << int(planted);
        EXPECT_FALSE(IsOpenToOthers(folder));
        EXPECT_FALSE(QFile::exists(inst.path("scans/4711_20261206_cc.xml")));
    }
}

// The reviewed file holds the request's addresses after each change, one change a line.
TEST_F(CreditReportRetrievalTest, AddressHistoryFollowsTheDates) {
    QStringList addresses;
    for (const char* change : {"UPDATE MemberAddress SET EffectiveFrom=NULL WHERE AddressType='HOMEPREV1'",
                               "UPDATE MemberAddress SET EffectiveFrom=NULL WHERE AddressType='HOME'",
                               "DELETE FROM MemberAddress WHERE AddressType='HOMEPREV1'"}) {
        inst.exec("TarvMain", "DELETE FROM MemberAddress");
        inst.exec("TarvMain", "DELETE FROM MemberMain");
        addMember();
        inst.exec("TarvMain", change);
        draw();
        const QString request = trace();
        const qsizetype start = request.indexOf("<applicant>") + 11;
        addresses << request.mid(start, request.indexOf("<name>") - start);
    }
    EXPECT_EQ(addresses.join('\n') + '\n', ExpectedDocument("credit-search-address-history.txt"));
}

// Before any request: the policy rules that make the report unnecessary (only the largest balance in S1 counts, a loan
// balance of another product never does); the age at the loan's end against PR13A, alone with no user name (the
// processing date's day decides; no end date without a frequency); values that end the call with two lines, the age
// rule's letter kept. No HOME row: nothing is said either. Each case's problem and success lines, letter, age at the
// loan's end and whether a request was composed, as the reviewed file holds them (a transport failure's detail as "...").
TEST_F(CreditReportRetrievalTest, PolicyRulesTheAgeAtTheEndOfTheLoanAndFailuresBeforeAnyRequest) {
    const struct {
        const char *rule = "PR13A", *value = "75", *user = "riverside01", *born = "10/06/1970", *passDate = "06/12/26";
        const char *frequency = "M", *amount = "1500", *repayments = "18";
        int balance = 0;
        bool noHome = false;
    } cases[] = {
        {.rule = "PR12A", .value = "500", .amount = "500"},
        {.rule = "PR12A", .value = "500", .amount = "500.01"},
        {.rule = "PR14A", .value = "0", .amount = "750", .balance = 750},
        {.rule = "PR14A", .value = "0", .amount = "750.01", .balance = 750},
        {.user = "UNSET", .born = "10/06/1952", .repayments = "12"},
        {.user = "UNSET", .born = "10/06/1951", .repayments = "12"},
        {.user = "UNSET", .born = "29/02/1952", .passDate = "28/02/27", .repayments = "12"},  // the 28th
        {.user = "UNSET", .born = "29/02/1952", .passDate = "27/02/27", .repayments = "12"},
        {.user = "UNSET", .born = "10/12/1951", .frequency = "W", .repayments = "52"},
        {.user = "UNSET", .born = "10/06/1940", .frequency = "X", .repayments = "12"},
        {.born = "not a date"},
        {.amount = "32767.5"},
        {.repayments = "40000"},
        {.repayments = "100000"},
        {.noHome = true},
    };
    QStringList outcomes;
    for (const auto& c : cases) {
        inst.exec("TarvAudt", "DELETE FROM CUPolicyRules");
        inst.exec("TarvMain", "DELETE FROM MemberBalances");
        inst.exec("TarvAudt", QStringLiteral("INSERT INTO CUPolicyRules VALUES ('%1', 'x', 1, '%2', 'R', 'P')").arg(c.rule, c.value));
        inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberBalances (MemberNo, ProductCode, Balance) VALUES "
                                             "(4711, 'S1', %1), (4711, 'S1', 20), (4711, 'L1', 90000)").arg(c.balance));
        if (c.noHome) inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE AddressType='HOME'");
        im().settings.agency.CreditReportUserName = c.user;
        im().app.field[tw::DateOfBirth] = c.born;
        im().PassDate = c.passDate;
        im().app.loan.LoanDetails = {.amount = c.amount, .repaymentFrequency = c.frequency, .numberOfRepayments = c.repayments};
        QString lines = draw().replace(QRegularExpression("Error: 7 - [^|]*"), "Error: 7 - ...");
        outcomes << QStringList{"==", c.rule, c.value, c.user, c.born, c.passDate, c.frequency, c.amount, c.repayments,
                                QString::number(c.balance), c.noHome ? "no HOME row" : "HOME row"}.join(' ')
                 << "problems: " + lines.replace(tracePath(), "<request copy>") << "successes: " + successes().join('|')
                 << QStringLiteral("letter %1, age %2, %3").arg(drawn.decision).arg(drawn.loanEndAge)
                        .arg(QFile::exists(tracePath()) ? "request composed" : "no request");
    }
    EXPECT_EQ(outcomes.join('\n') + '\n', ExpectedDocument("credit-report-before-any-request.txt"));
}

// The live host is port 1, the test host port 2 (both closed).
TEST_F(CreditReportRetrievalTest, EndpointAndAutomaticSearch) {
    const struct { bool uat; const char* user; const char* registration; const char* port; const char* autosearch; } cases[] = {
        {false, "riverside01", "213000", "port 1", "<autosearch>1</autosearch><autosearchmaximum>3</autosearchmaximum>"},
        {false, "riverCTest", "213000", "port 2", "<autosearch>1</autosearch><autosearchmaximum>3</autosearchmaximum>"},
        {false, "CTESTUSER", "213743", "port 2", "<autosearch>0</autosearch><autosearchmaximum>1</autosearchmaximum>"},
        {false, "ctest", "213370", "port 1", "<autosearch>0</autosearch><autosearchmaximum>1</autosearchmaximum>"},
        {true, "riverside01", "213000", "port 2", "<autosearch>0</autosearch><autosearchmaximum>1</autosearchmaximum>"},
    };
    for (const auto& c : cases) {
        im().settings.UATMode = c.uat;
        im().settings.agency.CreditReportUserName = c.user;
        im().settings.profile = CreditUnionProfileFor(c.registration);
        EXPECT_TRUE(draw().section('|', 1, 1).contains(c.port)) << c.user;
        EXPECT_TRUE(trace().contains("<username>" + QString(c.user) + "</username>") && trace().contains(c.autosearch)) << c.user;
    }
}

// A report is used again only through the importer's record of the search that drew it: the same member and person,
// younger than four months, its file unchanged. Other files in the member's folder are never read as a report.
TEST_F(CreditReportRetrievalTest, OnlyARecordedReportOfTheSamePersonIsUsedAgain) {
    const QString filed = "scans/CREDITCH/00/00/47/11/CreditCheck-20261206.xml";
    inst.writeFile("scans/CREDITCH/00/00/47/11/CreditCheck-20991231.xml", "<planted/>\n");
    const QDateTime searched = QDateTime::currentDateTime();
    const struct { const char* why; const char* recordedFor; int monthsLater; const char* content; const char* lines; } cases[] = {
        {"recorded three months ago", "Carter", 3, "<stored/>\n", "exists for member 4711 - using this for VELT."},
        {"recorded four months ago", "Carter", 4, "<stored/>\n", nullptr},
        {"no record of a search", nullptr, 0, "<stored/>\n", nullptr},
        {"recorded for another person", "Other", 0, "<stored/>\n", nullptr},
        {"changed since it was filed", "Carter", 0, "<changed/>\n",
         "exists for member 4711 - using this for VELT.|Problem accessing existing Credit report for member 4711 - obtaining new one."},
    };
    for (const auto& c : cases) {
        inst.exec("TarvAudt", "DELETE FROM VeltCreditSearch");
        inst.writeFile(filed, c.content);
        if (c.recordedFor)
            RecordCreditSearch(im().connections.TarvAudt, "an application",
                               {kMember, {QDate(1970, 6, 10), c.recordedFor, ""}, searched, "S-1", inst.path(filed),
                                Sha256Hex("<stored/>\n")});
        inst.clock().set(searched.addMonths(c.monthsLater));
        const QString lines = draw();
        const bool reused = c.lines && !QString(c.lines).contains("Problem");
        EXPECT_EQ(drawn.report, reused ? "<stored/>\n" : "") << c.why;
        EXPECT_EQ(QFile::exists(tracePath().replace("20261206", inst.clock().now().toString("yyyyMMdd"))), !reused) << c.why;
        if (c.lines) {
            EXPECT_TRUE(lines.startsWith("Credit report from " + searched.toString("dd/MM/yyyy hh:mm:ss") + " in " +
                                         im().settings.ScanLocation + " " + c.lines)) << c.why << ": " << lines.toStdString();
        } else {
            EXPECT_FALSE(lines.contains("Credit report from")) << c.why;
        }
    }
}

// The agency sandbox: the stored report, and the answers that fail the application.
class CreditReportExchangeTest : public CreditReportRetrievalTest {
protected:
    AgencySandbox sandbox;

    void pointAgencyService() override { im().config.agency = sandbox.service(); }
    QString storedReportPath() const { return reportFolder() + "CreditCheck-20261206.xml"; }
};

TEST_F(CreditReportExchangeTest, ReportIsKeptStoredAndUsedAgain) {
    const QString problemLines = draw();  // drawn before the letter is read
    EXPECT_EQ(problemLines + successes().join('|') + drawn.decision, "P");
    const QString report = drawn.report;
    EXPECT_TRUE(report.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope")) << report.left(200).toStdString();

    const QList<AgencyRequest> requests = sandbox.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ((QStringList{requests[0].path, requests[0].soapAction, requests[0].body + "\n"}),
              (QStringList{"/Services/CallReport/CallReport7.asmx", ns() + "/Search07a", trace()}));

    // Stored with the stylesheet and without the namespace, and read back as it was stored.
    const QString text = inst.readFile(storedReportPath());
    QString expected = report;
    expected.replace("<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?><?xml-stylesheet type=\"text/xsl\" href=\"CallReport7.2.xslt\"?>");
    expected.remove(" xmlns=\"" + ns() + "\"");
    EXPECT_TRUE(report.contains(" xmlns=\"" + ns() + "\"") && !text.contains(ns() + "\""));
    EXPECT_EQ(text, expected + "\n");
    EXPECT_FALSE(IsOpenToOthers(storedReportPath()));

    // The next loan application of the member uses the stored report.
    const QString lines = draw();
    EXPECT_EQ(drawn.report, text);
    EXPECT_EQ(sandbox.requests().size(), 1);
    EXPECT_TRUE(lines.endsWith(" exists for member 4711 - using this for VELT.") && !lines.contains('|')) << lines.toStdString();
}

// A scanned images folder that is gone is not made again: the report goes to the program's folder, and staff are told.
TEST_F(CreditReportExchangeTest, ReportOfAStoreThatIsGoneLandsInTheProgramFolder) {
    im().settings.ScanLocation = inst.path("gone/");
    EXPECT_EQ(draw(), "Unable to store credit report file in scanned images folder|" + inst.path("gone/") + " for member 4711|"
                      "File has been saved instead within " + inst.home() + "/web please import file once issue resolved.");
    EXPECT_FALSE(QFileInfo::exists(inst.path("gone")));
    EXPECT_TRUE(QFile::exists(inst.home() + "/web/00/00/47/11/CreditCheck-20261206.xml"));
}

TEST_F(CreditReportExchangeTest, AgencyProblemsFailTheApplication) {
    const char* const error = "Error drawing credit report for member 4711";
    const struct { const char* surname; bool trustSandbox; const char* heading; const char* detail; } cases[] = {
        {"Errored", true, error, "Search refused: "},
        {"Faulted", true, "Fault in drawing credit report for member 4711", "The search could not be completed: "},
        {"Slowpoke", true, error, "Error: 28 - "},
        {"Carter", false, error, "Error: 60 - "},  // not trusting the sandbox: the system's certificates only
        {"Emptyanswer", true, error, "The agency's answer is empty"},
        {"Garbled", true, error, "The agency's answer is not well-formed XML"},
    };
    for (const auto& c : cases) {
        inst.exec("TarvMain", QStringLiteral("UPDATE MemberMain SET Surname='%1' WHERE MemberNo=4711").arg(c.surname));
        im().config.agency.caFile = c.trustSandbox ? sandbox.caFile() : QString();
        const QStringList lines = draw().split('|');
        ASSERT_EQ(lines.size(), 3) << c.surname << ": " << lines.join('\n').toStdString();
        EXPECT_EQ(lines[0] + '|' + lines[2], QLatin1String(c.heading) + "|Perhaps refer to " + tracePath());
        EXPECT_TRUE(lines[1].startsWith(c.detail)) << lines[1].toStdString();
        EXPECT_EQ(drawn.decision + drawn.report, "F") << c.surname;
        EXPECT_FALSE(QFile::exists(storedReportPath())) << c.surname;
    }
}

}  // namespace
