#include "state/StagedFiles.h"

#include "common/BatchFiles.h"
#include "common/MemberFolder.h"
#include "common/PrivateFiles.h"
#include "common/VeltError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace autovelt::inline state {

namespace {

// An application's key becomes a folder name that cannot leave the staging folder.
QString hashed(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

// "<stem>_<n>.<suffix>" in the folder, the first n from `first` on that is free.
QString numberedName(const QString& folder, const QString& name, int first) {
    const QFileInfo info(name);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    QString path;
    for (int n = first; path.isEmpty() || QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1_%2%3").arg(info.completeBaseName()).arg(n).arg(suffix));
    return path;
}

bool isApplicationFolderName(const QString& name) {
    static const QRegularExpression kHash(QStringLiteral("^[0-9a-f]{40}$"));
    return kHash.match(name).hasMatch();
}

bool fail(QString* reason, const QString& why) {
    if (reason) *reason = why;
    return false;
}

}  // namespace

QString StagedFile::folderPath() const { return MemberFolderPath(root, kind, member); }

QString EncodeStagedFile(const StagedFile& file) {
    const QJsonObject o{{QStringLiteral("staged"), file.staged},
                        {QStringLiteral("root"), file.root},
                        {QStringLiteral("kind"), file.kind},
                        {QStringLiteral("member"), static_cast<qint64>(file.member)},
                        {QStringLiteral("name"), file.name},
                        {QStringLiteral("numberNew"), file.onClash == StagedFile::OnClash::NumberTheNewOne}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

StagedFile DecodeStagedFile(const QString& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload.toUtf8()).object();
    StagedFile file;
    file.staged = o.value(QStringLiteral("staged")).toString();
    file.root = o.value(QStringLiteral("root")).toString();
    file.kind = o.value(QStringLiteral("kind")).toString();
    file.member = static_cast<long>(o.value(QStringLiteral("member")).toInteger());
    file.name = o.value(QStringLiteral("name")).toString();
    file.onClash = o.value(QStringLiteral("numberNew")).toBool() ? StagedFile::OnClash::NumberTheNewOne
                                                                  : StagedFile::OnClash::MoveEarlierAside;
    return file;
}

// An application's files sit in the staging folder itself, named "<key hash>.<n>-<name>":
// no folder is made and removed for every application.
QString StagedFiles::prefixOf(const QString& applicationKey) const { return hashed(applicationKey) + QLatin1Char('.'); }

QString StagedFiles::stage(const QString& applicationKey, const QString& name, const QByteArray& content) {
    const QString prefix = QDir(folder_).filePath(prefixOf(applicationKey));
    const QString cleaned = CleanFileNamePart(name);
    QString path;
    for (int n = 1; path.isEmpty() || QFileInfo::exists(path); ++n) path = prefix + QString::number(n) + QLatin1Char('-') + cleaned;
    QString reason = QStringLiteral("the folder cannot be made");
    // The file reaches the disk with the batch's other files, before the commit that records it.
    NoteBatchFolder(folder_);
    if (!MakePrivateFolder(folder_) || !WriteNewPrivateFile(path, content, &reason))
        throw VeltError(75, QStringLiteral("StagedFiles"), QStringLiteral("Path/File access error (%1: %2)").arg(path, reason))
            .markEnvironmental();
    return path;
}

void StagedFiles::discard(const QString& applicationKey) {
    QDir dir(folder_);
    for (const QString& name : dir.entryList({prefixOf(applicationKey) + QLatin1Char('*')}, QDir::Files | QDir::Hidden))
        dir.remove(name);
    QDir(dir.filePath(hashed(applicationKey))).removeRecursively();  // a folder an earlier version staged in
}

int StagedFiles::removeAllExcept(const QStringList& applicationKeys) {
    QSet<QString> waiting;
    for (const QString& key : applicationKeys) waiting.insert(hashed(key));
    int removed = 0;
    const QFileInfoList entries = QDir(folder_).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (waiting.contains(entry.fileName().section(QLatin1Char('.'), 0, 0))) continue;
        if (entry.isDir() && !entry.isSymLink()) QDir(entry.filePath()).removeRecursively();
        else QFile::remove(entry.filePath());
        ++removed;
    }
    return removed;
}

QStringList StagedFiles::files() const {
    QStringList found;
    for (QDirIterator it(folder_, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) found << it.next();
    return found;
}

bool FileStagedFile(const StagedFile& file, QString* reason) {
    if (!QFileInfo(file.root).isDir()) return fail(reason, QStringLiteral("the folder ") + file.root + QStringLiteral(" cannot be reached"));
    const QString folder = file.folderPath();
    QString target = folder + file.name;  // file.filedPath(), with the folder looked up once
    if (!QFileInfo::exists(file.staged)) {
        // A run stopped after the move: the file is already filed.
        if (QFileInfo::exists(target)) return true;
        return fail(reason, QStringLiteral("the staged file ") + file.staged + QStringLiteral(" is missing"));
    }
    if (!MakeMemberFolder(file.root, file.kind, file.member))
        return fail(reason, QStringLiteral("the folder ") + folder + QStringLiteral(" cannot be made"));
    if (QFileInfo::exists(target)) {
        if (file.onClash == StagedFile::OnClash::NumberTheNewOne) {
            target = numberedName(folder, file.name, 2);
        } else {
            // The earlier file is never lost: when it cannot be moved aside the new one is numbered.
            const QString earlier = numberedName(folder, file.name, 1);
            if (!QFile::rename(target, earlier)) target = earlier;
        }
    }
    QFile staged(file.staged);
    if (!staged.rename(target)) return fail(reason, staged.errorString());
    NoteBatchFolder(folder);  // on disk before the commit that records the file as filed
    // A file an earlier version staged sits in a folder of its application's own, removed once empty.
    const QDir stagedIn = QFileInfo(file.staged).absoluteDir();
    if (isApplicationFolderName(stagedIn.dirName())) QDir().rmdir(stagedIn.absolutePath());
    return true;
}

}  // namespace autovelt::state
