#pragma once

#include <QString>

namespace autovelt::inline platform {

// Sets up libcurl's global state once per process, before the first transfer (HTTPS to the
// agency, SMTP, FTP, connect-only checks); safe to call from every transfer.
void InitCurlOnce();

// Why a transfer failed: the detail libcurl wrote into the transfer's error buffer, else its
// general text for the code; trimmed.
QString CurlFailureText(int code, const char* errorBuffer);

}  // namespace autovelt::platform
