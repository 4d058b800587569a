#include "common/BatchFiles.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace autovelt::inline common {

namespace {

QSet<QString>& notedFiles() {
    static QSet<QString> files;
    return files;
}

QSet<QString>& notedFolders() {
    static QSet<QString> folders;
    return folders;
}

// One flush per file system: syncfs writes every file's data and every folder entry on it,
// those of the folders made for the files included, in one go, where a flush per file and
// per folder costs a wait on the disk each. False only when the system reports a failed
// write; a path gone since (an undone application's staging folder) has nothing to sync.
bool syncFileSystemOf(const QString& path, std::set<dev_t>& synced, QString* error) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0 || synced.count(st.st_dev) > 0) return true;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    const bool flushed = ::syncfs(fd) == 0;
    if (!flushed && error) *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    if (flushed) synced.insert(st.st_dev);
    return flushed;
}

}  // namespace

void NoteBatchFile(const QString& path) { notedFiles().insert(path); }

void NoteBatchFolder(const QString& folder) { notedFolders().insert(folder); }

bool SyncBatchFiles(QString* error) {
    bool ok = true;
    std::set<dev_t> synced;
    for (const QString& file : std::as_const(notedFiles())) ok = syncFileSystemOf(file, synced, error) && ok;
    for (const QString& folder : std::as_const(notedFolders())) ok = syncFileSystemOf(folder, synced, error) && ok;
    notedFiles().clear();
    notedFolders().clear();
    return ok;
}

}  // namespace autovelt::common
