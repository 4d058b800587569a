#pragma once

#include "comms/MailMessage.h"

#include <QByteArray>
#include <QString>

namespace autovelt::inline comms {

// The Internet message text of a MailMessage, or why it could not be made.
struct RenderedMail {
    QByteArray text;  // RFC 5322 with MIME, CRLF line ends, 7-bit
    QString error;    // empty on success (an attachment that cannot be read)
};

enum class BccHeader { Omit, Include };

// Builds the complete message: Date, From, Reply-To, To, Subject, Message-ID, then the
// body as text/plain or text/html (quoted-printable, UTF-8) and, when there are
// attachments, a multipart/mixed with one Base64 part per file under its file name.
// A relayed message omits the Bcc header; a pickup file includes it, because whatever
// picks the file up learns the blind recipients from it.
RenderedMail renderMailMessage(const MailMessage& message, BccHeader bcc);

}  // namespace autovelt::comms
