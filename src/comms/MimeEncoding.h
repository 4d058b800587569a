#pragma once

#include "comms/MailMessage.h"

#include <QByteArray>
#include <QString>

namespace autovelt::inline comms {

// The encodings an Internet message needs: every byte that leaves here is 7-bit ASCII with
// CRLF line ends, so any relay carries it unchanged.

// Text with any line ends, as UTF-8 with CRLF line ends.
QByteArray toCrlfUtf8(const QString& text);

// Quoted-printable (lines of at most 76 characters) of CRLF text. A line that starts with
// "." has it encoded, so no transport ever needs to stuff dots.
QByteArray quotedPrintable(const QByteArray& crlfText);

// Base64 in lines of 76 characters, each ended by CRLF.
QByteArray base64Lines(const QByteArray& data);

// The text of a header value on one line: line breaks and other control characters become
// blanks, so a value can never start a header of its own.
QString singleLine(const QString& text);

// Unstructured header text (a subject): as it is when plain ASCII, otherwise UTF-8
// encoded words.
QByteArray encodeHeaderText(const QString& text);

// "Name <address>", the name quoted or encoded as needed; just the address without a name.
QByteArray formatMailbox(const MailAddress& mailbox);

// "Name: value" + CRLF, folded at blanks to keep lines within 78 characters.
QByteArray headerLine(const QByteArray& name, const QByteArray& value);

// The filename parameter of an attachment: filename="a.pdf", or the RFC 2231 form
// filename*=UTF-8''... for names outside ASCII.
QByteArray filenameParameter(const QByteArray& parameter, const QString& fileName);

}  // namespace autovelt::comms
