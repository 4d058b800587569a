#pragma once

// What the sandbox sends back for one request: an HTTP status, a content type and a body,
// after an optional pause (an agency that is slow to answer).

#include <QByteArray>

namespace autovelt::sandbox {

struct SandboxAnswer {
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/xml; charset=utf-8");
    QByteArray body;
    int delaySeconds = 0;
};

}  // namespace autovelt::sandbox
