#include "common/BatchFiles.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace autovelt {

namespace {

QSet<QString>& notedFiles() {
    static QSet<QString> files;
    return files;
}

QSet<QString>& notedFolders() {
    static QSet<QString> folders;
    return folders;
}

// False only when the system reports a failed write; a path gone since (an undone
// application's staging folder) has nothing left to sync.
bool sync(const QString& path, int flags, bool dataOnly, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return true;
    const bool synced = (dataOnly ? ::fdatasync(fd) : ::fsync(fd)) == 0;
    if (!synced && error) *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return synced;
}

}  // namespace

void NoteBatchFile(const QString& path) { notedFiles().insert(path); }

void NoteBatchFolder(const QString& folder) { notedFolders().insert(folder); }

bool SyncBatchFiles(QString* error) {
    bool ok = true;
    for (const QString& file : std::as_const(notedFiles())) ok = sync(file, O_RDONLY, true, error) && ok;
    for (const QString& folder : std::as_const(notedFolders())) ok = sync(folder, O_RDONLY | O_DIRECTORY, false, error) && ok;
    notedFiles().clear();
    notedFolders().clear();
    return ok;
}

}  // namespace autovelt
