#include "sandbox/SandboxService.h"

#include "sandbox/CreditAnswers.h"
#include "sandbox/CreditRequest.h"
#include "sandbox/IdentityAnswers.h"
#include "sandbox/IdentityRequest.h"
#include "sandbox/Personas.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace autovelt::sandbox {

namespace {

const QString kIdentityPath = QStringLiteral("/callvalidateapi/incomingserver.php");
const QString kCreditPath = QStringLiteral("/Services/CallReport/CallReport7.asmx");

SandboxAnswer plainAnswer(int status, const QByteArray& text) {
    SandboxAnswer a;
    a.status = status;
    a.contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    a.body = text + '\n';
    return a;
}

QByteArray reason(int status) {
    switch (status) {
    case 200: return QByteArrayLiteral("OK");
    case 404: return QByteArrayLiteral("Not Found");
    case 405: return QByteArrayLiteral("Method Not Allowed");
    default: return QByteArrayLiteral("Internal Server Error");
    }
}

QByteArray header(const QHttpServerRequest& request, const QByteArray& name) {
    for (const auto& [key, value] : request.headers())
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

}  // namespace

SandboxService::SandboxService(const SandboxOptions& options, RequestRecorder& recorder, QObject* parent)
    : QObject(parent), options_(options), recorder_(recorder) {}

void SandboxService::handle(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (request.method() == QHttpServerRequest::Method::Post)
        recorder_.record(request.url().path().toUtf8(), header(request, "SOAPAction"), header(request, "Content-Type"), request.body());
    send(socket, answerFor(request));
}

SandboxAnswer SandboxService::answerFor(const QHttpServerRequest& request) {
    const QString path = request.url().path();
    if (path != kIdentityPath && path != kCreditPath) return plainAnswer(404, "No agency service at " + path.toUtf8());
    if (request.method() != QHttpServerRequest::Method::Post) return plainAnswer(405, "The agency's services take POST requests only");
    ++answers_;
    return path == kIdentityPath ? identityCheck(request) : creditSearch(request);
}

SandboxAnswer SandboxService::identityCheck(const QHttpServerRequest& request) {
    const IdentityRequest read = readIdentityRequest(header(request, "Content-Type"), request.body());
    const QDateTime now = QDateTime::currentDateTime();
    if (!read.sound()) return identityRefusal(read, now, answers_);
    return identityAnswer(read, identityPersonaFor(read.surname), options_.slowSeconds, now, answers_);
}

SandboxAnswer SandboxService::creditSearch(const QHttpServerRequest& request) {
    const QString& ns = options_.callReportNamespace;
    const CreditRequest read = readCreditRequest(ns, header(request, "SOAPAction"), header(request, "Content-Type"), request.body());
    if (!read.sound()) return creditFault(ns, read.faultCode, read.problem, QStringLiteral("RQ400"));
    return creditAnswer(read, creditPersonaFor(read.surname), ns, options_.slowSeconds, QDateTime::currentDateTime());
}

void SandboxService::send(QTcpSocket* socket, const SandboxAnswer& answer) {
    const QByteArray bytes = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reason(answer.status) +
                             "\r\nContent-Type: " + answer.contentType + "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                             "\r\nCache-Control: private\r\n\r\n" + answer.body;
    if (answer.delaySeconds <= 0) {
        socket->write(bytes);
        return;
    }
    // The client may give up first: the socket is gone by then and nothing is sent.
    QTimer::singleShot(answer.delaySeconds * 1000, this, [guard = QPointer<QTcpSocket>(socket), bytes] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState) guard->write(bytes);
    });
}

}  // namespace autovelt::sandbox
