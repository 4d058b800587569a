#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace autovelt::inline common {

// Files and folders the importer creates hold member data or secrets: they are created for
// their owner alone (folders 0700, files 0600) whatever the process umask.

// Creates the folder and any missing parents; each folder created here is 0700. Folders
// that already exist keep their permissions. True when the folder exists afterwards.
bool MakePrivateFolder(const QString& path);

// Opens the file (created when missing) and sets it to 0600, an existing file included. A
// symbolic link at the path is refused, never followed.
bool OpenPrivateFile(QFile& file, QIODevice::OpenMode mode);

// When a written file reaches the disk: at once, or with the other files of the batch
// (SyncBatchFiles, before the commit that records them).
enum class FileSync { Now, WithBatch };

// Replaces the file's content at once: the data goes to a private temporary file beside it,
// reaches the disk, and is renamed over the file, and the folder's entry reaches the disk
// too. False (with the reason) on failure.
bool WritePrivateFile(const QString& path, const QByteArray& data, QString* error = nullptr, FileSync sync = FileSync::Now);

// Creates a file that must not exist yet (a link at the path is refused too) with the data,
// for its owner alone, to reach the disk with the batch (SyncBatchFiles). For a file no
// reader looks at until the commit that records it, so it needs no temporary and rename.
// False (with the reason) on failure; a file left half written is removed.
bool WriteNewPrivateFile(const QString& path, const QByteArray& data, QString* error = nullptr);

// Makes the folder's entries (a file renamed or created in it) reach the disk.
bool SyncFolder(const QString& folder);

// True when group or other users have any permission on the file or folder.
bool IsOpenToOthers(const QString& path);

}  // namespace autovelt::common
