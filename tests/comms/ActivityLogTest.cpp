#include "comms/ActivityLog.h"

#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

using test::TestInstallation;

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));
const QString kStamp = QStringLiteral("05/03/2024 at 14:07:09");
const QString kCrLf = QStringLiteral("\r\n");

QString rule(int width) { return QString(width, QLatin1Char('=')); }

QString lines(const QStringList& list) { return list.join(kCrLf) + kCrLf; }

QString introduction(const QString& cuname) {
    return kCrLf + QStringLiteral("Please find below, the activity log from the automated VELT Listener module, powered "
                                  "by Tarvonel, for ") +
           cuname +
           QStringLiteral(".\r\nThe complete activity log has also been attached to this email.\r\n\r\n"
                          "Please do not reply to this email, as it is from an unattended mailbox.");
}

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// ---- Layout ---------------------------------------------------------------------------

// A heading between two rules of its width, as the mail body shows it.
QString block(int width, const QString& heading) { return kCrLf + rule(width) + kCrLf + heading + kStamp + kCrLf + rule(width); }

TEST(ActivityLogLayoutTest, FileAndBodyForProblemsSuccessesOrBoth) {
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
        EXPECT_EQ(log.file, lines(c.file));
        EXPECT_EQ(log.body, introduction(QStringLiteral("Riverside CU")) + c.body);
    }
}

// ---- Writing and mailing --------------------------------------------------------------

class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.clock().set(kNow);
        im.SetPassDateToToday();
        im.settings.cuname = QStringLiteral("Riverside Credit Union");
        im.settings.SenderAddress = QStringLiteral("office@riverside.example");
        im.settings.WebHost = QStringLiteral("web-one.example");
        im.settings.WebSenderAddress = QStringLiteral("donotreply@web-one.example");
        QDir().mkpath(im.config.mailPickupFolder);
    }

    QStringList mails() const {
        return QDir(im.config.mailPickupFolder).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
    }
    QString onlyMail() const {
        const QStringList found = mails();
        return found.size() == 1 ? readAll(QDir(im.config.mailPickupFolder).filePath(found.first())) : QString();
    }

    TestInstallation inst;
    Importer& im = inst.importer();
};

TEST_F(ActivityLogTest, NoLinesWriteNoFileAndSendNoMail) {
    EXPECT_EQ(RecordActivityLog(im, true), QString());
    EXPECT_FALSE(QDir(inst.path(QStringLiteral("VELTLOGS_2024Mar"))).exists());
    EXPECT_TRUE(mails().isEmpty());
}

TEST_F(ActivityLogTest, FileIsWrittenInItsMonthFolderAndMailedWithItAttached) {
    im.ShowException(QStringLiteral("Member 12 has no address"));
    im.ShowSuccess(QStringLiteral("Imported member 13"));
    const QString path = RecordActivityLog(im, true);

    EXPECT_EQ(path, inst.path(QStringLiteral("VELTLOGS_2024Mar/Eventlog20240305-140709.txt")));
    const QString file = readAll(path);
    EXPECT_EQ(file, buildActivityLog(inst.reporter().problems(), inst.reporter().successes(),
                                     QStringLiteral("Riverside Credit Union"), kNow)
                        .file);

    const QString mail = onlyMail();
    ASSERT_FALSE(mail.isEmpty());
    EXPECT_TRUE(mail.contains(QStringLiteral("\r\nTo: office@riverside.example\r\n")));
    EXPECT_TRUE(mail.contains(QStringLiteral("\r\nSubject: Automated Activity\r\n")));
    EXPECT_TRUE(mail.contains(QStringLiteral("\r\nFrom: Riverside Credit Union <donotreply@web-one.example>\r\n")));
    EXPECT_TRUE(mail.contains(QStringLiteral("\r\nReply-To: Riverside Credit Union <office@riverside.example>\r\n")));
    EXPECT_TRUE(mail.contains(QStringLiteral("filename=\"Eventlog20240305-140709.txt\"")));
    EXPECT_TRUE(mail.contains(QString::fromLatin1(file.toUtf8().toBase64()).left(60)));
    EXPECT_TRUE(mail.contains(QStringLiteral("Member 12 has no address")));
    EXPECT_FALSE(mail.contains(im.config.smtpPassword));
}

TEST_F(ActivityLogTest, EmailFalseWritesTheFileOnly) {
    im.ShowSuccess(QStringLiteral("Imported member 13"));
    EXPECT_TRUE(QFile::exists(RecordActivityLog(im, false)));
    EXPECT_TRUE(mails().isEmpty());
}

TEST_F(ActivityLogTest, FirstLineOfEmailmeOverridesTheSenderAddress) {
    EXPECT_EQ(activityLogRecipients(im), QStringLiteral("office@riverside.example"));  // without the file
    inst.writeFile(QStringLiteral("emailme.txt"), QStringLiteral("manager@riverside.example\nother@riverside.example\n"));
    EXPECT_EQ(activityLogRecipients(im), QStringLiteral("manager@riverside.example"));
    EXPECT_EQ(EmailActivityLog(im, QStringLiteral("body"), QString()), QStringLiteral("ok"));
    EXPECT_TRUE(onlyMail().contains(QStringLiteral("\r\nTo: manager@riverside.example\r\n")));

    // Several recipients go blind.
    QDir(im.config.mailPickupFolder).removeRecursively();
    QDir().mkpath(im.config.mailPickupFolder);
    inst.writeFile(QStringLiteral("emailme.txt"), QStringLiteral("a@riverside.example;b@riverside.example\n"));
    EXPECT_EQ(EmailActivityLog(im, QStringLiteral("body"), QString()), QStringLiteral("ok"));
    const QString mail = onlyMail();
    EXPECT_TRUE(mail.contains(QStringLiteral("\r\nBcc: a@riverside.example, b@riverside.example\r\n")));
    EXPECT_FALSE(mail.contains(QStringLiteral("\r\nTo:")));
}

TEST_F(ActivityLogTest, DonotreplyInEmailmeSuppressesTheMail) {
    inst.writeFile(QStringLiteral("emailme.txt"), QStringLiteral("donotreply@riverside.example\n"));
    im.ShowException(QStringLiteral("A problem"));
    EXPECT_FALSE(RecordActivityLog(im, true).isEmpty());
    EXPECT_TRUE(mails().isEmpty());
}

// So is a donotreply sender address, in any case.
TEST_F(ActivityLogTest, RecipientThatIsNotAnAddressIsSkippedSilently) {
    for (const QString& recipient : {QString(), QStringLiteral("office"), QStringLiteral("office@riverside"),
                                     QStringLiteral("DoNotReply@riverside.example")}) {
        im.settings.SenderAddress = recipient;
        EXPECT_EQ(EmailActivityLog(im, QStringLiteral("body"), QString()), QString()) << recipient.toStdString();
    }
    EXPECT_TRUE(mails().isEmpty());
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
}

TEST_F(ActivityLogTest, AFailedSendIsNotReported) {
    QDir(im.config.mailPickupFolder).removeRecursively();
    im.ShowSuccess(QStringLiteral("Imported member 13"));
    EXPECT_FALSE(RecordActivityLog(im, true).isEmpty());
    EXPECT_TRUE(inst.reporter().problems().isEmpty());
    EXPECT_EQ(inst.reporter().successes().size(), 1);
}

}  // namespace
}  // namespace autovelt
