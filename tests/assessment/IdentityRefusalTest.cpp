#include "assessment/IdentityCheck.h"
#include "state/RecordedResponses.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;
using autovelt::test::TestInstallation;

namespace {

constexpr long kMember = 1234;
const QString kPassword = QStringLiteral("Refusal-Pass-77");

// An agency that refuses the check may quote what it was sent: the refusal reaches the
// report, the password never does. The answer is the one kept for the application, so no
// agency is asked.
struct RefusalCase {
    const char* name;
    const char* answer;          // "%P" stands for the password
    const char* expectedRefusal; // the problem line after "Unable to perform ID search-"
};

class IdentityRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(IdentityRefusalTest, ReportsTheRefusalWithThePasswordMasked) {
    const RefusalCase& c = GetParam();
    TestInstallation inst;
    inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, Surname, DOB) "
                          "VALUES (1234, 'A', 'Mr', 'John', 'Lee', '1985-04-15')");
    inst.exec("TarvMain", "INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line3, Postcode, EffectiveFrom) "
                          "VALUES (1234, 'HOME', 1, '12 High Street', 'Leeds', 'LS1 4AB', '2020-02-01')");
    inst.clock().set(QDateTime(QDate(2026, 3, 5), QTime(10, 15)));
    inst.openCoreConnections();
    Importer& im = inst.importer();
    im.SetPassDateToToday();
    im.config.agency.callValidateLiveHost = QStringLiteral("agency.example");
    im.settings.agency.IdentityCheckCompany = QStringLiteral("RIVERSIDE");
    im.settings.agency.IdentityCheckUserName = QStringLiteral("riverside.cv");
    im.settings.agency.IdentityCheckPassword = kPassword;
    ApplicationState& app = im.app;
    app.memberNumber = app.newMemberNumber = kMember;
    app.field[7] = QStringLiteral("15/04/1985");
    app.field[27] = QStringLiteral("P");
    app.field[110] = QStringLiteral("1");
    app.identityKey = QStringLiteral("41-refusal");
    im.recordedResponses().remember(app.identityKey, QStringLiteral("CallValidate 1234"),
                                    QString::fromLatin1(c.answer).replace(QStringLiteral("%P"), kPassword).toUtf8());

    RunIdentityCheck(im, kMember);

    const QStringList problems = inst.reporter().problems();
    ASSERT_FALSE(problems.isEmpty());
    EXPECT_EQ(problems.last(), QStringLiteral("Unable to perform ID search-") + QLatin1String(c.expectedRefusal));
    for (const QString& line : problems) EXPECT_FALSE(line.contains(kPassword)) << line.toStdString();
    EXPECT_EQ(app.field[27], "F");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, IdentityRefusalTest,
    testing::Values(
        RefusalCase{"ErrorsElement", "<Results><Errors><Error>password %P is not valid</Error></Errors></Results>",
                    "<Error>password ******** is not valid</Error>"},
        RefusalCase{"ErrorText", "Error: 401 - refused for riverside.cv/%P", "Error: 401 - refused for riverside.cv/********"},
        RefusalCase{"QuotedTwice", "<Errors>%P and %P</Errors>", "******** and ********"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

}  // namespace
