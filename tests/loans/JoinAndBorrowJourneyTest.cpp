// Through the real cycle: an online join-and-borrow application, the agency sandbox's checks, the decision, loan and email.

#include "import/ImportPassFixture.h"
#include "common/PrivateFiles.h"
#include "support/AgencySandbox.h"
#include "support/OnlineEncoder.h"
#include "support/SmtpSink.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <functional>
#include <memory>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;

namespace {

const QString kPassword = QStringLiteral("Journey-Agency-Pw-7");

class JoinAndBorrowJourneyTest : public ImportPassTest {
protected:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    void SetUp() override {
        ImportPassTest::SetUp();
        sandbox_->clearRequests();
        // Request copies go to the installation's own temporary folder, searched below.
        MakePrivateFolder(inst.path(QStringLiteral("tmp")));
        qputenv("TMPDIR", inst.path(QStringLiteral("tmp")).toUtf8());
        auto encoded = [](const QString& text, int seed) {
            using namespace autovelt::testing;
            return encodeOnlineField(text, seed, SymbolUse::Some, kMarkedCodeTables);
        };
        inst.appendConfig(sandbox_->iniSection() + "\n[agency_213000]\nCreditReportCompany = RIVERSIDE\nCreditReportUserName = " +
                          encoded("riverside.cr", 2) + "\nCreditReportPassword = \"" + kPassword + "\"\nIdentityCheckCompany = " +
                          encoded("RIVERSIDE", 3) + "\nIdentityCheckUserName = " + encoded("riverside.cv", 4) +
                          "\nIdentityCheckPassword = \"" + encoded(kPassword, 5) + "\"\n");
        inst.exec("TarvAudt", "INSERT INTO CRRuleset (FromValue, ToValue, ruleset) VALUES (0, 25000, 'STANDARD')");
        inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, ruleset, rulevaluemin, rulevaluemax, RuleBand) VALUES "
                              "('CR02A', 1, 'STANDARD', 1, 99, 'F'), ('CR05A', 1, 'STANDARD', 4, 99, 'R'), "
                              "('CR07A', 1, 'STANDARD', 0, 420, 'R'), ('CR10A', 1, 'STANDARD', 0, 0, 'F')");
    }
    ~JoinAndBorrowJourneyTest() override { qunsetenv("TMPDIR"); }
    void apply(const QString& surname) {
        add(application.set(6, surname));
        runCycle();
    }

public:
    using ImportPassTest::inst;
    WebApplication application = WebApplication::joinAndBorrow(21);

protected:
    QStringList requestPaths() {
        QStringList paths;
        for (const auto& request : sandbox_->requests()) paths << request.path;
        return paths;
    }

    // The messages to the applicant in the pickup folder, decoded.
    QList<autovelt::testing::ReceivedMail> mails() {
        QList<autovelt::testing::ReceivedMail> found;
        const QDir outbox(inst.path(QStringLiteral("outbox")));
        for (const QString& name : outbox.entryList(QDir::Files, QDir::Name))
            if (auto mail = autovelt::testing::SmtpSink::parseMessageFile(outbox.filePath(name)))
                if (mail->header(QStringLiteral("Subject")) != QLatin1String("Automated Activity")) found << *mail;
        return found;
    }

    // Files under the folder, besides the configuration, whose content holds the text.
    QStringList filesHolding(const QString& folder, const QString& text) {
        QStringList holding;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.fileName().endsWith(QLatin1String("autovelt.ini"), Qt::CaseInsensitive)) continue;
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8())) holding << file.fileName();
        }
        return holding;
    }
    static std::unique_ptr<AgencySandbox> sandbox_;
};
std::unique_ptr<AgencySandbox> JoinAndBorrowJourneyTest::sandbox_;

const QString kValidate = QStringLiteral("/callvalidateapi/incomingserver.php");
const QString kReport = QStringLiteral("/Services/CallReport/CallReport7.asmx");

struct Journey {
    const char* surname;
    const char* rating;  // the rules'
    const char* status;  // the loan's
    const char* variant = "";
    std::function<void(JoinAndBorrowJourneyTest&)> arrange = {};
    QStringList ruleCodes = {"CR02A", "CR05A", "CR07A", "CR10A"};  // in the policy log
};

void PrintTo(const Journey& journey, std::ostream* out) { *out << journey.surname; }

class JourneyCases : public JoinAndBorrowJourneyTest, public ::testing::WithParamInterface<Journey> {};

// Passed, referred and failed by the rules: each gets its loan application and its email.
TEST_P(JourneyCases, FromTheOnlineFormToTheLoanApplicationAndTheEmail) {
    const Journey& j = GetParam();
    if (j.arrange) j.arrange(*this);
    apply(QLatin1String(j.surname));
    EXPECT_EQ(requestPaths(), (QStringList{kReport, kValidate})) << report();
    EXPECT_TRUE(successes().contains(QStringLiteral("Overall initial rating for loan=%1 for member 1").arg(j.rating))) << report();
    EXPECT_EQ(inst.values("TarvTran", "SELECT LoanNumber || '|' || InitStatus || '|' || LoanValue FROM LoanAllocation"),
              QStringList{QStringLiteral("C1001|%1|1000").arg(j.status)});
    EXPECT_EQ(inst.values("TarvTran", "SELECT RuleCode FROM LoanPolicyLog WHERE LoanNo='C1001' ORDER BY RuleCode"),
              j.ruleCodes);
    EXPECT_EQ(inst.count("TarvID", "SELECT * FROM IDProof WHERE MemberNo=1"), 1);
    EXPECT_EQ(filesIn(QStringLiteral("scans/CREDITCH/00/00/00/01")).size(), 1);
    const auto sent = mails();
    ASSERT_EQ(sent.size(), 1) << report();
    EXPECT_EQ(sent[0].header("To") + '|' + sent[0].header("Subject"),
              "john.smith@example.com|Update on your loan application with Riverside Credit Union");
    const QString body = QString::fromUtf8(sent[0].parts.value(0).payload);
    for (const QString& filled : {QStringLiteral("Mr ") + QLatin1String(j.surname), QStringLiteral("membership number 1"),
                                  QStringLiteral("reference 4711")})
        EXPECT_TRUE(body.contains(filled)) << filled.toStdString();
    EXPECT_FALSE(body.contains(QRegularExpression(QStringLiteral("<(NO|F|SN)>"))));

    // The agency password is in the configuration only.
    for (const QString& folder : {inst.home(), QDir::tempPath()}) EXPECT_EQ(filesHolding(folder, kPassword), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Decisions, JourneyCases,
                         ::testing::Values(Journey{"Tester", "PASS", "P"}, Journey{"Searcher", "REFER", "R"},
                                           Journey{"Judged", "FAIL", "F"},
                                           // Only "F" and "R" change a decision: a band written "r" is no letter.
                                           Journey{"Searcher", "PASS", "P", "WithABandInLowerCase",
                                                   [](auto& t) {
                                                       t.inst.exec("TarvAudt", "UPDATE CRRules SET RuleBand='r' WHERE RuleCode='CR05A'");
                                                   }},
                                           // The promotion's score rule looks at the product the loan falls back to.
                                           Journey{"Tester", "FAIL", "F", "OnTheDefaultPromotion",
                                                   [](auto& t) {
                                                       t.inst.exec("TarvMain", "INSERT INTO Product (ProductCode, ProductType, IntTo1, "
                                                                               "IntRate1) VALUES ('PROMO', 3, 50000, 9)");
                                                       t.inst.exec("TarvMain", "UPDATE Control SET OLProductCode='PROMO'");
                                                       t.inst.exec("TarvAudt", "INSERT INTO CRRules (RuleCode, ruleactive, ruleset, "
                                                                               "rulevaluemin, rulevaluemax, RuleBand) VALUES "
                                                                               "('CR07E', 1, 'STANDARD', 0, 9000, 'F')");
                                                       t.application.set(45, "ZZ");
                                                   },
                                                   {"CR02A", "CR05A", "CR07A", "CR07E", "CR10A"}}),
                         [](const auto& info) { return std::string(info.param.surname) + info.param.variant; });

// Without credit rules the loan needs no search, but the new member's identity is still checked, after the loan is written.
TEST_F(JoinAndBorrowJourneyTest, WithoutCreditChecksTheNewMembersIdentityIsCheckedLate) {
    inst.exec("TarvAudt", "DELETE FROM CRRules WHERE RuleCode<>'CR10A'");
    apply(QStringLiteral("Tester"));
    EXPECT_EQ(requestPaths(), QStringList{kValidate}) << report();
    EXPECT_EQ(inst.values("TarvTran", "SELECT LoanNumber || '|' || InitStatus FROM LoanAllocation"), QStringList{"C1001|P"});
    EXPECT_EQ(inst.scalar("TarvID", "SELECT AddressID FROM IDProof WHERE MemberNo=1").toString(), "TU IDV-Pass Score [68]");
    EXPECT_TRUE(successes().contains("Member 1 passed ID search." + suffix(21))) << report();
    EXPECT_EQ(mails().size(), 1);
}

}  // namespace
