#include "platform/net/CurlLibrary.h"

#include <curl/curl.h>
#include <mutex>

namespace autovelt::inline platform {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString CurlFailureText(int code, const char* errorBuffer) {
    const char* text = errorBuffer && errorBuffer[0] ? errorBuffer : curl_easy_strerror(CURLcode(code));
    return QString::fromUtf8(text).trimmed();
}

}  // namespace autovelt::platform
