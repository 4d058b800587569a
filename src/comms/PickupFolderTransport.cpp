#include "comms/PickupFolderTransport.h"

#include "comms/MimeMessage.h"
#include "common/BatchFiles.h"
#include "common/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace autovelt::inline comms {

namespace {

// Sorts by time of writing.
QString timeOfWriting() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")); }

}  // namespace

QString PickupFolderTransport::send(const MailMessage& message, const MailServer&) {
    // A folder that is not there yet is made, for the owner alone: the messages hold
    // applicants' details.
    if (!MakePrivateFolder(folder_))
        return QStringLiteral("The mail pickup folder %1 does not exist and cannot be created.").arg(folder_);
    const RenderedMail rendered = renderMailMessage(message, BccHeader::Include);
    if (!rendered.error.isEmpty()) return rendered.error;

    const QString path = QDir(folder_).filePath(timeOfWriting() + u'-' +
                                                QString::fromLatin1(QUuid::createUuid().toByteArray(QUuid::Id128)) +
                                                QStringLiteral(".eml"));
    QString reason;
    if (!WritePrivateFile(path, rendered.text, &reason))
        return QStringLiteral("Unable to write the mail pickup file %1: %2").arg(path, reason);
    return QStringLiteral("ok");
}

QString PickupFolderTransport::temporaryPath(const QString& name) const {
    return QDir(folder_).filePath(u'.' + name + QStringLiteral(".tmp"));
}

QString PickupFolderTransport::prepare(const QString& name, const MailMessage& message) {
    if (!MakePrivateFolder(folder_))
        return QStringLiteral("The mail pickup folder %1 does not exist and cannot be created.").arg(folder_);
    const RenderedMail rendered = renderMailMessage(message, BccHeader::Include);
    if (!rendered.error.isEmpty()) return rendered.error;
    QString reason;
    if (!WritePrivateFile(temporaryPath(name), rendered.text, &reason, FileSync::WithBatch))
        return QStringLiteral("Unable to write the mail pickup file %1: %2").arg(temporaryPath(name), reason);
    return QStringLiteral("ok");
}

QString PickupFolderTransport::deliver(const QString& name) {
    const QString path = QDir(folder_).filePath(timeOfWriting() + u'-' + name + QStringLiteral(".eml"));
    QFile temporary(temporaryPath(name));
    if (!temporary.rename(path))
        return QStringLiteral("Unable to write the mail pickup file %1: %2").arg(path, temporary.errorString());
    NoteBatchFolder(folder_);  // on disk before the commit that records the delivery
    return QStringLiteral("ok");
}

bool PickupFolderTransport::prepared(const QString& name) const { return QFileInfo::exists(temporaryPath(name)); }

}  // namespace autovelt::comms
