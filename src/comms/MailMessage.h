#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace autovelt::inline comms {

// A mailbox as it appears in a header: "Varno Credit Union <info@varno.example>".
struct MailAddress {
    QString name;     // display name; may be empty
    QString address;  // the bare address (local@domain); empty means "no such header"
};

// One message, before it is turned into text. Both transports render it with the same
// builder (renderMailMessage), so a pickup file holds what the SMTP server would receive.
struct MailMessage {
    MailAddress from;
    MailAddress replyTo;
    QStringList to;           // To header, and envelope recipients
    QStringList bcc;          // envelope recipients only; never in the relayed headers
    QString subject;
    QString body;
    bool html = false;        // text/html instead of text/plain
    QStringList attachments;  // file paths, attached under their file names
    QDateTime date;
    QString messageId;        // with its angle brackets

    QStringList envelopeRecipients() const { return to + bcc; }
};

// Where and how the SMTP transport delivers: the server, its account and the timeouts.
struct MailServer {
    QString host;
    quint16 port = 25;
    QString account;             // empty: no authentication is attempted
    QString password;
    bool useSsl = false;         // TLS required: from the first byte on port 465, by STARTTLS on any other
    bool sslOnConnect = false;   // TLS from the first byte whatever the port
    bool requireTls = true;      // refuse to log in or send unless the session is encrypted
    QString caFile;              // certificates to trust instead of the system's (empty: the system's)
    int connectTimeoutSeconds = 30;
    int totalTimeoutSeconds = 300;
};

}  // namespace autovelt::comms
