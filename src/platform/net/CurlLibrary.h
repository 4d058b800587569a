#pragma once

namespace autovelt {

// Sets up libcurl's global state once per process, before the first transfer (HTTPS to the
// agency, SMTP, FTP, connect-only checks); safe to call from every transfer.
void InitCurlOnce();

}  // namespace autovelt
