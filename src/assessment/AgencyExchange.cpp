#include "assessment/AgencyExchange.h"

#include "platform/net/CurlLibrary.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QXmlStreamReader>
#include <curl/curl.h>
#include <memory>

namespace autovelt::inline assessment {

namespace {

// An agency answer is a few hundred kilobytes at most; anything far larger is refused
// rather than held in memory.
constexpr qsizetype kLargestAnswer = 32 * 1024 * 1024;

// Numbers of the failures that are ours rather than libcurl's.
constexpr int kNotWellFormed = 1001;
constexpr int kAnswerTooLarge = 1002;
constexpr int kMayHaveArrived = 1003;
constexpr int kDryRun = 1004;

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

struct Answer {
    QByteArray body;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* userdata) {
    auto* answer = static_cast<Answer*>(userdata);
    const size_t n = size * count;
    if (answer->body.size() + qsizetype(n) > kLargestAnswer) {
        answer->tooLarge = true;
        return 0;  // makes libcurl stop the transfer
    }
    answer->body.append(data, qsizetype(n));
    return n;
}

QString failure(int number, const QString& description) {
    return QStringLiteral("Error: %1 - %2 <Success>false</Success>").arg(number).arg(description);
}

struct Exchange {
    bool delivered = false;  // an answer came back from the agency
    QString text;
    bool neverSent = true;   // the request certainly did not reach the agency
};

// Failures that happen before a byte of the request can have reached the agency.
bool failsBeforeSending(CURLcode code) {
    return code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT || code == CURLE_UNSUPPORTED_PROTOCOL ||
           code == CURLE_URL_MALFORMAT || code == CURLE_SSL_CONNECT_ERROR || code == CURLE_PEER_FAILED_VERIFICATION ||
           code == CURLE_SSL_CACERT_BADFILE;
}

Exchange post(const AgencyService& service, const QString& url, const QString& soapAction, const QString& xmlBody) {
    if (!IsWellFormedXml(xmlBody)) return {false, failure(kNotWellFormed, QStringLiteral("The request is not well-formed XML and was not sent"))};
    InitCurlOnce();

    EasyHandle curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return {false, failure(CURLE_FAILED_INIT, QStringLiteral("The HTTPS client could not start"))};
    HeaderList headers(nullptr, curl_slist_free_all);
    curl_slist* list = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    list = curl_slist_append(list, ("SOAPAction: " + soapAction.toUtf8()).constData());
    headers.reset(list);

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray body = xmlBody.toUtf8();
    const QByteArray caFile = service.caFile.toLocal8Bit();
    Answer answer;
    char errorText[CURL_ERROR_SIZE] = {0};
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(service.connectTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, long(service.timeoutSeconds));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);

    const CURLcode code = curl_easy_perform(h);
    if (answer.tooLarge)
        return {false, failure(kAnswerTooLarge, QStringLiteral("The agency's answer is larger than %1 bytes").arg(kLargestAnswer)), false};
    if (code != CURLE_OK) {
        // libcurl's texts name the host and the fault, never the request's content.
        return {false, failure(int(code), CurlFailureText(code, errorText)), failsBeforeSending(code)};
    }
    return {true, QString::fromUtf8(answer.body), false};
}

}  // namespace

QString TextBetween(const QString& text, const QString& open, const QString& close) {
    const qsizetype start = text.indexOf(open);
    if (start < 0) return {};
    const qsizetype from = start + open.size();
    const qsizetype end = text.indexOf(close, from);
    return end < 0 ? text.mid(from) : text.mid(from, end - from);
}

bool IsWellFormedXml(const QString& text) {
    QXmlStreamReader reader(text);
    while (!reader.atEnd()) reader.readNext();
    return !reader.hasError();
}

QString PostXml(const AgencyService& service, const QString& url, const QString& soapAction, const QString& xmlBody) {
    return post(service, url, soapAction, xmlBody).text;
}

namespace {

// The answer the application gets: kept, given to this run, or the failure of a request a
// stopped run had on the wire; the request is sent only when none of those is there.
QString askOnce(const CycleContext& cycle, UnitSession& session, const AgencyRequestAwaited& request) {
    // A request a stopped run had on the wire is not sent again on the importer's own: a
    // second credit search would leave a second footprint on the applicant's credit file.
    const QString interrupted = failure(kMayHaveArrived, QStringLiteral("The request was under way when the importer stopped and "
                                                                        "may have reached the agency; it is not sent again. Please "
                                                                        "check with the agency"));
    const auto send = [&] {
        const Exchange exchange = post(cycle.config.agency, request.url, request.soapAction, request.body);
        return RecordedResponses::Attempt{exchange.text.toUtf8(), exchange.delivered, exchange.neverSent};
    };
    return QString::fromUtf8(
        session.recordedResponses().askOnce(request.applicationKey, request.requestName, send, interrupted.toUtf8()));
}

}  // namespace

QString AskAgency(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                  const QString& requestName, const QString& url, const QString& soapAction, const QString& xmlBody) {
    // A dry run asks nothing: the application goes on as if no answer had come.
    if (cycle.dryRun)
        return failure(kDryRun, QStringLiteral("Dry run: the request would be sent to the agency now; it is not sent"));
    const QString applicationKey = app.identityKey;
    // Outside the import pass (a loan run by hand) there is no application to keep it for.
    if (applicationKey.isEmpty()) return PostXml(cycle.config.agency, url, soapAction, xmlBody);
    const AgencyRequestAwaited request{applicationKey, requestName, url, soapAction, xmlBody};
    if (!session.recordedResponses().asked(applicationKey, requestName)) throw request;
    return askOnce(cycle, session, request);
}

void SendAwaitedAgencyRequest(const CycleContext& cycle, UnitSession& session, const AgencyRequestAwaited& request) {
    askOnce(cycle, session, request);
}

}  // namespace autovelt::assessment
