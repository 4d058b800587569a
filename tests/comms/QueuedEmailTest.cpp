#include "comms/QueuedEmail.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

std::tuple<QString, QString, QString, QString, QString, quint16, QString, QString, bool, QString> whole(const QueuedEmail& e) {
    return {e.to, e.subject, e.replyAddress, e.body, e.smtpServer, e.port, e.senderAccount, e.attachments, e.useSsl, e.failureLine};
}

// The stored text is the JSON writer's own, byte for byte, whatever the texts hold (every code unit, NUL and surrogates
// with and without their partners included), and reads back exactly as it was queued, whether the pass that queued it
// sends it or a later run finds it in the outbox (a copy read from the table).
TEST(QueuedEmailText, IsWhatTheJsonWriterWritesAndReadsBackAsQueued) {
    QRandomGenerator random(27);
    const auto anyText = [&random] {
        QString text;
        for (int i = 0; i < 200; ++i) text += QChar(char16_t(random.bounded(4) == 0 ? random.bounded(0x80) : random.bounded(0x10000)));
        return text;
    };
    for (int round = 0; round < 100; ++round) {
        const QueuedEmail email{.to = anyText(), .subject = anyText(), .replyAddress = anyText(), .body = anyText(),
                                .smtpServer = anyText(), .port = quint16(random.bounded(65536)), .senderAccount = anyText(),
                                .attachments = anyText(), .useSsl = round % 2 == 0, .failureLine = round % 3 ? anyText() : QString()};
        const QJsonObject object{{"to", email.to}, {"subject", email.subject}, {"replyAddress", email.replyAddress},
                                 {"body", email.body}, {"smtpServer", email.smtpServer}, {"port", int(email.port)},
                                 {"senderAccount", email.senderAccount}, {"attachments", email.attachments},
                                 {"useSsl", email.useSsl}, {"failureLine", email.failureLine}};
        const QString payload = EncodeQueuedEmail(email);
        ASSERT_EQ(payload, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))) << round;
        ASSERT_EQ(whole(DecodeQueuedEmail(QString(payload.constData(), payload.size()))), whole(email)) << round;
        // Read by the JSON reader itself: emails queued in this process are kept beside their text, so a text
        // spaced differently stands for one a later run finds in the outbox.
        ASSERT_EQ(whole(DecodeQueuedEmail(QStringLiteral("{ ") + payload.mid(1))), whole(email)) << round;
    }
}

// An email a run before this one queued is read from its stored text alone, as any earlier
// version may have written it (another order of keys, escaped characters); a port left out
// reads as 25.
TEST(QueuedEmailText, AnEmailStoredByAnEarlierRunIsReadFromItsText) {
    const QString stored = QString::fromUtf8(
        R"({"to":"ann@example.org","subject":"Your loan \u00a3500","replyAddress":"loans@example.org",)"
        R"("body":"<p>Dear Ann \"O'Neil\"\n\ttab</p>","smtpServer":"mail.example.org","port":587,)"
        R"("senderAccount":"velt","attachments":"terms.pdf","useSsl":true,"failureLine":"Loan email not sent"})");
    const QueuedEmail expected{.to = "ann@example.org", .subject = QStringLiteral("Your loan \u00A3500"),
                               .replyAddress = "loans@example.org", .body = "<p>Dear Ann \"O'Neil\"\n\ttab</p>",
                               .smtpServer = "mail.example.org", .port = 587, .senderAccount = "velt",
                               .attachments = "terms.pdf", .useSsl = true, .failureLine = "Loan email not sent"};
    EXPECT_EQ(whole(DecodeQueuedEmail(stored)), whole(expected));
    QueuedEmail withoutPort = expected;
    withoutPort.port = 25;
    EXPECT_EQ(whole(DecodeQueuedEmail(QString(stored).replace(QStringLiteral(R"("port":587,)"), QString()))), whole(withoutPort));
}

}  // namespace
}  // namespace autovelt
