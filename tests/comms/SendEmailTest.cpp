#include "comms/SendEmail.h"

#include "comms/MimeMessage.h"

#include "support/RecordingMailTransport.h"
#include "support/SmtpSink.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace autovelt;
using autovelt::testing::ReceivedMail;
using autovelt::testing::RecordingMailTransport;
using autovelt::testing::SmtpSink;

namespace {

const QString kCuName = QStringLiteral("Varno Credit Union");
const QString kSender = QStringLiteral("velt@varno.example");
const QString kReply = QStringLiteral("office@varno.example");
const QString kPassword = QStringLiteral("zQ7!secret-pass");
const QString kSubject = QStringLiteral("Your application for membership with Varno Credit Union");

// A loopback TCP socket: either listening without ever answering, or closed (nobody there).
class SilentSocket {
public:
    explicit SilentSocket(bool listening) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (listening) ::listen(fd_, 4);
        else close();
    }
    ~SilentSocket() { close(); }
    quint16 port() const { return port_; }

private:
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    int fd_ = -1;
    quint16 port_ = 0;
};

class SendEmailTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files.isValid());
        context.cuname = kCuName;
        context.settings.connectTimeoutSeconds = 10;
        context.settings.totalTimeoutSeconds = 60;
    }

    void startSink(SmtpSink::Options options = {}) {
        sink = std::make_unique<SmtpSink>(options);
        QString error;
        ASSERT_TRUE(sink->start(&error)) << error.toStdString();
    }

    QString send(const QString& to, const QString& body, const QString& attachments = {},
                 quint16 port = 0, const QString& password = kPassword, bool useSsl = false) {
        return SendEmail(to, kSubject, kReply, body, QStringLiteral("127.0.0.1"),
                         port ? port : sink->port(), kSender, password, attachments, useSsl, context);
    }

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    static QByteArray everyByteValue(int repeats) {
        QByteArray bytes;
        for (int r = 0; r < repeats; ++r)
            for (int b = 0; b < 256; ++b) bytes.append(char(b));
        return bytes;
    }

    static std::string text(const QString& s) { return s.toStdString(); }

    QTemporaryDir files;
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
    RecordingMailTransport recorder;
};

// ---- Recipients ------------------------------------------------------------------------

// The sink offers no login: an account with a password still sends without one. One
// recipient goes in To; several go blind, with no To.
TEST_F(SendEmailTest, OneRecipientGoesInToAndSeveralGoToBcc) {
    startSink();
    ASSERT_EQ(send(QStringLiteral("jane.doe@example.com"), QStringLiteral("Hello Jane")), QStringLiteral("ok"));
    ASSERT_EQ(send(QStringLiteral("jane.doe@example.com"), QStringLiteral("Hello again")), QStringLiteral("ok"));
    ASSERT_EQ(send(QStringLiteral("support@vendor.example;office@varno.example"), QStringLiteral("Log")),
              QStringLiteral("ok"));
    ASSERT_EQ(send(QStringLiteral(" a@one.example , b@two.example ,"), QStringLiteral("Log")), QStringLiteral("ok"));

    const QList<ReceivedMail> mails = sink->messages();
    ASSERT_EQ(mails.size(), 4);
    const ReceivedMail& mail = mails.first();
    EXPECT_EQ(mail.mailFrom, kSender);
    EXPECT_EQ(mail.rcptTos, QStringList{QStringLiteral("jane.doe@example.com")});
    EXPECT_EQ(mail.header(QStringLiteral("To")), QStringLiteral("jane.doe@example.com"));
    EXPECT_EQ(mail.header(QStringLiteral("From")), QStringLiteral("Varno Credit Union <velt@varno.example>"));
    EXPECT_EQ(mail.header(QStringLiteral("Reply-To")), QStringLiteral("Varno Credit Union <office@varno.example>"));
    EXPECT_EQ(mail.header(QStringLiteral("Subject")), kSubject);
    EXPECT_EQ(mail.header("MIME-Version"), "1.0");
    const QDateTime date = QDateTime::fromString(mail.header("Date"), Qt::RFC2822Date);
    ASSERT_TRUE(date.isValid()) << text(mail.header("Date"));
    EXPECT_LT(qAbs(date.secsTo(QDateTime::currentDateTime())), 600);
    const QString id = mail.header("Message-ID");
    EXPECT_TRUE(id.startsWith(u'<') && id.endsWith("@varno.example>")) << text(id);
    EXPECT_NE(id, mails[1].header("Message-ID"));
    EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));

    EXPECT_EQ(mails[2].rcptTos, (QStringList{QStringLiteral("support@vendor.example"), QStringLiteral("office@varno.example")}));
    EXPECT_EQ(mails[3].rcptTos, (QStringList{QStringLiteral("a@one.example"), QStringLiteral("b@two.example")}));
    for (const ReceivedMail& mail : mails.mid(2)) {
        EXPECT_TRUE(mail.header(QStringLiteral("To")).isNull());
        EXPECT_TRUE(mail.header(QStringLiteral("Bcc")).isNull());
        EXPECT_FALSE(mail.raw.contains("support@vendor.example")) << "a blind recipient shows in the message";
        EXPECT_FALSE(mail.raw.contains("a@one.example")) << "a blind recipient shows in the message";
    }
}

TEST_F(RecordedSendTest, AddressThatCouldInjectAHeaderIsRefusedAndNothingIsSent) {
    for (const QString& bad : {QStringLiteral("jane@example.com\r\nBcc: all@example.com"),
                               QStringLiteral("Jane <jane@example.com>"), QStringLiteral("a@x.com;b c@y.com")}) {
        const QString result = send(bad, QStringLiteral("body"), {}, 25);
        EXPECT_TRUE(result.startsWith(QStringLiteral("Invalid email address"))) << text(result);
        EXPECT_FALSE(result.contains(u'\n'));
    }
    EXPECT_EQ(send(QStringLiteral("  "), QStringLiteral("body"), {}, 25), QStringLiteral("No recipient address."));
    EXPECT_EQ(send(QStringLiteral(";"), QStringLiteral("body"), {}, 25), QStringLiteral("No recipient address."));
    EXPECT_TRUE(recorder.sent.isEmpty());
}

// ---- Headers ---------------------------------------------------------------------------

TEST_F(SendEmailTest, NamesWithPunctuationOrAccentsAndALineBreakInTheSubjectStayInTheirHeaders) {
    startSink();
    context.cuname = QStringLiteral("Varno, Ŧarvonel & Co. Credit Union");
    const QString subject = QStringLiteral("Loan £500 update\r\nBcc: all@example.com");
    ASSERT_EQ(SendEmail(QStringLiteral("jane@example.com"), subject, kReply, QStringLiteral("x"),
                        QStringLiteral("127.0.0.1"), sink->port(), kSender, kPassword, {}, false, context),
              QStringLiteral("ok"));
    const ReceivedMail mail = sink->messages().value(0);
    EXPECT_EQ(mail.header(QStringLiteral("From")),
              QStringLiteral("\"Varno, Ŧarvonel & Co. Credit Union\" <velt@varno.example>"));
    EXPECT_EQ(mail.header(QStringLiteral("Subject")), QStringLiteral("Loan £500 update  Bcc: all@example.com"));
    EXPECT_TRUE(mail.header(QStringLiteral("Bcc")).isNull());
    EXPECT_EQ(mail.rcptTos, QStringList{QStringLiteral("jane@example.com")});
    EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));
}

TEST_F(RecordedSendTest, WithoutASenderAccountTheReplyAddressSendsAndNoLoginIsTried) {
    ASSERT_EQ(SendEmail(QStringLiteral("jane@example.com"), kSubject, kReply, QStringLiteral("x"),
                        QStringLiteral("mail.varno.example"), 25, QString(), QString(), {}, false, context),
              QStringLiteral("ok"));
    ASSERT_EQ(recorder.sent.size(), 1);
    EXPECT_EQ(recorder.sent[0].message.from.address, kReply);
    EXPECT_TRUE(recorder.sent[0].server.account.isEmpty());
    EXPECT_EQ(SendEmail(QStringLiteral("jane@example.com"), kSubject, QString(), QStringLiteral("x"),
                        QStringLiteral("mail.varno.example"), 25, QString(), QString(), {}, false, context),
              QStringLiteral("No sender address."));
}

// ---- Bodies ----------------------------------------------------------------------------

TEST_F(SendEmailTest, HtmlAndTextBodiesArriveWithTheirTypesAndExactText) {
    startSink();
    const QString html = QStringLiteral("<html><p>Dear Jane,</p>\r\n<a href=\"https://x.example/?ref=1\">Click here</a>"
                                        " £100 = a long line that is well over seventy-six characters so it must be wrapped\r\n.</html>");
    const QString plain = QStringLiteral("Dear Jane,\r\n\r\nThank you. Café £5 = fine.\r\n.\r\nTrailing blank \r\n");
    ASSERT_EQ(send(QStringLiteral("jane@example.com"), html), QStringLiteral("ok"));
    ASSERT_EQ(send(QStringLiteral("jane@example.com"), plain), QStringLiteral("ok"));

    const QList<ReceivedMail> mails = sink->messages();
    ASSERT_EQ(mails.size(), 2);
    ASSERT_EQ(mails[0].parts.size(), 1);
    EXPECT_EQ(mails[0].parts[0].contentType, QStringLiteral("text/html"));
    EXPECT_EQ(mails[0].parts[0].charset, QStringLiteral("utf-8"));
    // A message ends with a line break: one is added to a body that lacks it, and only then.
    EXPECT_EQ(mails[0].parts[0].payload, html.toUtf8() + "\r\n");
    ASSERT_EQ(mails[1].parts.size(), 1);
    EXPECT_EQ(mails[1].parts[0].contentType, QStringLiteral("text/plain"));
    EXPECT_EQ(mails[1].parts[0].payload, plain.toUtf8());
    for (const ReceivedMail& mail : mails) {
        EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));
        for (const QByteArray& line : mail.raw.split('\n')) EXPECT_LE(line.size(), 79) << line.constData();
    }
}

TEST_F(RecordedSendTest, EachOfTheFourMarkersMakesAnHtmlBodyAndNothingElseDoes) {
    const QStringList htmlBodies{QStringLiteral("x <a href=y>"), QStringLiteral("{\\rtf1"), QStringLiteral("<b>bold</b>"),
                                 QStringLiteral("<p>para")};
    const QStringList textBodies{QStringLiteral("plain"), QStringLiteral("<P>upper case"), QStringLiteral("<i>italic</i><hr>"),
                                 QStringLiteral("a < b and {x}")};
    for (const QString& body : htmlBodies + textBodies) send(QStringLiteral("j@x.example"), body, {}, 25);
    ASSERT_EQ(recorder.sent.size(), htmlBodies.size() + textBodies.size());
    for (qsizetype i = 0; i < recorder.sent.size(); ++i)
        EXPECT_EQ(recorder.sent[i].message.html, i < htmlBodies.size()) << text(recorder.sent[i].message.body);
}

// ---- Attachments -----------------------------------------------------------------------

TEST_F(SendEmailTest, TwoAttachmentsArriveIntactUnderTheirFileNames) {
    startSink();
    const QByteArray binary = everyByteValue(300);
    const QByteArray xml = "<?xml version=\"1.0\"?>\r\n<report>caf\xc3\xa9</report>\n";
    const QString first = writeFile(QStringLiteral("credit report.pdf"), binary);
    const QString second = writeFile(QStringLiteral("request-ü.xml"), xml);
    ASSERT_EQ(send(QStringLiteral("jane@example.com"), QStringLiteral("See attached"), first + u'|' + second),
              QStringLiteral("ok"));

    const ReceivedMail mail = sink->messages().value(0);
    EXPECT_EQ(mail.contentType, QStringLiteral("multipart/mixed"));
    ASSERT_EQ(mail.parts.size(), 3);
    EXPECT_EQ(mail.parts[0].contentType, QStringLiteral("text/plain"));
    EXPECT_EQ(mail.parts[0].payload, QByteArray("See attached"));
    EXPECT_EQ(mail.parts[1].filename, QStringLiteral("credit report.pdf"));
    EXPECT_EQ(mail.parts[1].disposition, QStringLiteral("attachment"));
    EXPECT_EQ(mail.parts[1].contentType, QStringLiteral("application/pdf"));
    EXPECT_EQ(mail.parts[1].payload, binary);
    EXPECT_EQ(mail.parts[2].filename, QStringLiteral("request-ü.xml"));
    EXPECT_EQ(mail.parts[2].payload, xml);
    EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));
}

TEST_F(RecordedSendTest, OnePathOrBlankAttachmentText) {
    send(QStringLiteral("j@x.example"), QStringLiteral("b"), QStringLiteral("  /tmp/one file.txt "), 25);
    send(QStringLiteral("j@x.example"), QStringLiteral("b"), QStringLiteral("   "), 25);
    send(QStringLiteral("j@x.example"), QStringLiteral("b"), QStringLiteral("/a.txt| /b.txt |"), 25);
    ASSERT_EQ(recorder.sent.size(), 3);
    EXPECT_EQ(recorder.sent[0].message.attachments, QStringList{QStringLiteral("/tmp/one file.txt")});
    EXPECT_TRUE(recorder.sent[1].message.attachments.isEmpty());
    EXPECT_EQ(recorder.sent[2].message.attachments, (QStringList{QStringLiteral("/a.txt"), QStringLiteral("/b.txt")}));
}

TEST_F(SendEmailTest, MissingAttachmentIsAnErrorAndNothingIsSent) {
    startSink();
    const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), files.filePath(QStringLiteral("absent.pdf")));
    EXPECT_NE(result, QStringLiteral("ok"));
    EXPECT_TRUE(result.contains(QStringLiteral("absent.pdf"))) << text(result);
    EXPECT_TRUE(sink->messages().isEmpty());
}

// ---- Failures --------------------------------------------------------------------------

// Every failure gives a text that names it, never the password, and delivers nothing.
TEST_F(SendEmailTest, EachServerFailureGivesItsTextWithoutThePasswordAndSendsNothing) {
    SilentSocket nobody(false), silent(true);
    SmtpSink refusing({.refuseRecipients = true, .authLogin = {}}), plain;
    QString error;
    ASSERT_TRUE(refusing.start(&error) && plain.start(&error)) << text(error);
    context.settings.connectTimeoutSeconds = 1;  // far below the 30-second default
    const struct { const char* what; quint16 port; bool ssl; QStringList fragments; } cases[] = {
        {"server down", nobody.port(), false, {"connect"}},
        {"server never answers", silent.port(), false, {"timeout"}},
        {"recipient refused", refusing.port(), false, {"550", "Mailbox unavailable"}},
        {"SSL demanded of a server without TLS", plain.port(), true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QElapsedTimer timer;
        timer.start();
        const QString result = send("jane@example.com", "x", {}, c.port, kPassword, c.ssl);
        EXPECT_NE(result, "ok");
        for (const QString& fragment : c.fragments) EXPECT_TRUE(result.contains(fragment, Qt::CaseInsensitive)) << text(result);
        EXPECT_FALSE(result.contains(kPassword));
        EXPECT_LT(timer.elapsed(), 25000);  // the configured timeout was the one applied
    }
    EXPECT_TRUE(refusing.messages().isEmpty());
    EXPECT_TRUE(plain.messages().isEmpty());
}

// ---- Login and the password ------------------------------------------------------------

TEST_F(SendEmailTest, LoginWithTheRightPasswordSendsAndAWrongOneIsRefusedWithoutShowingIt) {
    startSink({.authLogin = kSender + u':' + kPassword});
    EXPECT_EQ(send(QStringLiteral("jane@example.com"), QStringLiteral("x")), QStringLiteral("ok"));

    const QString wrong = QStringLiteral("Wr0ng-Passw0rd");
    const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 0, wrong);
    EXPECT_NE(result, QStringLiteral("ok"));
    EXPECT_FALSE(result.isEmpty());
    EXPECT_FALSE(result.contains(wrong)) << text(result);
    EXPECT_FALSE(result.contains(kPassword)) << text(result);
    EXPECT_EQ(sink->messages().size(), 1);
}

// The login crosses the network only encrypted when the server offers STARTTLS, and never
// when the installation requires TLS of a server that does not offer it.
TEST_F(SendEmailTest, LoginGoesOverStartTlsWhenOfferedAndNeverInClearWhenTlsIsRequired) {
    const struct { bool offer; bool require; bool delivered; const char* login; } cases[] = {
        {true, false, true, "tls"},
        {false, false, true, "clear"},  // a server without TLS still works unless TLS is required
        {false, true, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offer " << c.offer << " require " << c.require);
        startSink({.authLogin = kSender + u':' + kPassword, .offerStartTls = c.offer});
        context.settings.requireTls = c.require;
        const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"));
        EXPECT_EQ(result == QStringLiteral("ok"), c.delivered) << text(result);
        EXPECT_EQ(sink->loginAttempts(), c.login ? QStringList{QString::fromLatin1(c.login)} : QStringList{});
        const auto mails = sink->messages();
        ASSERT_EQ(mails.size(), c.delivered ? 1 : 0);
        if (c.delivered) { EXPECT_EQ(mails[0].tls, c.offer); }
    }
}

TEST_F(RecordedSendTest, PasswordIsBlankedEvenWhenTheTransportRepeatsIt) {
    recorder.result = QStringLiteral("login failed for password ") + kPassword;
    const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 25);
    EXPECT_FALSE(result.contains(kPassword)) << text(result);
    EXPECT_TRUE(result.startsWith(QStringLiteral("login failed for password "))) << text(result);
}

// ---- Settings and transports -----------------------------------------------------------

TEST_F(RecordedSendTest, ConfiguredServerAndPortOverrideTheCallersAndAllReachTheTransport) {
    context.settings.smtpServerOverride = QStringLiteral("relay.varno.example");
    context.settings.smtpPortOverride = 2525;
    context.settings.connectTimeoutSeconds = 12;
    SendEmail(QStringLiteral("j@x.example"), kSubject, kReply, QStringLiteral("x"), QStringLiteral("web.host.example"), 25,
              kSender, kPassword, {}, true, context);
    ASSERT_EQ(recorder.sent.size(), 1);
    const MailServer& server = recorder.sent[0].server;
    EXPECT_EQ(server.host, QStringLiteral("relay.varno.example"));
    EXPECT_EQ(server.port, 2525);
    EXPECT_EQ(server.account, kSender);
    EXPECT_EQ(server.password, kPassword);
    EXPECT_TRUE(server.useSsl);
    EXPECT_EQ(server.connectTimeoutSeconds, 12);

    context.settings = MailSettings{};
    SendEmail(QStringLiteral("j@x.example"), kSubject, kReply, QStringLiteral("x"), QStringLiteral("web.host.example"), 25,
              kSender, kPassword, {}, false, context);
    EXPECT_EQ(recorder.sent[1].server.host, QStringLiteral("web.host.example"));
    EXPECT_EQ(recorder.sent[1].server.port, 25);
}

TEST_F(SendEmailTest, PickupFolderReceivesACompleteMessageFile) {
    QTemporaryDir pickup;
    context.settings.pickupFolder = pickup.path();
    const QByteArray binary = everyByteValue(40);
    const QString attachment = writeFile(QStringLiteral("statement.bin"), binary);
    ASSERT_EQ(send(QStringLiteral("a@one.example;b@two.example"), QStringLiteral("<p>Log</p>"), attachment, 1),
              QStringLiteral("ok"));
    ASSERT_EQ(send(QStringLiteral("jane@example.com"), QStringLiteral("Plain"), {}, 1), QStringLiteral("ok"));

    const QStringList names = QDir(pickup.path()).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 2) << text(names.join(u' '));
    for (const QString& name : names) EXPECT_TRUE(name.endsWith(QStringLiteral(".eml"))) << text(name);

    QList<ReceivedMail> mails;
    for (const QString& name : names) {
        auto mail = SmtpSink::parseMessageFile(QDir(pickup.path()).filePath(name));
        ASSERT_TRUE(mail.has_value());
        mails.append(*mail);
    }
    const ReceivedMail& bccMail = mails[0].header(QStringLiteral("Bcc")).isNull() ? mails[1] : mails[0];
    EXPECT_EQ(bccMail.header(QStringLiteral("Bcc")), QStringLiteral("a@one.example, b@two.example"));
    EXPECT_TRUE(bccMail.header(QStringLiteral("To")).isNull());
    for (const char* name : {"Date", "From", "Reply-To", "Subject", "Message-ID", "MIME-Version"})
        EXPECT_FALSE(bccMail.header(QString::fromLatin1(name)).isEmpty()) << name;
    ASSERT_EQ(bccMail.parts.size(), 2);
    EXPECT_EQ(bccMail.parts[0].contentType, QStringLiteral("text/html"));
    EXPECT_EQ(bccMail.parts[1].filename, QStringLiteral("statement.bin"));
    EXPECT_EQ(bccMail.parts[1].payload, binary);
    for (const ReceivedMail& mail : mails) EXPECT_TRUE(mail.defects.isEmpty()) << text(mail.defects.join(u'|'));
}

TEST_F(SendEmailTest, PickupFileAndRelayedMessageAreTheSameTextApartFromBcc) {
    BuiltMail built = buildMailMessage(QStringLiteral("a@one.example;b@two.example"), kSubject, kReply,
                                       QStringLiteral("<p>Log</p>"), kSender,
                                       writeFile(QStringLiteral("log.txt"), "log line\n"), kCuName);
    ASSERT_TRUE(built.error.isEmpty());
    const RenderedMail relayed = renderMailMessage(built.message, BccHeader::Omit);
    const RenderedMail pickup = renderMailMessage(built.message, BccHeader::Include);
    // Each rendering draws its own multipart boundary; that is the only other difference.
    const QRegularExpression boundary(QStringLiteral("=_part_[0-9a-f]+"));
    QString relayedText = QString::fromLatin1(relayed.text).replace(boundary, QStringLiteral("BOUNDARY"));
    QString pickupText = QString::fromLatin1(pickup.text).replace(boundary, QStringLiteral("BOUNDARY"));
    EXPECT_TRUE(pickupText.contains(QStringLiteral("\r\nBcc: a@one.example, b@two.example\r\n")));
    pickupText.remove(QStringLiteral("Bcc: a@one.example, b@two.example\r\n"));
    EXPECT_EQ(relayedText, pickupText);
    EXPECT_TRUE(relayedText.contains(QStringLiteral("BOUNDARY")));
}

TEST_F(SendEmailTest, MissingPickupFolderIsMadePrivateAndOneThatCannotBeMadeGivesAnErrorText) {
    const mode_t previous = ::umask(022);
    context.settings.pickupFolder = files.filePath(QStringLiteral("no such folder/outbox"));
    EXPECT_EQ(send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 1), QStringLiteral("ok"));
    const QDir outbox(context.settings.pickupFolder);
    const QStringList written = outbox.entryList({QStringLiteral("*.eml")}, QDir::Files);
    ASSERT_EQ(written.size(), 1);
    EXPECT_EQ(QFileInfo(outbox.path()).permissions() & 0x0077, 0) << "folder open to others";
    EXPECT_EQ(QFileInfo(outbox.filePath(written[0])).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    ::umask(previous);

    context.settings.pickupFolder = writeFile(QStringLiteral("a file"), "not a folder");
    const QString result = send(QStringLiteral("jane@example.com"), QStringLiteral("x"), {}, 1);
    EXPECT_NE(result, QStringLiteral("ok"));
    EXPECT_TRUE(result.contains(QStringLiteral("a file"))) << text(result);
}

}  // namespace
