#pragma once

// The sandbox's command line.

#include <QString>
#include <QStringList>

namespace autovelt::sandbox {

struct SandboxOptions {
    int httpsPort = 0;  // 0: a free port
    int httpPort = 0;
    QString certificateFolder;
    QString recordFolder;  // empty: requests are not kept
    QString callReportNamespace = QStringLiteral("urn:sandbox.agency.test/soap:callreport7");
    int slowSeconds = 10;
};

// False with the reason (or the usage text for --help) in `message`.
bool readOptions(const QStringList& arguments, SandboxOptions& options, QString* message);

}  // namespace autovelt::sandbox
