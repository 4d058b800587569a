#include "comms/PickupFolderTransport.h"

#include "comms/MimeMessage.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
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
    if (!QFileInfo(folder_).isDir())
        return QStringLiteral("The mail pickup folder %1 does not exist.").arg(folder_);
    const RenderedMail rendered = renderMailMessage(message, BccHeader::Include);
    if (!rendered.error.isEmpty()) return rendered.error;

    const QString path = QDir(folder_).filePath(uniqueFileName());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rendered.text) != rendered.text.size() || !file.commit())
        return QStringLiteral("Unable to write the mail pickup file %1: %2").arg(path, file.errorString());
    return QStringLiteral("ok");
}

}  // namespace autovelt
