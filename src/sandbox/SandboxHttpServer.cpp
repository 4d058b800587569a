#include "sandbox/SandboxHttpServer.h"

#include "sandbox/SandboxService.h"

namespace autovelt::sandbox {

SandboxHttpServer::SandboxHttpServer(SandboxService& service, QObject* parent) : QAbstractHttpServer(parent), service_(service) {}

bool SandboxHttpServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    service_.handle(request, socket);
    return true;
}

// Every request is handled above, unknown paths included.
void SandboxHttpServer::missingHandler(const QHttpServerRequest&, QTcpSocket*) {}

}  // namespace autovelt::sandbox
