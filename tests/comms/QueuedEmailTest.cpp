#include "comms/QueuedEmail.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

QueuedEmail emailWithBody(const QString& body) {
    QueuedEmail email;
    email.to = QStringLiteral("ann@example.org");
    email.subject = QStringLiteral("Your loan");
    email.replyAddress = QStringLiteral("loans@example.org");
    email.body = body;
    email.smtpServer = QStringLiteral("mail.example.org");
    email.port = 587;
    email.senderAccount = QStringLiteral("velt");
    email.attachments = QStringLiteral("terms.pdf");
    email.useSsl = true;
    email.failureLine = QStringLiteral("Loan email not sent");
    return email;
}

std::tuple<QString, QString, QString, QString, QString, quint16, QString, QString, bool, QString> whole(const QueuedEmail& e) {
    return {e.to, e.subject, e.replyAddress, e.body, e.smtpServer, e.port, e.senderAccount, e.attachments, e.useSsl, e.failureLine};
}

// An email is read back from its stored text exactly as it was queued, whether the pass that
// queued it sends it or a later run finds it in the outbox.
TEST(QueuedEmailText, ReadsBackAsQueued) {
    const QString body = QStringLiteral("<p>Dear Ann \"O'Neil\" \u00A3500\n\ttab ") + QChar(0xD800) + QChar(0) + QStringLiteral("</p>");
    const QueuedEmail email = emailWithBody(body);
    const QString payload = EncodeQueuedEmail(email);
    EXPECT_EQ(whole(DecodeQueuedEmail(payload)), whole(email));
    EXPECT_EQ(whole(DecodeQueuedEmail(QString(payload.constData(), payload.size()))), whole(email));  // a copy read from the table
}

}  // namespace
}  // namespace autovelt
