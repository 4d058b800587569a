#include "common/PrivateFiles.h"

#include "common/BatchFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace autovelt::inline common {

namespace {

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr QFileDevice::Permissions kOwnerReadWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Writes the data to a file just opened (fd < 0: the open failed), for its owner alone and,
// when asked, on disk; closes it. False with the reason on any failure.
bool writePrivateAndClose(int fd, const QByteArray& data, bool syncNow, QString* error) {
    if (fd < 0) {
        if (error) *error = systemError();
        return false;
    }
    const bool written = ::fchmod(fd, kPrivateFile) == 0 && writeAll(fd, data) && (!syncNow || ::fsync(fd) == 0);
    const QString reason = written ? QString() : systemError();
    if (::close(fd) != 0 || !written) {
        if (error) *error = reason.isEmpty() ? systemError() : reason;
        return false;
    }
    return true;
}

// A file written for the batch: its data and its folder's entry reach the disk before the
// commit that records it.
void noteForBatch(const QString& path) {
    NoteBatchFile(path);
    NoteBatchFolder(QFileInfo(path).absolutePath());
}

}  // namespace

bool MakePrivateFolder(const QString& path) {
    if (path.isEmpty()) return false;
    // Mostly the folder is there already: one look settles it.
    struct stat existing {};
    if (::stat(QFile::encodeName(path).constData(), &existing) == 0) return S_ISDIR(existing.st_mode);
    // The missing folders, outermost first.
    QStringList missing;
    for (QString p = QDir::cleanPath(QDir(path).absolutePath()); !QFileInfo::exists(p); p = QFileInfo(p).path()) {
        missing.prepend(p);
        if (QFileInfo(p).path() == p) break;
    }
    for (const QString& folder : missing) {
        const QByteArray native = QFile::encodeName(folder);
        if (::mkdir(native.constData(), kPrivateFolder) != 0 && errno != EEXIST) return false;
        ::chmod(native.constData(), kPrivateFolder);  // the umask may have taken owner bits
    }
    return QFileInfo(path).isDir();
}

bool OpenPrivateFile(QFile& file, QIODevice::OpenMode mode) {
    if (QFileInfo(file.fileName()).isSymLink()) return false;
    if (!file.open(mode, kOwnerReadWrite)) return false;
    return file.setPermissions(kOwnerReadWrite);
}

bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error, FileSync sync) {
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());  // created 0600
    if (!writePrivateAndClose(fd, data, sync == FileSync::Now, error)) {
        if (fd >= 0) ::unlink(temporary.constData());
        return false;
    }
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        if (error) *error = systemError();
        ::unlink(temporary.constData());
        return false;
    }
    if (sync == FileSync::WithBatch) {
        noteForBatch(path);
        return true;
    }
    // A renamed file is only there after a power cut once its folder's entry is on disk.
    if (!SyncFolder(QFileInfo(path).absolutePath())) {
        if (error) *error = systemError();
        return false;
    }
    return true;
}

bool WriteNewPrivateFile(const QString& path, const QByteArray& data, QString* error) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFile);
    if (!writePrivateAndClose(fd, data, false, error)) {
        if (fd >= 0) ::unlink(native.constData());
        return false;
    }
    noteForBatch(path);
    return true;
}

bool SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool IsOpenToOthers(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return (st.st_mode & 077) != 0;
}

}  // namespace autovelt::common
