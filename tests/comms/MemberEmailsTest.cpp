// The emails to applicants, each read back from the installation's pickup folder as the applicant's server would receive it.

#include "comms/MemberEmails.h"

#include "app/InstallationSetup.h"
#include "comms/MemberEmailTemplate.h"
#include "support/ExpectedDocuments.h"
#include "support/ProgramRuns.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::ReceivedMail;

namespace {

// Every placeholder, each labelled, so a body shows which value went where.
const QString kAllPlaceholders = QStringLiteral(
    "<p>7=<7>|14=<14>|NO=<NO>|F=<F>|T=<T>|S=<S>|SN=<SN>|CU=<CUNAME>|E=<CUEMAIL>|R=<REGNO>|C=<CREF>|U=<URL>|U2=<URL2></p>");

using Sender = std::function<void(const CycleContext&, UnitSession&, const ApplicationState&)>;

struct EmailCase {
    const char* name;
    Sender send;
    long newMemberNumber;
    const char* applicationCode;
    const char* templateName;
};

const EmailCase kEmails[] = {
    {"join", SendJoinEmail, 501, "2", "joinonly.html"},
    {"loan", SendLoanEmail, 0, "1", "Lngeneral.html"},
    {"join and loan", SendLoanEmail, 501, "1", "Lnjandb.html"},
    {"join fail", SendFailEmail, 0, "2", "Jnnotok.html"},
    {"loan fail", SendFailEmail, 0, "1", "Lnnotok.html"},
};

class MemberEmailsTest : public InstallationTest {
protected:
    void SetUp() override {
        inst.appendConfig(QStringLiteral("[web]\nupload_host1 = apply.riverside.example\n"
                                         "upload_host2 = apply2.host.example\nupload_host3 = apply3.host.example\n"
                                         "[mail]\nsupport_mailbox = support@vendor.example, help@vendor.example"));
        prepare();
        for (const QString& name : EmailTemplateNames())
            inst.writeFile(name, QStringLiteral("Template ") + name + QLatin1Char(' ') + kAllPlaceholders);
    }

    // The cycle's settings and the application; again after the configuration changes, which makes a new importer.
    void prepare() {
        inst.openCoreConnections();
        CycleSettings& s = im().settings;
        s.cuname = QStringLiteral("Riverside Credit Union");
        s.SenderAddress = QStringLiteral("office@riverside.example");
        s.FSARefNo = QStringLiteral("213000");
        s.WebHost = QStringLiteral("127.0.0.1");
        s.WebSenderAddress = QStringLiteral("donotreply@web-one.example");
        s.webip = QStringLiteral("10.0.0.33");
        s.webun = QStringLiteral("riverside");
        im().PassDate = QStringLiteral("06/12/26");
        im().app = {.memberNumber = 501, .addresses = {.applicantEmail = "amelia@mail.example"}};
        im().app.identityKey = "12-abc";
        for (const auto& [index, value] : {std::pair{3, "ms"}, {4, "amelia"}, {6, "mcdonald"}, {105, "778899"}, {110, "2"}})
            im().app.field[index] = QLatin1String(value);
    }

    QList<ReceivedMail> send(const EmailCase& c) {
        clearOutbox();
        im().app.newMemberNumber = c.newMemberNumber;
        im().app.field[tw::ApplicationCode] = QLatin1String(c.applicationCode);
        c.send(im().cycle(), im().session(), im().app);
        return sentMail();
    }
    void clearOutbox() { QDir(inst.path(QStringLiteral("outbox"))).removeRecursively(); }
    QList<ReceivedMail> sentMail() { return PickedUpMails(inst.path(QStringLiteral("outbox"))); }
    // The message ends its last line; the template did not.
    static QString body(const ReceivedMail& mail) {
        return mail.parts.isEmpty() ? QString() : QString::fromUtf8(mail.parts[0].payload).chopped(2);
    }
    QStringList diaryNotes() {
        return inst.values(QStringLiteral("TarvTran"), QStringLiteral("SELECT Keyword || ':' || Msgtext FROM Diary ORDER BY 1"));
    }
};

// Each email whole, as the reviewed file holds it: its template, subject and every placeholder filled.
TEST_F(MemberEmailsTest, EachEmailTakesItsTemplateSubjectAndEveryPlaceholder) {
    QStringList received;
    for (const EmailCase& c : kEmails) {
        received << QStringLiteral("== ") + c.name;
        for (const ReceivedMail& mail : send(c))
            received << mail.headerValues({"To", "Subject", "From", "Reply-To"}) << mail.contentType << body(mail);
    }
    EXPECT_EQ(received.join('\n') + '\n', ExpectedDocument("member-emails-every-placeholder.txt"));
    EXPECT_EQ(problems(), QStringList{});
    // Each went through the outbox, whose rows are kept: the mail password is read when sending, never stored.
    EXPECT_FALSE(inst.values("TarvAudt", "SELECT Payload FROM VeltEffect").join(' ').contains(im().config.smtpPassword));
}

// The samples for a new installation are private and fill every placeholder they hold; a credit union's own template stays.
TEST_F(MemberEmailsTest, TheSampleTemplatesLeaveNoPlaceholderUnfilledAndNeverReplaceTheCreditUnionsOwn) {
    for (const QString& name : EmailTemplateNames()) QFile::remove(inst.path(name));
    inst.writeFile(QStringLiteral("Jnnotok.html"), QStringLiteral("Our own <F>"));
    QString reason;
    ASSERT_TRUE(CopySampleTemplates(inst.home(), reason)) << reason.toStdString();
    const QRegularExpression placeholder(QStringLiteral("<(7|14|NO|F|T|S|SN|CUNAME|CUEMAIL|REGNO|CREF|URL|URL2)>"));
    for (const EmailCase& c : kEmails) {
        if (QLatin1String(c.templateName) == QLatin1String("Jnnotok.html")) continue;  // the credit union's own, below
        SCOPED_TRACE(c.name);
        const QList<ReceivedMail> mails = send(c);
        ASSERT_EQ(mails.size(), 1);
        EXPECT_EQ(QFileInfo(inst.path(QLatin1String(c.templateName))).permissions() & 0x0077, 0);
        EXPECT_TRUE(body(mails[0]).contains(QStringLiteral("Dear Ms McDonald,")));
        EXPECT_FALSE(body(mails[0]).contains(placeholder)) << body(mails[0]).toStdString();
    }
    EXPECT_EQ(body(send(kEmails[3]).value(0)), QStringLiteral("Our own Amelia"));  // the join fail email's
}

// Names from the website are shown, never read as markup or placeholders; plain text stays plain; ANSI text is read as such.
TEST_F(MemberEmailsTest, TemplatesAreReadAndFilledWithoutLettingAValueBecomeMarkup) {
    im().app.field[tw::Forename] = QStringLiteral("<script>alert(\"x\")</script>");
    im().app.field[tw::Surname] = QStringLiteral("o'brien & <b>sons</b>");
    im().settings.cuname = QStringLiteral("A&B <F>");
    // The content type then the body of each; the plain text's line break shown as \r\n.
    QStringList received;
    for (const char* text : {"<p>Dear <F> <S> of <CUNAME></p>", "Dear <S>,\nwelcome.", "<p>Caf\xe9 \x80 for <S></p>"}) {
        clearOutbox();
        WriteFileBytes(inst.path(QStringLiteral("joinonly.html")), text);
        SendJoinEmail(im().cycle(), im().session(), im().app);
        for (const ReceivedMail& mail : sentMail()) received << mail.contentType + ' ' + body(mail).replace("\r\n", "\\r\\n");
    }
    EXPECT_EQ(received.join('\n') + '\n', ExpectedDocument("member-emails-markup.txt"));
}

// In UAT mode or a single-application run nothing reaches the applicant: each run's lines and the blind copies of its
// one mail, as the reviewed file holds them.
TEST_F(MemberEmailsTest, UatModeAndSingleApplicationRunsSendToTheSupportMailbox) {
    const struct { const char* name; bool uat; long idRun; } cases[] = {{"UAT", true, 0}, {"id.txt run", false, 12}, {"both", true, 12}};
    QStringList seen;
    for (const auto& c : cases) {
        clearOutbox();
        inst.reporter().clear();
        im().settings.UATMode = c.uat;
        im().applicationIdOverride = c.idRun;
        SendJoinEmail(im().cycle(), im().session(), im().app);
        seen << QStringLiteral("== join email, ") + c.name << problems();
        for (const ReceivedMail& mail : sentMail()) {
            seen << "Bcc: " + mail.header(QStringLiteral("Bcc"));
            EXPECT_FALSE(QString::fromUtf8(mail.raw).contains(QStringLiteral("amelia@mail.example"))) << c.name;
        }
    }
    inst.reporter().clear();
    im().settings.UATMode = false;
    SendLoanEmail(im().cycle(), im().session(), im().app);
    SendFailEmail(im().cycle(), im().session(), im().app);
    seen << QStringLiteral("== loan and fail emails, id.txt run") << problems();
    EXPECT_EQ(seen.join('\n') + '\n', ExpectedDocument("member-emails-support-mailbox.txt"));
}

// One applicant, one address, and no header of its own; nothing is sent or noted without it, nor without the template:
// each case's lines as the reviewed file holds them.
TEST_F(MemberEmailsTest, AnUnusableAddressOrAMissingTemplateIsReportedAndNothingIsSent) {
    const std::pair<const char*, Sender> cases[] = {
        {"", SendJoinEmail}, {"amelia.mail.example", SendLoanEmail}, {"amelia@mailexample", SendFailEmail},
        {"amelia@mail.example;other@mail.example", SendJoinEmail}, {"amelia@mail.example\r\nBcc: other@mail.example", SendLoanEmail},
    };
    QStringList seen;
    for (const auto& [address, sendTo] : cases) {
        inst.reporter().clear();
        im().app.addresses.applicantEmail = QLatin1String(address);
        sendTo(im().cycle(), im().session(), im().app);
        seen << QStringLiteral("== address \"%1\"").arg(QString(address).replace("\r\n", "\\r\\n")) << problems();
    }
    im().app.addresses.applicantEmail = QStringLiteral("amelia@mail.example");
    for (const QString& name : EmailTemplateNames()) QFile::remove(inst.path(name));
    for (const EmailCase& c : kEmails) {
        inst.reporter().clear();
        send(c);
        seen << QStringLiteral("== no template, ") + c.name << problems();
    }
    EXPECT_EQ(seen.join('\n') + '\n', ExpectedDocument("member-emails-not-sent.txt"));
    EXPECT_EQ(sentMail().size() + diaryNotes().size(), 0);
}

// A placeholder is "<", one to eight capitals or digits, and ">"; anything else is text.
TEST(MemberEmailTemplate, OnlyWholePlaceholdersAreFilled) {
    const PlaceholderValues values{{"<S>", "Smith"}, {"<F>", "Ann"}, {"<ABCDEFGH>", "8"}, {"<ABCDEFGHI>", "9"}};
    EXPECT_EQ(FillTemplate("<<S>> <s> <S <ABCDEFGHI> <ABCDEFGH> <S><F><X>", values), "<Smith> <s> <S <ABCDEFGHI> 8 SmithAnn<X>");
}

// Each web server address's links (<URL>|<URL2>), as the reviewed file holds them.
TEST_F(MemberEmailsTest, TheUploadLinkFollowsTheWebServerAddress) {
    im().app.field[tw::UploadKey] = QStringLiteral("77 88\"><x");  // the key is encoded, never markup
    QStringList links;
    for (const char* webip : {"10.0.0.33", "10.0.0.120", "10.0.0.81", "10.0.0.34"}) {
        im().settings.webip = QLatin1String(webip);
        links << webip + QStringLiteral(" ") + FillTemplate(QStringLiteral("<URL>|<URL2>"), MemberEmailValues(im().app, im().settings, im().passDate(), im().config.uploadHosts, true));
    }
    EXPECT_EQ(links.join('\n') + '\n', ExpectedDocument("member-emails-upload-links.txt"));
    inst.appendConfig(QStringLiteral("[web]\nupload_host2 = \"apply host/x\""));
    EXPECT_TRUE(im().config.problems.contains(
        QStringLiteral("Setting [web] upload_host2 = \"apply host/x\" in autovelt.ini is not valid: a host name is needed")));
}

// Staff see on the member's record what the applicant was told, even when the mail fails.
TEST_F(MemberEmailsTest, TheFailEmailIsNotedInTheDiaryAndAFailedSendReported) {
    autovelt::testing::SmtpSink refusing({.refuseRecipients = true, .authLogin = {}, .offerStartTls = false});
    inst.appendConfig(QStringLiteral("[mail]\npickup_folder =\nsmtp_server = 127.0.0.1\nsmtp_port = %1").arg(refusing.port()));
    prepare();
    inst.writeFile(QStringLiteral("Jnnotok.html"), QStringLiteral("<p>Sorry <F>, ref <CREF></p>"));
    SendFailEmail(im().cycle(), im().session(), im().app);
    EXPECT_EQ(diaryNotes(), QStringList{QStringLiteral("VELT:VELT sent the following fail email \r\n<p>Sorry Amelia\r\n ref 778899</p>")});
    EXPECT_EQ(problems().replaceInStrings(QRegularExpression("^The response was .*"), "The response was ..."),
              (QStringList{"Error sending email for member 501 regarding failed application.", "The response was ..."}));
}

}  // namespace
