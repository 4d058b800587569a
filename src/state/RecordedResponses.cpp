#include "state/RecordedResponses.h"

#include "common/PrivateFiles.h"
#include "common/VeltError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autovelt::inline state {

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

// The list of files kept with an application, one path a line. Its name is no hash, so it
// never collides with an answer's.
const QString kKeptFilesList = QStringLiteral("kept-files");

void RecordedResponses::forget(const QString& applicationKey) {
    const QString folder = QDir(folder_).filePath(safeName(applicationKey));
    forgetFolder(folder);
    answeredThisRun_.removeIf([&folder](const auto& entry) { return entry.key().startsWith(folder + QLatin1Char('/')); });
}

void RecordedResponses::forgetFolder(const QString& applicationFolder) {
    QFile list(QDir(applicationFolder).filePath(kKeptFilesList));
    if (list.open(QIODevice::ReadOnly))
        for (const QByteArray& path : list.readAll().split('\n'))
            if (!path.isEmpty()) QFile::remove(QString::fromUtf8(path));
    QDir(applicationFolder).removeRecursively();
}

void RecordedResponses::keepWithApplication(const QString& applicationKey, const QString& path) {
    const QString folder = QDir(folder_).filePath(safeName(applicationKey));
    QFile list(QDir(folder).filePath(kKeptFilesList));
    if (!MakePrivateFolder(folder) || !OpenPrivateFile(list, QIODevice::Append) || list.write(path.toUtf8() + '\n') < 0)
        throw accessError(list.fileName());
}

void RecordedResponses::releaseFromApplication(const QString& applicationKey, const QString& path) {
    const QString list = QDir(QDir(folder_).filePath(safeName(applicationKey))).filePath(kKeptFilesList);
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly)) return;
    QByteArray kept;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty() && line != path.toUtf8()) kept += line + '\n';
    file.close();
    if (!WritePrivateFile(list, kept)) throw accessError(list);
}

void RecordedResponses::forgetOlderThan(const QDateTime& cutoff) {
    for (const QFileInfo& application : QDir(folder_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        if (application.lastModified() < cutoff) forgetFolder(application.filePath());
}

bool RecordedResponses::asked(const QString& applicationKey, const QString& request) const {
    const QString file = fileFor(applicationKey, request);
    return answeredThisRun_.contains(file) || QFile::exists(file) || QFile::exists(attemptFileFor(applicationKey, request));
}

QByteArray RecordedResponses::askOnce(const QString& applicationKey, const QString& request,
                                      const std::function<Attempt()>& ask, const QByteArray& whenInterrupted) {
    if (std::optional<QByteArray> kept = recall(applicationKey, request)) return *kept;
    const QString file = fileFor(applicationKey, request);
    if (answeredThisRun_.contains(file)) return answeredThisRun_.value(file);
    if (attemptedWithoutAnswer(applicationKey, request)) return whenInterrupted;
    markAttempt(applicationKey, request);
    const Attempt attempt = ask();
    if (attempt.arrived) remember(applicationKey, request, attempt.answer);
    else answeredThisRun_.insert(file, attempt.answer);
    if (!attempt.arrived && attempt.neverSent) clearAttempt(applicationKey, request);
    return attempt.answer;
}

QByteArray RecordedResponses::askOnce(const QString& applicationKey, const QString& request,
                                      const std::function<QByteArray()>& ask) {
    return askOnce(applicationKey, request, [&ask] { return Attempt{ask()}; }, QByteArray());
}

}  // namespace autovelt::state
