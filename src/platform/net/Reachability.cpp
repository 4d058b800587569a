#include "platform/net/Reachability.h"

#include "platform/net/CurlLibrary.h"

#include <curl/curl.h>
#include <memory>

namespace autovelt::inline platform {

QString ReachServer(const QString& url, const QString& caFile, int timeoutSeconds) {
    InitCurlOnce();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return QStringLiteral("the network client could not start");
    const QByteArray urlBytes = url.toUtf8();
    const QByteArray caBytes = caFile.toLocal8Bit();
    char errorText[CURL_ERROR_SIZE] = {0};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (!caBytes.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caBytes.constData());
    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_OK) return {};
    return CurlFailureText(code, errorText);
}

}  // namespace autovelt::platform
