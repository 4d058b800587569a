#include "comms/PickupFolderTransport.h"

#include "comms/MimeMessage.h"
#include "common/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace autovelt {

namespace {

// Sorts by time of writing, and never collides.
QString uniqueFileName() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + u'-' +
           QString::fromLatin1(QUuid::createUuid().toByteArray(QUuid::Id128)) + QStringLiteral(".eml");
}

}  // namespace

QString PickupFolderTransport::send(const MailMessage& message, const MailServer&) {
    // A folder that is not there yet is made, for the owner alone: the messages hold
    // applicants' details.
    if (!MakePrivateFolder(folder_))
        return QStringLiteral("The mail pickup folder %1 does not exist and cannot be created.").arg(folder_);
    const RenderedMail rendered = renderMailMessage(message, BccHeader::Include);
    if (!rendered.error.isEmpty()) return rendered.error;

    const QString path = QDir(folder_).filePath(uniqueFileName());
    QString reason;
    if (!WritePrivateFile(path, rendered.text, &reason))
        return QStringLiteral("Unable to write the mail pickup file %1: %2").arg(path, reason);
    return QStringLiteral("ok");
}

}  // namespace autovelt
