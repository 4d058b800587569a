#pragma once

#include <QString>

namespace autovelt::inline common {

// The files of a batch (details files, stored agency answers, pickup emails) and the folder
// entries that name them reach the disk together, just before the commit that records
// them, rather than each as it is written. Writers note the files and folders they changed;
// the commit's owner syncs them.

// A file was written (its data is to reach the disk).
void NoteBatchFile(const QString& path);
// A file was written, renamed or removed in the folder, or the folder was made in it.
void NoteBatchFolder(const QString& folder);

// Every noted file's data and every noted folder reaches the disk, with one flush of each
// file system that holds them. False with the reason
// when the system reports a failed write; the notes are cleared either way.
bool SyncBatchFiles(QString* error = nullptr);

}  // namespace autovelt::common
