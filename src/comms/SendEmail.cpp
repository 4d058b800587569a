#include "comms/SendEmail.h"

#include "comms/MailTransport.h"
#include "comms/MimeEncoding.h"
#include "comms/PickupFolderTransport.h"
#include "comms/SmtpTransport.h"
#include "common/PrintableText.h"

#include <QRegularExpression>
#include <QUuid>
#include <exception>

namespace autovelt::inline comms {

namespace {

// Addresses come from applicants' forms: anything that could end a header or an SMTP
// command, or bracket a second address, is refused rather than passed on.
bool isAcceptableAddress(const QString& address) {
    if (address.isEmpty()) return false;
    static const QString forbidden = QStringLiteral("<>\"(),;[]\\");
    for (QChar c : address)
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F || forbidden.contains(c)) return false;
    return true;
}

QString invalidAddress(const QString& address) {
    return QStringLiteral("Invalid email address \"%1\".").arg(singleLine(address));
}

bool isHtmlBody(const QString& body) {
    return body.contains(QLatin1String("<a")) || body.contains(QLatin1String("{\\")) ||
           body.contains(QLatin1String("<b")) || body.contains(QLatin1String("<p"));
}

QStringList attachmentPaths(const QString& attachments) {
    if (attachments.trimmed().isEmpty()) return {};
    QStringList paths;
    for (const QString& part : attachments.split(u'|')) {
        // "a.pdf|" or "a.pdf | b.pdf" name the files the operator meant.
        const QString path = part.trimmed();
        if (!path.isEmpty()) paths.append(path);
    }
    return paths;
}

// Splits a recipient text at ";" and ","; blanks around each address are dropped.
QStringList splitRecipients(const QString& to) {
    QStringList addresses;
    for (const QString& part : to.split(QRegularExpression(QStringLiteral("[;,]")))) {
        const QString address = part.trimmed();
        if (!address.isEmpty()) addresses.append(address);
    }
    return addresses;
}

QString messageId(const QString& senderAddress) {
    QString domain = senderAddress.section(u'@', 1);
    if (domain.isEmpty()) domain = QStringLiteral("autovelt.invalid");
    return u'<' + QString::fromLatin1(QUuid::createUuid().toByteArray(QUuid::WithoutBraces)) + u'@' + domain + u'>';
}

// Returns an error text, or an empty text when the recipients are set.
QString setRecipients(MailMessage& message, const QString& to) {
    const bool several = to.contains(u';') || to.contains(u',');
    const QStringList addresses = several ? splitRecipients(to) : QStringList{to.trimmed()};
    if (addresses.isEmpty() || addresses.first().isEmpty()) return QStringLiteral("No recipient address.");
    for (const QString& address : addresses)
        if (!isAcceptableAddress(address)) return invalidAddress(address);
    (several ? message.bcc : message.to) = addresses;
    return {};
}

// Returns an error text, or an empty text when From and Reply-To are set.
QString setSender(MailMessage& message, const QString& senderAccount, const QString& replyAddress,
                  const QString& cuname) {
    const QString reply = replyAddress.trimmed();
    const QString sender = senderAccount.trimmed().isEmpty() ? reply : senderAccount.trimmed();
    if (sender.isEmpty()) return QStringLiteral("No sender address.");
    if (!isAcceptableAddress(sender)) return invalidAddress(sender);
    if (!reply.isEmpty() && !isAcceptableAddress(reply)) return invalidAddress(reply);
    message.from = {cuname, sender};
    message.replyTo = {cuname, reply};
    return {};
}

MailServer serverFor(const QString& smtpServer, quint16 port, const QString& senderAccount,
                     const QString& password, bool useSsl, const MailSettings& settings) {
    MailServer server;
    server.host = MailHostFor(smtpServer, settings);
    server.port = MailPortFor(port, settings);
    server.account = senderAccount.trimmed();
    server.password = password;
    server.useSsl = useSsl;
    server.sslOnConnect = settings.sslOnConnect;
    server.requireTls = settings.requireTls;
    server.caFile = settings.caFile;
    server.connectTimeoutSeconds = settings.connectTimeoutSeconds;
    server.totalTimeoutSeconds = settings.totalTimeoutSeconds;
    return server;
}

QString deliver(const MailMessage& message, const MailServer& server, const MailContext& context) {
    if (context.transport) return context.transport->send(message, server);
    if (!context.settings.pickupFolder.trimmed().isEmpty())
        return PickupFolderTransport(context.settings.pickupFolder).send(message, server);
    return SmtpTransport().send(message, server);
}

}  // namespace

QString MailHostFor(const QString& smtpServer, const MailSettings& settings) {
    return settings.smtpServerOverride.trimmed().isEmpty() ? smtpServer : settings.smtpServerOverride;
}

quint16 MailPortFor(quint16 port, const MailSettings& settings) {
    constexpr quint16 kSslOnConnectPort = 465;
    if (settings.smtpPortOverride > 0) return quint16(settings.smtpPortOverride);
    return settings.sslOnConnect ? kSslOnConnectPort : port;
}

BuiltMail buildMailMessage(const QString& to, const QString& subject, const QString& replyAddress,
                           const QString& body, const QString& senderAccount, const QString& attachments,
                           const QString& cuname) {
    BuiltMail built;
    MailMessage& message = built.message;
    built.error = setRecipients(message, to);
    if (built.error.isEmpty()) built.error = setSender(message, senderAccount, replyAddress, cuname);
    if (!built.error.isEmpty()) return built;
    message.subject = subject;
    message.body = body;
    message.html = isHtmlBody(body);
    message.attachments = attachmentPaths(attachments);
    message.date = QDateTime::currentDateTime();
    message.messageId = messageId(message.from.address);
    return built;
}

QString SendEmail(const QString& to, const QString& subject, const QString& replyAddress, const QString& body,
                  const QString& smtpServer, quint16 port, const QString& senderAccount, const QString& password,
                  const QString& attachments, bool useSsl, const MailContext& context) {
    try {
        BuiltMail built = buildMailMessage(to, subject, replyAddress, body, senderAccount, attachments, context.cuname);
        if (!built.error.isEmpty()) return built.error;
        if (context.plainText) built.message.html = false;
        const MailServer server = serverFor(smtpServer, port, senderAccount, password, useSsl, context.settings);
        const QString result = deliver(built.message, server, context);
        return result == QLatin1String("ok") ? result : withoutSecret(result, password);
    } catch (const std::exception& e) {
        return withoutSecret(QString::fromUtf8(e.what()), password);
    }
}

}  // namespace autovelt::comms
