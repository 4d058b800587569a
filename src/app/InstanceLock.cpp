#include "app/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace autovelt::inline app {

InstanceLock::InstanceLock(const QString& installationFolder) {
    const QString path = QDir(installationFolder).filePath(QStringLiteral("autovelt.lock"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        problem_ = QStringLiteral("Cannot open the lock file %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        problem_ = errno == EWOULDBLOCK
                       ? QStringLiteral("Another importer is already running for the installation in %1").arg(installationFolder)
                       : QStringLiteral("Cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return;
    }
    fd_ = fd;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace autovelt::app
