#include "comms/ActivityLog.h"

#include "support/ExpectedDocuments.h"
#include "support/ProgramRuns.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

using testing::ReceivedMail;

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));
// A reviewed file of tests/expected with the line ends the log and its mail use.
QString withCrLf(const QString& name) { return test::ExpectedDocument(name).replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

TEST(ActivityLogLayoutTest, FileAndBodyForProblemsSuccessesOrBoth) {
    const struct { const char* name; QStringList problems, successes; } cases[] = {
        {"problems", {"P1", "P2"}, {}}, {"successes", {}, {"S1"}}, {"both", {"P1"}, {"S1", "S2"}},
    };
    for (const auto& c : cases) {
        const ActivityLogText log = buildActivityLog(c.problems, c.successes, QStringLiteral("Riverside CU"), kNow);
        EXPECT_EQ(log.file, withCrLf(QStringLiteral("activity-log-%1-file.txt").arg(c.name)));
        EXPECT_EQ(log.body, withCrLf(QStringLiteral("activity-log-%1-mail.txt").arg(c.name)).chopped(2));  // no line end after the last
    }
}

class ActivityLogTest : public test::InstallationTest {
protected:
    void SetUp() override {
        inst.clock().set(kNow);
        im().SetPassDateToToday();
        im().settings.cuname = QStringLiteral("Riverside Credit Union");
        im().settings.SenderAddress = QStringLiteral("office@riverside.example");
        im().settings.WebSenderAddress = QStringLiteral("donotreply@web-one.example");
        QDir().mkpath(im().config.mailPickupFolder);
    }
    QList<ReceivedMail> mails() { return test::PickedUpMails(im().config.mailPickupFolder); }
};

TEST_F(ActivityLogTest, TheFileIsWrittenInItsMonthFolderOnlyWithLinesAndMailedOnlyWhenAsked) {
    EXPECT_EQ(RecordActivityLog(im().cycle(), im().session(), true), QString());
    EXPECT_FALSE(QDir(inst.path(QStringLiteral("VELTLOGS_2024Mar"))).exists());
    // An applicant's name that looks like markup leaves the mail plain text, every line in it.
    im().ShowException(QStringLiteral("Member 12 <b><!-- has no address"));
    im().ShowSuccess(QStringLiteral("Imported member 13 <a href=\"https://x.example\">Smith</a>"));
    EXPECT_TRUE(QFile::exists(RecordActivityLog(im().cycle(), im().session(), false)));
    EXPECT_TRUE(mails().isEmpty());
    EXPECT_EQ(RecordActivityLog(im().cycle(), im().session(), true),
              inst.path(QStringLiteral("VELTLOGS_2024Mar/Eventlog20240305-140709.txt")));
    const ActivityLogText expected = buildActivityLog(problems(), successes(), QStringLiteral("Riverside Credit Union"), kNow);
    EXPECT_EQ(inst.readFile(QStringLiteral("VELTLOGS_2024Mar/Eventlog20240305-140709.txt")), expected.file);
    const QList<ReceivedMail> sent = mails();
    ASSERT_EQ(sent.size(), 1);
    ASSERT_EQ(sent[0].parts.size(), 2);
    EXPECT_EQ((QStringList{sent[0].headerValues({"To", "Subject", "From", "Reply-To"}), sent[0].parts[0].contentType,
                           QString::fromUtf8(sent[0].parts[0].payload), sent[0].parts[1].filename, QString::fromUtf8(sent[0].parts[1].payload)}),
              (QStringList{"office@riverside.example|Automated Activity|Riverside Credit Union <donotreply@web-one.example>|"
                           "Riverside Credit Union <office@riverside.example>",
                           "text/plain", expected.body, "Eventlog20240305-140709.txt", expected.file}));
}

// The first line of emailme.txt replaces the sender address; nobody is mailed at an address nobody reads or that is none.
TEST_F(ActivityLogTest, RecipientsComeFromEmailmeOrTheSenderAddress) {
    const struct { const char* emailme; const char* sender; const char* recipients; } cases[] = {  // emailme nullptr: no file
        {nullptr, "office@riverside.example", "office@riverside.example"},
        {"manager@riverside.example\nother@riverside.example\n", "office@riverside.example", "manager@riverside.example"},
        {"a@riverside.example;b@riverside.example\n", "office@riverside.example", "a@riverside.example;b@riverside.example"},
        {"DoNotReply@riverside.example\n", "office@riverside.example", ""},
        {nullptr, "DONOTREPLY@riverside.example", ""},
        {nullptr, "office@riverside", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sender);
        QFile::remove(inst.path(QStringLiteral("emailme.txt")));
        if (c.emailme) inst.writeFile(QStringLiteral("emailme.txt"), QLatin1String(c.emailme));
        im().settings.SenderAddress = QLatin1String(c.sender);
        EXPECT_EQ(activityLogRecipients(im().programFolder(), im().settings.SenderAddress), QLatin1String(c.recipients));
    }
    EXPECT_EQ(EmailActivityLog(im().cycle(), QStringLiteral("body"), QString()), QString());
    EXPECT_TRUE(mails().isEmpty());
    EXPECT_TRUE(problems().isEmpty());
}

// A mail that cannot go is noted in the importer log file, not among the cycle's lines.
TEST_F(ActivityLogTest, AFailedSendGoesToTheImporterLogFileNotToTheCyclesLines) {
    QDir(im().config.mailPickupFolder).removeRecursively();
    ASSERT_TRUE(QFile(im().config.mailPickupFolder).open(QIODevice::WriteOnly));  // a file where the pickup folder should be
    im().ShowSuccess(QStringLiteral("Imported member 13"));
    EXPECT_FALSE(RecordActivityLog(im().cycle(), im().session(), true).isEmpty());
    EXPECT_TRUE(problems().isEmpty());
    const QStringList logs = inst.importerLogs("*");
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(logs[0].startsWith("The activity log could not be emailed: "));
}

}  // namespace
}  // namespace autovelt
