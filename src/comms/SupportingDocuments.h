#pragma once

#include "comms/FtpSession.h"

#include <QString>

namespace autovelt {

class Importer;

// Fetches the documents applicants uploaded (one member_docs row each, the file on the
// website's FTP server) into the member's folder of the scanned images store, records
// their receipt, then removes the file and the row from the website. A document is filed
// completely or not at all: it is fetched into a private temporary file, checked, and
// moved into place under a name of its own; only then are the remote file and the row
// removed. A document that could not be fetched or filed for a passing reason (connection
// cut, disk full, store not reachable) stays queued for the next run.
void DownloadSupportingDocuments(Importer& importer);

// Makes `directory` the session's current directory; when it holds the server address,
// only what follows the address is used. An empty directory does nothing.
FtpResult ChangeFtpDirectory(FtpSession& session, const QString& directory, const QString& server);

}  // namespace autovelt
