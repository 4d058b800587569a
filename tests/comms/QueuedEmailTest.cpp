#include "comms/QueuedEmail.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

std::tuple<QString, QString, QString, QString, QString, quint16, QString, QString, bool, QString> whole(const QueuedEmail& e) {
    return {e.to, e.subject, e.replyAddress, e.body, e.smtpServer, e.port, e.senderAccount, e.attachments, e.useSsl, e.failureLine};
}

// An email is read back from its stored text exactly as it was queued, whether the pass that
// queued it sends it or a later run finds it in the outbox.
TEST(QueuedEmailText, ReadsBackAsQueued) {
    const QueuedEmail email{.to = "ann@example.org", .subject = "Your loan", .replyAddress = "loans@example.org",
                            .body = QStringLiteral("<p>Dear Ann \"O'Neil\" \u00A3500\n\ttab ") + QChar(0xD800) + QChar(0) + "</p>",
                            .smtpServer = "mail.example.org", .port = 587, .senderAccount = "velt", .attachments = "terms.pdf",
                            .useSsl = true, .failureLine = "Loan email not sent"};
    const QString payload = EncodeQueuedEmail(email);
    EXPECT_EQ(whole(DecodeQueuedEmail(payload)), whole(email));
    EXPECT_EQ(whole(DecodeQueuedEmail(QString(payload.constData(), payload.size()))), whole(email));  // a copy read from the table
}

}  // namespace
}  // namespace autovelt
