#include "comms/ActivityLog.h"

#include "support/SmtpSink.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

using test::TestInstallation;
using testing::ReceivedMail;
using testing::SmtpSink;

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));
const QString kStamp = QStringLiteral("05/03/2024 at 14:07:09");
const QString kCrLf = QStringLiteral("\r\n");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString rule(int width) { return QString(width, QLatin1Char('=')); }

// A heading between two rules of its width, as the mail body shows it.
QString block(int width, const QString& heading) { return kCrLf + rule(width) + kCrLf + heading + kStamp + kCrLf + rule(width); }

TEST(ActivityLogLayoutTest, FileAndBodyForProblemsSuccessesOrBoth) {
    const QString intro = QStringLiteral(
        "\r\nPlease find below, the activity log from the automated VELT Listener module, powered by Tarvonel, for Riverside CU.\r\n"
        "The complete activity log has also been attached to this email.\r\n\r\n"
        "Please do not reply to this email, as it is from an unattended mailbox.");
    const QString issues = QStringLiteral("Issues encountered on ");
    const QString successes = QStringLiteral("Successes on ");
    const struct {
        QStringList problems, successes, file;
        QString body;
    } cases[] = {
        {{"P1", "P2"}, {}, {rule(62), issues + kStamp, "P1", "P2", rule(62)}, block(43, issues) + "\r\nP1\r\nP2"},
        {{}, {"S1"}, {rule(62), "No Issues to report on " + kStamp, rule(62), successes + kStamp, "S1", rule(62)},
         block(44, "No Issues to report on ") + block(45, "Successes encountered on ") + "\r\nS1"},
        {{"P1"}, {"S1", "S2"}, {rule(62), issues + kStamp, "P1", rule(62), successes + kStamp, "S1", "S2", rule(62)},
         block(43, issues) + "\r\nP1" + block(45, "Successes encountered on ") + "\r\nS1\r\nS2"},
    };
    for (const auto& c : cases) {
        const ActivityLogText log = buildActivityLog(c.problems, c.successes, QStringLiteral("Riverside CU"), kNow);
        EXPECT_EQ(log.file, c.file.join(kCrLf) + kCrLf);
        EXPECT_EQ(log.body, intro + c.body);
    }
}

class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.clock().set(kNow);
        im.SetPassDateToToday();
        im.settings.cuname = QStringLiteral("Riverside Credit Union");
        im.settings.SenderAddress = QStringLiteral("office@riverside.example");
        im.settings.WebSenderAddress = QStringLiteral("donotreply@web-one.example");
        QDir().mkpath(im.config.mailPickupFolder);
    }
    QList<ReceivedMail> mails() const {
        QList<ReceivedMail> found;
        const QDir pickup(im.config.mailPickupFolder);
        for (const QString& name : pickup.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            if (auto mail = SmtpSink::parseMessageFile(pickup.filePath(name))) found << *mail;
        return found;
    }
    TestInstallation inst;
    Importer& im = inst.importer();
};

TEST_F(ActivityLogTest, TheFileIsWrittenInItsMonthFolderOnlyWithLinesAndMailedOnlyWhenAsked) {
    EXPECT_EQ(RecordActivityLog(im, true), QString());
    EXPECT_FALSE(QDir(inst.path(QStringLiteral("VELTLOGS_2024Mar"))).exists());
    // An applicant's name that looks like markup leaves the mail plain text, every line in it.
    im.ShowException(QStringLiteral("Member 12 <b><!-- has no address"));
    im.ShowSuccess(QStringLiteral("Imported member 13 <a href=\"https://x.example\">Smith</a>"));
    EXPECT_TRUE(QFile::exists(RecordActivityLog(im, false)));
    EXPECT_TRUE(mails().isEmpty());
    EXPECT_EQ(RecordActivityLog(im, true), inst.path(QStringLiteral("VELTLOGS_2024Mar/Eventlog20240305-140709.txt")));
    const ActivityLogText expected =
        buildActivityLog(inst.reporter().problems(), inst.reporter().successes(), QStringLiteral("Riverside Credit Union"), kNow);
    EXPECT_EQ(QString::fromUtf8(readAll(inst.path(QStringLiteral("VELTLOGS_2024Mar/Eventlog20240305-140709.txt")))), expected.file);
    const QList<ReceivedMail> sent = mails();
    ASSERT_EQ(sent.size(), 1);
    QStringList headers;
    for (const char* name : {"To", "Subject", "From", "Reply-To"}) headers << sent[0].header(QLatin1String(name));
    EXPECT_EQ(headers, (QStringList{"office@riverside.example", "Automated Activity", "Riverside Credit Union <donotreply@web-one.example>",
                                    "Riverside Credit Union <office@riverside.example>"}));
    ASSERT_EQ(sent[0].parts.size(), 2);
    EXPECT_EQ(sent[0].parts[0].contentType, QStringLiteral("text/plain"));
    EXPECT_EQ(QString::fromUtf8(sent[0].parts[0].payload), expected.body);
    EXPECT_EQ(sent[0].parts[1].filename, QStringLiteral("Eventlog20240305-140709.txt"));
    EXPECT_EQ(QString::fromUtf8(sent[0].parts[1].payload), expected.file);
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
        im.settings.SenderAddress = QLatin1String(c.sender);
        EXPECT_EQ(activityLogRecipients(im), QLatin1String(c.recipients));
    }
    EXPECT_EQ(EmailActivityLog(im, QStringLiteral("body"), QString()), QString());
    EXPECT_TRUE(mails().isEmpty());
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
}

// A mail that cannot go is noted in the importer log file, not among the cycle's lines.
TEST_F(ActivityLogTest, AFailedSendGoesToTheImporterLogFileNotToTheCyclesLines) {
    QDir(im.config.mailPickupFolder).removeRecursively();
    ASSERT_TRUE(QFile(im.config.mailPickupFolder).open(QIODevice::WriteOnly));  // a file where the pickup folder should be
    im.ShowSuccess(QStringLiteral("Imported member 13"));
    EXPECT_FALSE(RecordActivityLog(im, true).isEmpty());
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
    const QStringList logs = QDir(inst.path(QStringLiteral("web"))).entryList(QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(readAll(inst.path(QStringLiteral("web/") + logs[0])).startsWith("The activity log could not be emailed: "));
}

}  // namespace
}  // namespace autovelt
