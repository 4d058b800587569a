#include "comms/QueuedEmail.h"

#include "comms/ImporterMail.h"
#include "comms/SendEmail.h"
#include "state/Importer.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace autovelt {

QString EncodeQueuedEmail(const QueuedEmail& email) {
    const QJsonObject object{{QStringLiteral("to"), email.to},
                             {QStringLiteral("subject"), email.subject},
                             {QStringLiteral("replyAddress"), email.replyAddress},
                             {QStringLiteral("body"), email.body},
                             {QStringLiteral("smtpServer"), email.smtpServer},
                             {QStringLiteral("port"), static_cast<int>(email.port)},
                             {QStringLiteral("senderAccount"), email.senderAccount},
                             {QStringLiteral("attachments"), email.attachments},
                             {QStringLiteral("useSsl"), email.useSsl},
                             {QStringLiteral("failureLine"), email.failureLine}};
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QueuedEmail DecodeQueuedEmail(const QString& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload.toUtf8()).object();
    QueuedEmail email;
    email.to = o.value(QStringLiteral("to")).toString();
    email.subject = o.value(QStringLiteral("subject")).toString();
    email.replyAddress = o.value(QStringLiteral("replyAddress")).toString();
    email.body = o.value(QStringLiteral("body")).toString();
    email.smtpServer = o.value(QStringLiteral("smtpServer")).toString();
    email.port = static_cast<quint16>(o.value(QStringLiteral("port")).toInt(25));
    email.senderAccount = o.value(QStringLiteral("senderAccount")).toString();
    email.attachments = o.value(QStringLiteral("attachments")).toString();
    email.useSsl = o.value(QStringLiteral("useSsl")).toBool();
    email.failureLine = o.value(QStringLiteral("failureLine")).toString();
    return email;
}

void QueueEmail(Importer& importer, const QueuedEmail& email) {
    EffectOutbox(importer.connections.TarvAudt)
        .record(importer.app.identityKey, kEmailEffect, EncodeQueuedEmail(email), importer.clock().now());
}

bool SendQueuedEmail(Importer& importer, const Effect& effect) {
    const QueuedEmail email = DecodeQueuedEmail(effect.payload);
    const QString result = SendEmail(email.to, email.subject, email.replyAddress, email.body, email.smtpServer, email.port,
                                     email.senderAccount, importer.config.smtpPassword, email.attachments, email.useSsl,
                                     mailContextOf(importer));
    if (result == QLatin1String("ok")) return true;
    if (email.failureLine.isEmpty()) {
        importer.ShowException(QStringLiteral("Email to ") + email.to + QStringLiteral(" not sent: ") + result);
    } else {
        importer.ShowException(email.failureLine);
        importer.ShowException(QStringLiteral("The response was ") + result);
    }
    return false;
}

}  // namespace autovelt
