#include "assessment/AgencyTraceFiles.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace autovelt {

QString AgencyTraceFolder() {
    const QString folder = QDir::tempPath() + QStringLiteral("/autovelt-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return {};
    // The temporary folder is shared: whatever stands at this name may have been put there
    // by someone else. It is used only when it is a real folder of our own.
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return {};
    if ((st.st_mode & 07777) != 0700 && ::chmod(native.constData(), 0700) != 0) return {};
    return folder;
}

}  // namespace autovelt
