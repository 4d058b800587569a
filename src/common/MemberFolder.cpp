#include "common/MemberFolder.h"

#include "common/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

namespace autovelt::inline common {

MemberFolderLevels MemberFolderLevelsOf(long memberNumber) {
    const QString digits = QString::number(memberNumber).rightJustified(8, QLatin1Char('0'));
    MemberFolderLevels levels;
    for (int i = 0; i < 4; ++i) levels.pair[i] = digits.mid(i * 2, 2);
    return levels;
}

QString KindFolderName(const QString& scanLocation, const QString& kind) {
    if (QFileInfo(QDir(scanLocation).filePath(kind)).isDir()) return kind;  // spelt as asked: no listing needed
    const QStringList existing = QDir(scanLocation).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (existing.contains(kind)) return kind;
    for (const QString& name : existing)
        if (name.compare(kind, Qt::CaseInsensitive) == 0) return name;
    return kind;
}

QString MemberFolderPath(const QString& scanLocation, const QString& kind, long memberNumber) {
    const MemberFolderLevels levels = MemberFolderLevelsOf(memberNumber);
    QString path = QDir(scanLocation).filePath(KindFolderName(scanLocation, kind));
    for (const QString& pair : levels.pair) path += QLatin1Char('/') + pair;
    return path + QLatin1Char('/');
}

namespace {

// A folder of the store made or found, never a symbolic link: a link where a kind or level
// folder belongs would lead member data wherever it points. The entry itself is looked at
// (never what a link points to), once when it is there already, as it mostly is.
bool makeStoreFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat entry {};
    if (::lstat(native.constData(), &entry) == 0) return S_ISDIR(entry.st_mode);
    if (errno != ENOENT) return false;
    return MakePrivateFolder(path) && ::lstat(native.constData(), &entry) == 0 && S_ISDIR(entry.st_mode);
}

}  // namespace

bool MakeFolder(const QString& f1, const QString& f2, const QString& f3, const QString& f4, const QString& f5) {
    if (f1.isEmpty() || !QFileInfo(QFileInfo(f1).absolutePath()).isDir()) return false;
    QString path = f1;
    bool made = makeStoreFolder(path);
    for (const QString* level : {&f2, &f3, &f4, &f5}) {
        path += QLatin1Char('/') + *level;
        made = made && makeStoreFolder(path);
    }
    return made;
}

bool MakeMemberFolder(const QString& scanLocation, const QString& kind, long memberNumber) {
    const MemberFolderLevels levels = MemberFolderLevelsOf(memberNumber);
    return MakeFolder(QDir(scanLocation).filePath(KindFolderName(scanLocation, kind)), levels.pair[0], levels.pair[1],
                      levels.pair[2], levels.pair[3]);
}

QString CleanFileNamePart(const QString& name, const QString& fallback) {
    static const QString kForbidden = QStringLiteral("/\\:*?\"<>|");
    QString cleaned;
    cleaned.reserve(name.size());
    for (const QChar c : name)
        cleaned += (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
                    c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph ||
                    kForbidden.contains(c))
                       ? QLatin1Char('_')
                       : c;
    while (!cleaned.isEmpty() && (cleaned.front() == QLatin1Char('.') || cleaned.front().isSpace())) cleaned.remove(0, 1);
    cleaned = cleaned.left(100);
    while (!cleaned.isEmpty() && (cleaned.back() == QLatin1Char('.') || cleaned.back().isSpace())) cleaned.chop(1);
    return cleaned.isEmpty() ? fallback : cleaned;
}

}  // namespace autovelt::common
