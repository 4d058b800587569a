// Drawing a credit report from the agency sandbox over HTTPS: the stored report, and the
// answers that fail the application.

#include "assessment/CreditReportFixture.h"
#include "support/AgencySandbox.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class CreditReportExchangeTest : public CreditReportFixture {
protected:
    AgencySandbox sandbox;

    void pointAgencyService() override { im().config.agency = sandbox.service(); }

    void setSurname(const QString& surname) {
        inst.exec("TarvMain", QStringLiteral("UPDATE MemberMain SET Surname='%1' WHERE MemberNo=4711").arg(surname));
    }
    QString storedReportPath() const { return reportFolder() + "CreditCheck-20261206.xml"; }
};

TEST_F(CreditReportExchangeTest, ReportIsKeptStoredAndUsedAgain) {
    DrawCreditReport(im(), kMember);
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
    EXPECT_TRUE(successes().isEmpty());
    EXPECT_EQ(im().app.field[27], "P");
    const QString report = im().app.creditReport;
    EXPECT_TRUE(report.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope")) << report.left(200).toStdString();
    EXPECT_TRUE(report.contains(" xmlns=\"" + ns() + "\""));
    EXPECT_TRUE(report.contains("<creditreport"));

    const QList<AgencyRequest> requests = sandbox.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].path, "/Services/CallReport/CallReport7.asmx");
    EXPECT_EQ(requests[0].soapAction, ns() + "/Search07a");
    EXPECT_EQ(requests[0].body + "\n", trace());

    // Stored with the stylesheet and without the namespace, and read back as it was stored.
    QFile stored(storedReportPath());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(stored.readAll());
    QString expected = report;
    expected.replace("<?xml version=\"1.0\" encoding=\"utf-8\"?>",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?><?xml-stylesheet type=\"text/xsl\" href=\"CallReport7.2.xslt\"?>");
    expected.remove(" xmlns=\"" + ns() + "\"");
    EXPECT_EQ(text, expected + "\n");
    EXPECT_FALSE(text.contains(ns() + "\""));
    EXPECT_FALSE(IsOpenToOthers(storedReportPath()));

    // The next loan application of the member uses the stored report.
    DrawCreditReport(im(), kMember);
    EXPECT_EQ(im().app.creditReport, text);
    EXPECT_EQ(sandbox.requests().size(), 1);
    ASSERT_EQ(problems().size(), 1);
    EXPECT_TRUE(problems()[0].endsWith(" exists for member 4711 - using this for VELT."));
}

TEST_F(CreditReportExchangeTest, AgencyProblemsFailTheApplication) {
    const struct { const char* surname; bool trustSandbox; const char* heading; const char* detail; } cases[] = {
        {"Errored", true, "Error drawing credit report for member 4711", "Search refused: "},
        {"Faulted", true, "Fault in drawing credit report for member 4711", "The search could not be completed: "},
        {"Slowpoke", true, "Error drawing credit report for member 4711", "Error: 28 - "},
        {"Carter", false, "Error drawing credit report for member 4711", "Error: 60 - "},
        {"Emptyanswer", true, "Error drawing credit report for member 4711", "The agency's answer is empty"},
        {"Garbled", true, "Error drawing credit report for member 4711", "The agency's answer is not well-formed XML"},
    };
    for (const auto& c : cases) {
        inst.reporter().clear();
        setSurname(c.surname);
        // Not trusting the sandbox: the system's certificates only.
        im().config.agency.caFile = c.trustSandbox ? sandbox.caFile() : QString();
        DrawCreditReport(im(), kMember);
        ASSERT_EQ(problems().size(), 3) << c.surname << ": " << problems().join('\n').toStdString();
        EXPECT_EQ(problems()[0], c.heading);
        EXPECT_TRUE(problems()[1].startsWith(c.detail)) << problems()[1].toStdString();
        EXPECT_EQ(problems()[2], "Perhaps refer to " + tracePath());
        EXPECT_EQ(im().app.field[27], "F") << c.surname;
        EXPECT_TRUE(im().app.creditReport.isEmpty()) << c.surname;
        EXPECT_FALSE(QFile::exists(storedReportPath())) << c.surname;
    }
}

}  // namespace
