#include "state/RecordedResponses.h"

#include "common/PrivateFiles.h"
#include "common/VeltError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace autovelt {

namespace {

// Any text becomes a safe file name: its hash.
QString safeName(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

VeltError accessError(const QString& path) {
    return VeltError(75, QStringLiteral("RecordedResponses"), QStringLiteral("Path/File access error (%1)").arg(path))
        .markEnvironmental();
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

QString RecordedResponses::attemptFileFor(const QString& applicationKey, const QString& request) const {
    return fileFor(applicationKey, request) + QStringLiteral(".attempt");
}

void RecordedResponses::keep(const QString& path, const QString& applicationKey, const QByteArray& content) {
    const QString folder = QDir(folder_).filePath(safeName(applicationKey));
    if (!MakePrivateFolder(folder)) throw accessError(folder);
    if (!WritePrivateFile(path, content)) throw accessError(path);
}

void RecordedResponses::remember(const QString& applicationKey, const QString& request, const QByteArray& response) {
    keep(fileFor(applicationKey, request), applicationKey, response);
    clearAttempt(applicationKey, request);
}

void RecordedResponses::markAttempt(const QString& applicationKey, const QString& request) {
    keep(attemptFileFor(applicationKey, request), applicationKey, QByteArray());
}

void RecordedResponses::clearAttempt(const QString& applicationKey, const QString& request) {
    QFile::remove(attemptFileFor(applicationKey, request));
}

bool RecordedResponses::attemptedWithoutAnswer(const QString& applicationKey, const QString& request) const {
    return QFile::exists(attemptFileFor(applicationKey, request)) && !QFile::exists(fileFor(applicationKey, request));
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
