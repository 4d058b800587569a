#pragma once

// The two agency services behind the sandbox's listening ports: routes each request to the
// identity check or the credit search, records it, and sends the persona's answer (after
// its pause, without holding up other requests).

#include "sandbox/RequestRecorder.h"
#include "sandbox/SandboxAnswer.h"
#include "sandbox/SandboxOptions.h"

#include <QObject>

class QHttpServerRequest;
class QTcpSocket;

namespace autovelt::sandbox {

class SandboxService : public QObject {
    Q_OBJECT
public:
    SandboxService(const SandboxOptions& options, RequestRecorder& recorder, QObject* parent = nullptr);

    void handle(const QHttpServerRequest& request, QTcpSocket* socket);

private:
    SandboxAnswer answerFor(const QHttpServerRequest& request);
    SandboxAnswer identityCheck(const QHttpServerRequest& request);
    SandboxAnswer creditSearch(const QHttpServerRequest& request);
    void send(QTcpSocket* socket, const SandboxAnswer& answer);

    const SandboxOptions options_;
    RequestRecorder& recorder_;
    int answers_ = 0;
};

}  // namespace autovelt::sandbox
