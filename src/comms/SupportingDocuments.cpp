#include "comms/SupportingDocuments.h"

namespace autovelt {

// Not built yet: does nothing, so uploaded documents stay on the website.
void DownloadSupportingDocuments(Importer&) {}

}  // namespace autovelt
