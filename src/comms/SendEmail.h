#pragma once

#include "comms/MailMessage.h"

#include <QString>
#include <QtGlobal>

namespace autovelt::inline comms {

class MailTransport;

// How this installation delivers mail; deployment values from its configuration file.
struct MailSettings {
    QString pickupFolder;             // set: write .eml files there instead of using SMTP
    int connectTimeoutSeconds = 30;
    QString smtpServerOverride;       // set: used instead of the server the caller names
    int smtpPortOverride = 0;         // above 0: used instead of the caller's port
    bool requireTls = true;           // SMTP only over TLS (STARTTLS or SSL on connect)
    bool sslOnConnect = false;        // TLS from the first byte (port 465 unless an SMTP port is set)
    QString caFile;                   // certificates to trust for the mail server (empty: the system's)
    int totalTimeoutSeconds = 300;    // no exchange with a server ever lasts longer
};

// What SendEmail needs beyond its arguments.
struct MailContext {
    QString cuname;                   // the credit union's name, shown in From and Reply-To
    MailSettings settings;
    MailTransport* transport = nullptr;  // set (by tests): used instead of SMTP or pickup
    // The body is plain text whatever it holds: for mail made of report lines, which carry
    // applicants' values that must never turn into markup.
    bool plainText = false;
};

// The server and port a message goes to: the installation's own where its configuration
// sets them, else those the caller names (port 465 when the installation speaks SSL on
// connect).
QString MailHostFor(const QString& smtpServer, const MailSettings& settings);
quint16 MailPortFor(quint16 port, const MailSettings& settings);

// The one mail routine of the importer. Returns "ok" when the message was handed on,
// otherwise the error text; it never raises and the text never contains the password.
//
// - Recipients: text without ";" or "," is the To address; otherwise every address goes to
//   BCC and To stays empty.
// - From is "cuname <senderAccount>", Reply-To "cuname <replyAddress>" (left out when the
//   reply address is empty). Without a sender account the reply address sends.
// - A body containing "<a", "{\", "<b" or "<p" goes as HTML, any other as plain text
//   (always plain text when the context says so).
// - Attachments: one path, or several separated by "|"; blank text means none.
QString SendEmail(const QString& to, const QString& subject, const QString& replyAddress, const QString& body,
                  const QString& smtpServer, quint16 port, const QString& senderAccount, const QString& password,
                  const QString& attachments, bool useSsl, const MailContext& context);

// The message SendEmail would send, or the reason there is none (set in `error`).
struct BuiltMail {
    MailMessage message;
    QString error;
};
BuiltMail buildMailMessage(const QString& to, const QString& subject, const QString& replyAddress,
                           const QString& body, const QString& senderAccount, const QString& attachments,
                           const QString& cuname);

}  // namespace autovelt::comms
