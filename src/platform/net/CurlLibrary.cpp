#include "platform/net/CurlLibrary.h"

#include <curl/curl.h>
#include <mutex>

namespace autovelt {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace autovelt
