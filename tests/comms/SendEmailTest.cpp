#include "comms/SendEmail.h"

#include "comms/MimeEncoding.h"

#include "support/ExpectedDocuments.h"
#include "support/RecordingMailTransport.h"
#include "support/SmtpSink.h"
#include "support/TestInstallation.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace autovelt;
using autovelt::testing::ReceivedMail;
using autovelt::testing::SmtpSink;

namespace {

const QString kSender = QStringLiteral("velt@varno.example");
const QString kReply = QStringLiteral("office@varno.example");
const QString kPassword = QStringLiteral("zQ7!secret-pass");
const QString kSubject = QStringLiteral("Your application for membership with Varno Credit Union");
const QString kOk = QStringLiteral("ok");

std::string text(const QString& s) { return s.toStdString(); }

class SendEmailTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files.isValid());
        context.cuname = QStringLiteral("Varno Credit Union");
        context.settings.connectTimeoutSeconds = 10;
        context.settings.totalTimeoutSeconds = 60;
    }
    // A sink offering STARTTLS unless told otherwise, its CA trusted.
    void startSink(SmtpSink::Options options = {.offerStartTls = true}) {
        sink = std::make_unique<SmtpSink>(options);
        context.settings.caFile = sink->caFile();
    }
    QString send(const QString& to, const QString& body, const QString& attachments = {}, quint16 port = 0,
                 const QString& password = kPassword, bool useSsl = false) {
        return SendEmail(to, subject, kReply, body, QStringLiteral("127.0.0.1"), port ? port : sink->port(), kSender, password,
                         attachments, useSsl, context);
    }
    QString writeFile(const QString& name, const QByteArray& content) {
        test::WriteFileBytes(files.filePath(name), content);
        return files.filePath(name);
    }
    QTemporaryDir files;
    QString subject = kSubject;
    MailContext context;
    std::unique_ptr<SmtpSink> sink;
};

// The same, with every message handed to a recorder instead of a server.
class RecordedSendTest : public SendEmailTest {
protected:
    void SetUp() override {
        SendEmailTest::SetUp();
        context.transport = &recorder;
    }
    autovelt::testing::RecordingMailTransport recorder;
};

// Every line end becomes CRLF; a header folds at blanks, keeping empty words.
TEST(MimeEncodingTest, LineEndsBecomeCrlfAndHeadersFoldAtBlanks) {
    const struct { const char16_t* text; QByteArray crlf; } lineEnds[] = {
        {u"a\r\nb", "a\r\nb"}, {u"a\nb\rc", "a\r\nb\r\nc"}, {u"a\r\r\nb\n\n", "a\r\n\r\nb\r\n\r\n"},
        {u"\r", "\r\n"}, {u"caf\u00e9\n", "caf\xc3\xa9\r\n"}, {u"", ""}};
    for (const auto& c : lineEnds) EXPECT_EQ(toCrlfUtf8(QString::fromUtf16(c.text)), c.crlf);

    EXPECT_EQ(headerLine("Subject", ""), "Subject: \r\n");
    EXPECT_EQ(headerLine("Subject", "two  blanks "), "Subject: two  blanks \r\n");
    const QByteArray words = QByteArray("word ").repeated(20).trimmed();
    const QByteArray folded = headerLine("Subject", words);
    EXPECT_EQ(folded, "Subject:" + QByteArray(" word").repeated(14) + "\r\n" + QByteArray(" word").repeated(6) + "\r\n");
}

// A name with punctuation and a line break in the subject stay in their headers; HTML and text bodies arrive exactly, in
// lines a server accepts; two attachments arrive intact under their names.
TEST_F(SendEmailTest, HeadersBodiesAndAttachmentsArriveExactly) {
    startSink();
    context.cuname = QStringLiteral("Varno, Ŧarvonel & Co. Credit Union");
    subject = QStringLiteral("Loan £500 update\r\nBcc: all@example.com");
    const QString html = QStringLiteral("<html><p>Dear Jane,</p>\r\n<a href=\"https://x.example/?ref=1\">Click here</a>"
                                        " £100 = a long line that is well over seventy-six characters so it must be wrapped\r\n.</html>");
    const QString plain = QStringLiteral("Dear Jane,\r\n\r\nThank you. Café £5 = fine.\r\n.\r\nTrailing blank \r\n");
    QByteArray binary;
    for (int b = 0; b < 256 * 300; ++b) binary.append(char(b % 256));
    const QByteArray xml = "<?xml version=\"1.0\"?>\r\n<report>caf\xc3\xa9</report>\n";
    const QString attachments = writeFile("credit report.pdf", binary) + u'|' + writeFile("request-ü.xml", xml);
    ASSERT_EQ(send(QStringLiteral("jane.doe@example.com"), html), kOk);
    ASSERT_EQ(send(QStringLiteral("jane.doe@example.com"), plain, attachments), kOk);
    const QString missing = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), files.filePath(QStringLiteral("absent.pdf")));
    EXPECT_TRUE(missing.contains(QStringLiteral("absent.pdf")) && missing != kOk) << text(missing);
    const QList<ReceivedMail> mails = sink->messages();
    ASSERT_EQ(mails.size(), 2);
    EXPECT_LT(qAbs(QDateTime::fromString(mails[0].header("Date"), Qt::RFC2822Date).secsTo(QDateTime::currentDateTime())), 600)
        << text(mails[0].header("Date"));
    EXPECT_TRUE(mails[0].header("Message-ID").endsWith("@varno.example>")) << text(mails[0].header("Message-ID"));
    EXPECT_NE(mails[0].header("Message-ID"), mails[1].header("Message-ID"));
    // Each mail's envelope sender, headers and parts as the reviewed file holds them; every part's content exactly.
    QStringList received;
    QList<QByteArray> payloads;
    for (const ReceivedMail& mail : mails) {
        received << mail.mailFrom + " > " + mail.headerValues({"To", "From", "Reply-To", "Subject", "MIME-Version"}) << mail.contentType;
        for (const auto& part : mail.parts) {
            received << "  " + QStringList{part.contentType, part.charset, part.disposition, part.filename}.join(u';');
            payloads << part.payload;
        }
        EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));
        for (const QByteArray& line : mail.raw.split('\n')) EXPECT_LE(line.size(), 79) << line.constData();
    }
    EXPECT_EQ(received.join(u'\n') + u'\n', test::ExpectedDocument(QStringLiteral("send-email-headers-and-parts.txt")));
    EXPECT_EQ(payloads, (QList<QByteArray>{html.toUtf8() + "\r\n", plain.toUtf8(), binary, xml}));  // a message ends its last line
}

enum class Server { Up, Down, Silent };
const QString kWrong = QStringLiteral("Wr0ng-Passw0rd");
const QString kLogin = kSender + u':' + kPassword;

struct ServerCase {
    const char* what;
    SmtpSink::Options options = {.offerStartTls = true};
    Server server = Server::Up;
    bool ssl = false, sslOnConnect = false, requireTls = true, trustSinkCa = true;
    QString password = kPassword;
    const char* to = "jane@example.com";
    QStringList result = {};  // the fragments of the error text
};

// One recipient goes in To, several go blind. By default nothing goes without TLS: a server without it, or whose
// certificate does not verify, gets neither the password nor the message, and the text names the setting to look at;
// only require_tls = false lets the password cross in clear. Every failure gives a text that names it, never the
// password, delivers nothing and ends within the configured timeout. The logins and deliveries as the reviewed file holds them.
TEST_F(SendEmailTest, EachServerAndRecipientListGivesItsResult) {
    const SmtpSink::Options plainAuth = {.authLogin = kLogin}, tlsAuth = {.authLogin = kLogin, .offerStartTls = true};
    const ServerCase cases[] = {
        {.what = "one recipient"},
        {.what = "several", .to = " a@one.example ;b@two.example ,"},
        {.what = "down", .server = Server::Down, .result = {"connect"}},
        {.what = "never answers", .server = Server::Silent, .result = {"timeout"}},
        {.what = "recipient refused", .options = {.refuseRecipients = true, .offerStartTls = true}, .result = {"550", "Mailbox unavailable"}},
        {.what = "SSL without TLS", .options = {}, .ssl = true, .requireTls = false, .result = {"require_tls"}},
        {.what = "SSL on connect", .options = {.authLogin = kLogin, .sslOnConnect = true}, .sslOnConnect = true},
        {.what = "STARTTLS", .options = tlsAuth},
        {.what = "no TLS offered, required by default", .options = plainAuth, .result = {"[mail] require_tls = false"}},
        {.what = "certificate does not verify", .options = tlsAuth, .trustSinkCa = false, .result = {"[mail] ca_file"}},
        {.what = "certificate does not verify, TLS not required", .options = tlsAuth, .requireTls = false, .trustSinkCa = false,
         .result = {"[mail] ca_file"}},
        {.what = "no TLS offered, not required", .options = plainAuth, .requireTls = false},
        {.what = "wrong password", .options = tlsAuth, .password = kWrong},
    };
    context.settings.connectTimeoutSeconds = 1;  // far below the 30-second default
    QStringList outcomes;
    for (const ServerCase& c : cases) {
        SCOPED_TRACE(c.what);
        startSink(c.options);
        if (c.server == Server::Down) sink->stop();
        // The kernel completes the connection to a listening socket; nobody ever answers on it.
        QTcpServer silent;
        ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
        const quint16 port = c.server == Server::Silent ? silent.serverPort() : sink->port();
        context.settings.requireTls = c.requireTls;
        context.settings.sslOnConnect = c.sslOnConnect;
        context.settings.smtpPortOverride = c.sslOnConnect ? port : 0;  // SSL on connect goes to 465 unless a port is set
        if (!c.trustSinkCa) context.settings.caFile.clear();  // the system's certificates only
        QElapsedTimer timer;
        timer.start();
        const QString result = send(QLatin1String(c.to), QStringLiteral("x"), {}, port, c.password, c.ssl);
        EXPECT_LT(timer.elapsed(), 25000);
        for (const QString& fragment : c.result) EXPECT_TRUE(result.contains(fragment, Qt::CaseInsensitive)) << text(result);
        EXPECT_FALSE(result.isEmpty() || result.contains(kWrong) || result.contains(kPassword)) << text(result);
        outcomes << "== " + QString(c.what) + (result == kOk ? ": sent" : ": refused") + ", logins [" + sink->loginAttempts().join(',') + ']';
        for (const ReceivedMail& mail : sink->messages()) {
            outcomes << "RCPT TO " + mail.rcptTos.join(',') + ", To|Bcc " + mail.headerValues({"To", "Bcc"}) + (mail.tls ? ", TLS" : ", clear");
            EXPECT_FALSE(mail.raw.contains("a@one.example"));  // blind copies stay blind
        }
    }
    EXPECT_EQ(outcomes.join(u'\n') + u'\n', test::ExpectedDocument(QStringLiteral("send-email-each-server.txt")));
}

TEST_F(RecordedSendTest, AddressThatIsMissingOrCouldInjectAHeaderIsRefusedAndNothingIsSent) {
    const struct { const char* to; const char* reply; const char* result; } cases[] = {
        {"jane@example.com\r\nBcc: all@example.com", "office@varno.example", "Invalid email address"},
        {"Jane <jane@example.com>", "office@varno.example", "Invalid email address"},
        {"a@x.com;b c@y.com", "office@varno.example", "Invalid email address"},
        {"  ", "office@varno.example", "No recipient address."},
        {";", "office@varno.example", "No recipient address."},
        {"jane@example.com", "", "No sender address."},
        {"jane@example.com", "office@varno.example;all@example.com", "Invalid email address"},
    };
    for (const auto& c : cases) {
        const QString result = SendEmail(QLatin1String(c.to), kSubject, QLatin1String(c.reply), "x", "mail.varno.example", 25,
                                         QString(), QString(), {}, false, context);
        EXPECT_TRUE(result.startsWith(QLatin1String(c.result)) && !result.contains(u'\n')) << text(result);
    }
    EXPECT_TRUE(recorder.sent.isEmpty());
}

// Each of the four markers makes an HTML body and nothing else does; attachments are one path or several between bars.
TEST_F(RecordedSendTest, BodyTypeAndAttachmentListAreReadFromTheirTexts) {
    const QStringList htmlBodies{"x <a href=y>", "{\\rtf1", "<b>bold</b>", "<p>para"};
    const QStringList textBodies{"plain", "<P>upper case", "<i>italic</i><hr>", "a < b and {x}"};
    for (const QString& body : htmlBodies + textBodies) send(QStringLiteral("j@x.example"), body, {}, 25);
    ASSERT_EQ(recorder.sent.size(), htmlBodies.size() + textBodies.size());
    for (qsizetype i = 0; i < recorder.sent.size(); ++i)
        EXPECT_EQ(recorder.sent[i].message.html, i < htmlBodies.size()) << text(recorder.sent[i].message.body);
    recorder.sent.clear();
    for (const char* attachments : {"  /tmp/one file.txt ", "   ", "/a.txt| /b.txt |"}) send("j@x.example", "b", attachments, 25);
    QList<QStringList> attached;
    for (const auto& sent : recorder.sent) attached << sent.message.attachments;
    EXPECT_EQ(attached, (QList<QStringList>{{"/tmp/one file.txt"}, {}, {"/a.txt", "/b.txt"}}));
}

// The configured server and port override the caller's and all reach the transport; a password the transport repeats
// is blanked. Without a sender account the reply address sends, and no login is tried.
TEST_F(RecordedSendTest, ConfiguredServerOverridesTheCallersAndThePasswordIsNeverRepeated) {
    context.settings.smtpServerOverride = QStringLiteral("relay.varno.example");
    context.settings.smtpPortOverride = 2525;
    context.settings.connectTimeoutSeconds = 12;
    SendEmail("j@x.example", kSubject, kReply, "x", "web.host.example", 25, kSender, kPassword, {}, true, context);
    context.settings = MailSettings{};
    recorder.result = QStringLiteral("login failed for password ") + kPassword;
    const QString result = SendEmail("j@x.example", kSubject, kReply, "x", "web.host.example", 25, kSender, kPassword, {}, false, context);
    EXPECT_TRUE(result.startsWith(QStringLiteral("login failed for password ")) && !result.contains(kPassword)) << text(result);
    recorder.result = kOk;
    EXPECT_EQ(SendEmail("j@x.example", kSubject, kReply, "x", "web.host.example", 25, {}, {}, {}, false, context), kOk);
    QStringList servers;
    for (const auto& [message, s] : recorder.sent)
        servers << QStringLiteral("%1 via %2:%3 %4/%5 ssl=%6 connect=%7").arg(message.from.address, s.host).arg(s.port).arg(s.account, s.password)
                       .arg(s.useSsl).arg(s.connectTimeoutSeconds);
    EXPECT_EQ(servers, (QStringList{"velt@varno.example via relay.varno.example:2525 velt@varno.example/zQ7!secret-pass ssl=1 connect=12",
                                    "velt@varno.example via web.host.example:25 velt@varno.example/zQ7!secret-pass ssl=0 connect=30",
                                    "office@varno.example via web.host.example:25 / ssl=0 connect=30"}));
}

TEST_F(SendEmailTest, MissingPickupFolderIsMadePrivateAndOneThatCannotBeMadeGivesAnErrorText) {
    const mode_t previous = ::umask(022);
    context.settings.pickupFolder = files.filePath(QStringLiteral("no such folder/outbox"));
    EXPECT_EQ(send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 1), kOk);
    ::umask(previous);
    const QDir outbox(context.settings.pickupFolder);
    const QStringList written = outbox.entryList({QStringLiteral("*.eml")}, QDir::Files);
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(QFileInfo(outbox.path()).permissions() & 0x0077, 0) << "folder open to others";
    EXPECT_EQ(QFileInfo(outbox.filePath(written[0])).permissions() & 0x0077, 0) << "file open to others";
    context.settings.pickupFolder = writeFile(QStringLiteral("a file"), "not a folder");
    const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 1);
    EXPECT_TRUE(result.contains(QStringLiteral("a file")) && result != kOk) << text(result);
}

}  // namespace
