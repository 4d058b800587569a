#include "state/RecordedResponses.h"

#include "common/VeltError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace autovelt {

namespace {

// Any text becomes a safe file name: its hash.
QString safeName(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

void makePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path))
        throw VeltError(75, QStringLiteral("RecordedResponses"), QStringLiteral("Path/File access error (%1)").arg(path)).markEnvironmental();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

QString RecordedResponses::fileFor(const QString& applicationKey, const QString& request) const {
    return QDir(folder_).filePath(safeName(applicationKey) + QLatin1Char('/') + safeName(request));
}

std::optional<QByteArray> RecordedResponses::recall(const QString& applicationKey, const QString& request) const {
    QFile file(fileFor(applicationKey, request));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

void RecordedResponses::remember(const QString& applicationKey, const QString& request, const QByteArray& response) {
    makePrivateFolder(folder_);
    makePrivateFolder(QDir(folder_).filePath(safeName(applicationKey)));
    QSaveFile file(fileFor(applicationKey, request));
    if (!file.open(QIODevice::WriteOnly))
        throw VeltError(75, QStringLiteral("RecordedResponses"), QStringLiteral("Path/File access error (%1)").arg(file.fileName())).markEnvironmental();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(response);
    if (!file.commit())
        throw VeltError(75, QStringLiteral("RecordedResponses"), QStringLiteral("Path/File access error (%1)").arg(file.fileName())).markEnvironmental();
}

void RecordedResponses::forget(const QString& applicationKey) {
    QDir(QDir(folder_).filePath(safeName(applicationKey))).removeRecursively();
}

QByteArray RecordedResponses::askOnce(const QString& applicationKey, const QString& request,
                                      const std::function<QByteArray()>& ask) {
    if (std::optional<QByteArray> kept = recall(applicationKey, request)) return *kept;
    const QByteArray answer = ask();
    remember(applicationKey, request, answer);
    return answer;
}

}  // namespace autovelt
