#pragma once

// One listening port of the sandbox (HTTPS or plain HTTP), handing every request to the
// shared service.

#include <QAbstractHttpServer>

namespace autovelt::sandbox {

class SandboxService;

class SandboxHttpServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    SandboxHttpServer(SandboxService& service, QObject* parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    SandboxService& service_;
};

}  // namespace autovelt::sandbox
