#include "comms/MimeMessage.h"

#include "comms/MimeEncoding.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUuid>

namespace autovelt::inline comms {

namespace {

QByteArray addressList(const QStringList& addresses) {
    QByteArray out;
    for (const QString& address : addresses) {
        if (!out.isEmpty()) out += ", ";
        out += singleLine(address).toUtf8();
    }
    return out;
}

QByteArray envelopeHeaders(const MailMessage& message, BccHeader bcc) {
    QByteArray out;
    const QDateTime date = message.date.isValid() ? message.date : QDateTime::currentDateTime();
    out += headerLine("Date", date.toString(Qt::RFC2822Date).toLatin1());
    out += headerLine("From", formatMailbox(message.from));
    if (!message.replyTo.address.isEmpty()) out += headerLine("Reply-To", formatMailbox(message.replyTo));
    if (!message.to.isEmpty()) out += headerLine("To", addressList(message.to));
    if (bcc == BccHeader::Include && !message.bcc.isEmpty()) out += headerLine("Bcc", addressList(message.bcc));
    out += headerLine("Subject", encodeHeaderText(message.subject));
    if (!message.messageId.isEmpty()) out += headerLine("Message-ID", singleLine(message.messageId).toLatin1());
    out += headerLine("MIME-Version", "1.0");
    return out;
}

// In a multipart message the line break before the next boundary belongs to the boundary,
// so the text always gets one more; a single-part message needs only to end with one.
QByteArray bodyPart(const MailMessage& message, bool inMultipart) {
    const QByteArray type = message.html ? "text/html" : "text/plain";
    QByteArray text = quotedPrintable(toCrlfUtf8(message.body));
    if (inMultipart || !text.endsWith("\r\n")) text += "\r\n";
    return headerLine("Content-Type", type + "; charset=UTF-8") +
           headerLine("Content-Transfer-Encoding", "quoted-printable") + "\r\n" + text;
}

// One attachment part; an empty result with `error` set when the file cannot be read.
QByteArray attachmentPart(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Unable to attach file %1: %2").arg(path, file.errorString());
        return {};
    }
    const QByteArray content = file.readAll();
    const QString fileName = QFileInfo(path).fileName();
    const QByteArray mimeType =
        QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension).name().toLatin1();
    return headerLine("Content-Type", mimeType + "; " + filenameParameter("name", fileName)) +
           headerLine("Content-Transfer-Encoding", "base64") +
           headerLine("Content-Disposition", "attachment; " + filenameParameter("filename", fileName)) + "\r\n" +
           base64Lines(content);
}

}  // namespace

RenderedMail renderMailMessage(const MailMessage& message, BccHeader bcc) {
    RenderedMail rendered;
    QByteArray out = envelopeHeaders(message, bcc);
    if (message.attachments.isEmpty()) {
        rendered.text = out + bodyPart(message, false);
        return rendered;
    }
    const QByteArray boundary = "=_part_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    out += headerLine("Content-Type", "multipart/mixed; boundary=\"" + boundary + "\"");
    out += "\r\nThis is a multi-part message in MIME format.\r\n";
    out += "--" + boundary + "\r\n" + bodyPart(message, true);
    for (const QString& path : message.attachments) {
        const QByteArray part = attachmentPart(path, rendered.error);
        if (!rendered.error.isEmpty()) return rendered;
        out += "--" + boundary + "\r\n" + part;
    }
    rendered.text = out + "--" + boundary + "--\r\n";
    return rendered;
}

}  // namespace autovelt::comms
