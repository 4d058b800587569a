#pragma once

namespace autovelt {

class Importer;

// Fetches the documents applicants uploaded into the scanned images store.
void DownloadSupportingDocuments(Importer& importer);

}  // namespace autovelt
