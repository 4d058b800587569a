// Drawing a credit report up to the agency's door. The agency's hosts are closed ports here,
// so every request that goes out comes back as a transport failure.

#include "assessment/CreditReportFixture.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

const QString kHome =
    "<address><abodeno>Flat 2</abodeno><buildingno>14</buildingno><buildingname/><street1>Mill Lane</street1><street2/>"
    "<locality>Selly Oak</locality><posttown>Birmingham</posttown><postcode>B29 6AA</postcode></address>";
const QString kPrevious1 =
    "<address><abodeno/><buildingno>3</buildingno><buildingname/><street1>Old Road</street1><street2/>"
    "<locality>Harborne</locality><posttown>Birmingham</posttown><postcode>B17 9XX</postcode>";
const QString kPrevious2 =
    "<address><abodeno/><buildingno/><buildingname>Rose Cottage</buildingname><street1>Church Street</street1><street2/>"
    "<locality/><posttown/><postcode>WR1 1AA</postcode><startdate>2015-01-20</startdate><enddate>2019-08-15</enddate></address>";

QString addressesOf(const QString& request) {
    const qsizetype start = request.indexOf("<applicant>") + 11;
    return request.mid(start, request.indexOf("<name>") - start);
}

class CreditReportRetrievalTest : public CreditReportFixture {};

TEST_F(CreditReportRetrievalTest, RequestFromMemberRecordsAndTransportFailure) {
    DrawCreditReport(im(), kMember);
    EXPECT_EQ(trace(),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
              "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
              "<soap:Header><callcreditheaders xmlns=\"" + kNs + "\"><company>RIVERSIDE</company><username>riverside01</username>"
              "<password>********</password></callcreditheaders></soap:Header><soap:Body>"
              "<Search07a xmlns=\"" + kNs + "\"><SearchDefinition><yourreference>4711</yourreference>"
              "<creditrequest schemaversion=\"7.1\" datasets=\"511\"><applicant>" + kHome + kPrevious1 +
              "<startdate>2019-08-15</startdate><enddate>2023-04-01</enddate></address>" + kPrevious2 +
              "<name><title>Mrs</title><forename>Ann</forename><othernames>Beth</othernames><surname>Carter</surname></name>"
              "<dob>1970-06-10</dob><applicantdemographics><contact><email><type>03</type><address>ann@example.org</address></email>"
              "<telephone><type>13</type><std>0121</std><number>4960000</number></telephone>"
              "<telephone><type>15</type><std>07700</std><number>900123</number></telephone></contact><employment/>"
              "</applicantdemographics></applicant><score>1</score><purpose>CA</purpose><credittype>PU</credittype>"
              "<balorlim>1500</balorlim><term>P1Y6M0D</term><autosearch>1</autosearch><autosearchmaximum>3</autosearchmaximum>"
              "</creditrequest></SearchDefinition></Search07a></soap:Body></soap:Envelope>\n");
    EXPECT_FALSE(IsOpenToOthers(tracePath()));
    EXPECT_FALSE(IsOpenToOthers(QFileInfo(tracePath()).absolutePath()));
    ASSERT_EQ(problems().size(), 3) << problems().join('\n').toStdString();
    EXPECT_EQ(problems()[0], "Error drawing credit report for member 4711");
    EXPECT_TRUE(problems()[1].startsWith("Error: 7 - ") && problems()[1].endsWith(" <Success>false</Success>")) << problems()[1].toStdString();
    EXPECT_EQ(problems()[2], "Perhaps refer to " + tracePath());
    EXPECT_EQ(im().app.field[27], "F");
    EXPECT_TRUE(im().app.creditReport.isEmpty());
    EXPECT_TRUE(QFileInfo(reportFolder()).isDir());  // made for the report to come
}

TEST_F(CreditReportRetrievalTest, RequestCopyNeverLandsInAFolderOthersControl) {
    enum class Planted { OpenFolderOfOurs, Link, OtherUsersFolder };
    const QString shared = QFileInfo(tracePath()).absolutePath();
    const struct { Planted planted; bool usable; } cases[] = {
        {Planted::OpenFolderOfOurs, true}, {Planted::Link, false}, {Planted::OtherUsersFolder, false}};
    for (const auto& c : cases) {
        if (c.planted == Planted::OtherUsersFolder && ::getuid() != 0) continue;  // only root can give a folder away
        inst.reporter().clear();
        QFile::remove(shared);  // a link, never what it points to
        QDir(shared).removeRecursively();
        if (c.planted == Planted::Link) QFile::link(inst.path("scans"), shared);
        else QDir().mkdir(shared);
        if (c.planted == Planted::OpenFolderOfOurs) QFile::setPermissions(shared, QFile::Permissions(0x7755));
        if (c.planted == Planted::OtherUsersFolder) ASSERT_EQ(::chown(shared.toLocal8Bit().constData(), 65534, 65534), 0);
        const QString folder = c.usable ? shared : inst.path("trace");
        DrawCreditReport(im(), kMember);
        ASSERT_EQ(problems().size(), 3);
        EXPECT_EQ(problems()[2], "Perhaps refer to " + folder + "/4711_20261206_cc.xml") << int(c.planted);
        EXPECT_FALSE(IsOpenToOthers(folder));
        EXPECT_FALSE(QFile::exists(inst.path("scans/4711_20261206_cc.xml")));
    }
}

TEST_F(CreditReportRetrievalTest, AddressHistoryFollowsTheDates) {
    const struct { const char* change; QString addresses; } cases[] = {
        {"UPDATE MemberAddress SET EffectiveFrom=NULL WHERE AddressType='HOMEPREV1'",
         kHome + kPrevious1 + "<startdate>2020-04-01</startdate><enddate>2023-04-01</enddate></address>"},
        {"UPDATE MemberAddress SET EffectiveFrom=NULL WHERE AddressType='HOME'", kHome},
        {"DELETE FROM MemberAddress WHERE AddressType='HOMEPREV1'", kHome},
    };
    for (const auto& c : cases) {
        inst.exec("TarvMain", "DELETE FROM MemberAddress");
        inst.exec("TarvMain", "DELETE FROM MemberMain");
        addMember();
        inst.exec("TarvMain", c.change);
        DrawCreditReport(im(), kMember);
        EXPECT_EQ(addressesOf(trace()), c.addresses) << c.change;
    }
}

TEST_F(CreditReportRetrievalTest, PolicyRulesMakeTheReportUnnecessary) {
    const struct { const char* rule; const char* value; const char* amount; double balance; const char* success; } cases[] = {
        {"PR12A", "500", "500", 0, "No need to test credit report due to loan value policy PR12A and member is applying for £500"},
        {"PR12A", "500", "500.01", 0, nullptr},
        {"PR14A", "0", "750", 750,
         "No need to test credit report due to secured lending rule PR14A as member is applying for £750 and they hold £750 in S1."},
        {"PR14A", "0", "750.01", 750, nullptr},
    };
    for (const auto& c : cases) {
        inst.exec("TarvAudt", "DELETE FROM CUPolicyRules");
        inst.exec("TarvMain", "DELETE FROM MemberBalances");
        QFile::remove(tracePath());
        inst.reporter().clear();
        addPolicyRule(c.rule, c.value);
        // Only the largest balance counts; a loan balance of another product never does.
        inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberBalances (MemberNo, ProductCode, Balance) VALUES "
                                             "(4711, 'S1', %1), (4711, 'S1', 20), (4711, 'L1', 90000)").arg(c.balance));
        im().LoanDetails[3] = c.amount;
        DrawCreditReport(im(), kMember);
        EXPECT_EQ(QFile::exists(tracePath()), c.success == nullptr) << c.rule << ' ' << c.amount;
        EXPECT_EQ(successes(), c.success ? QStringList{QString::fromUtf8(c.success)} : QStringList{}) << c.amount;
        EXPECT_EQ(im().app.field[27], c.success ? "P" : "F");
    }
}

TEST_F(CreditReportRetrievalTest, AgeAtTheEndOfTheLoan) {
    const struct { const char* born; const char* passDate; const char* frequency; const char* repayments; int age; const char* letter; } cases[] = {
        {"10/06/1952", "06/12/26", "M", "12", 75, "P"},
        {"10/06/1951", "06/12/26", "M", "12", 76, "R"},
        {"29/02/1952", "28/02/27", "M", "12", 76, "R"},  // counted as born on the 28th
        {"29/02/1952", "27/02/27", "M", "12", 75, "P"},
        {"10/12/1951", "06/12/26", "W", "52", 75, "P"},  // the processing date's day decides
        {"10/06/1940", "06/12/26", "X", "12", 0, "P"},   // no end date without a frequency
    };
    addPolicyRule("PR13A", "75");
    im().settings.agency.CreditReportUserName = "UNSET";  // the age rule alone
    for (const auto& c : cases) {
        im().app.field[7] = c.born;
        im().PassDate = c.passDate;
        im().LoanDetails[4] = c.frequency;
        im().LoanDetails[5] = c.repayments;
        DrawCreditReport(im(), kMember);
        EXPECT_EQ(im().app.loanEndAge, c.age) << c.born << ' ' << c.passDate;
        EXPECT_EQ(im().app.field[27], c.letter) << c.born << ' ' << c.passDate;
    }
    EXPECT_FALSE(QFile::exists(tracePath()));
    EXPECT_TRUE(problems().isEmpty());

    // The rule's letter stays when the report is drawn; an agency failure then fails it.
    im().settings.agency.CreditReportUserName = "riverside01";
    im().app.field[7] = "10/06/1951";
    im().PassDate = "06/12/26";
    im().LoanDetails[4] = "M";
    DrawCreditReport(im(), kMember);
    EXPECT_TRUE(QFile::exists(tracePath()));
    EXPECT_EQ(im().app.loanEndAge, 76);
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
        inst.reporter().clear();
        im().settings.UATMode = c.uat;
        im().settings.agency.CreditReportUserName = c.user;
        im().settings.FSARefNo = c.registration;
        DrawCreditReport(im(), kMember);
        ASSERT_EQ(problems().size(), 3) << c.user;
        EXPECT_TRUE(problems()[1].contains(c.port)) << problems()[1].toStdString();
        EXPECT_TRUE(trace().contains(c.autosearch)) << c.user;
        EXPECT_TRUE(trace().contains("<username>" + QString(c.user) + "</username>"));
    }
}

TEST_F(CreditReportRetrievalTest, StoredReportYoungerThanFourMonthsIsUsed) {
    MakePrivateFolder(reportFolder());
    inst.writeFile("scans/CREDITCH/00/00/47/11/CreditCheck-20261206.xml", "<stored/>\n");
    inst.writeFile("scans/CREDITCH/00/00/47/11/notes.txt", "not a report");
    const QDateTime written = QFileInfo(reportFolder() + "CreditCheck-20261206.xml").lastModified();
    const struct { int monthsLater; bool reused; } cases[] = {{3, true}, {4, false}};
    for (const auto& c : cases) {
        inst.reporter().clear();
        QFile::remove(tracePath());
        inst.clock().set(QDateTime::currentDateTime().addMonths(c.monthsLater));
        DrawCreditReport(im(), kMember);
        EXPECT_EQ(im().app.creditReport, c.reused ? "<stored/>\n" : "") << c.monthsLater;
        EXPECT_EQ(QFileInfo::exists(QDir(QFileInfo(tracePath()).absolutePath()).filePath(
                      "4711_" + inst.clock().now().toString("yyyyMMdd") + "_cc.xml")), !c.reused);
        ASSERT_FALSE(problems().isEmpty());
        EXPECT_EQ(problems().first().startsWith("Credit report from " + written.toString("dd/MM/yyyy")), c.reused)
            << problems().first().toStdString();
    }
    EXPECT_EQ(problems().size(), 3);
}

TEST_F(CreditReportRetrievalTest, UnreadableStoredReportIsReplaced) {
    inst.writeFile("scans/CREDITCH/00/00/47/11/CreditCheck-20261206.xml", "");
    DrawCreditReport(im(), kMember);
    ASSERT_EQ(problems().size(), 5) << problems().join('\n').toStdString();
    EXPECT_EQ(problems()[0].section(' ', 0, 2), "Credit report from");
    EXPECT_TRUE(problems()[0].endsWith(" in " + im().settings.ScanLocation + " exists for member 4711 - using this for VELT."));
    EXPECT_EQ(problems()[1], "Problem accessing existing Credit report for member 4711 - obtaining new one.");
    EXPECT_EQ(problems()[2], "Error drawing credit report for member 4711");
}

TEST_F(CreditReportRetrievalTest, FailuresEndTheCallWithTwoLines) {
    const struct { const char* born; const char* amount; const char* repayments; const char* lines; const char* letter; } cases[] = {
        {"not a date", "1500", "18", "Error retrieving credit report for member 4711 (13)|Type mismatch", "P"},
        {"10/06/1970", "32767.5", "18", "Error retrieving credit report for member 4711 (6)|Overflow", "P"},
        {"10/06/1970", "1500", "40000", "Error retrieving credit report for member 4711 (6)|Overflow", "R"},
        {"10/06/1970", "1500", "100000", "Error retrieving credit report for member 4711 (5)|Invalid procedure call or argument", "P"},
    };
    addPolicyRule("PR13A", "75");
    for (const auto& c : cases) {
        inst.reporter().clear();
        im().app.field[7] = c.born;
        im().LoanDetails[3] = c.amount;
        im().LoanDetails[5] = c.repayments;
        DrawCreditReport(im(), kMember);
        EXPECT_EQ(problems().join('|'), c.lines);
        EXPECT_EQ(im().app.field[27], c.letter);  // the age rule's letter is kept
    }
    EXPECT_FALSE(QFile::exists(tracePath()));

    // No HOME row for the member: nothing is asked and nothing is said.
    inst.reporter().clear();
    inst.exec("TarvMain", "DELETE FROM MemberAddress WHERE AddressType='HOME'");
    im().LoanDetails[5] = "18";
    DrawCreditReport(im(), kMember);
    EXPECT_TRUE(problems().isEmpty());
    EXPECT_FALSE(QFile::exists(tracePath()));
}

}  // namespace
