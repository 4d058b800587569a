#pragma once

#include <QString>

namespace autovelt::inline platform {

// Opens a connection to the server of the URL and closes it again, sending no request: for
// https the certificate is verified (against `caFile` when given). Empty when the server
// answered, otherwise why not.
QString ReachServer(const QString& url, const QString& caFile, int timeoutSeconds);

}  // namespace autovelt::platform
