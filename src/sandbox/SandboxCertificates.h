#pragma once

// The sandbox's own certificate authority and server certificate, kept in a private folder
// and made with the openssl command line the first time a folder lacks them. Installations
// that talk to the sandbox trust its CA file ("ca.pem") and nothing else changes.

#include <QString>

namespace autovelt::sandbox {

struct CertificatePaths {
    QString caCertificate;      // ca.pem: what an installation's [agency] ca_file names
    QString serverCertificate;  // server.pem: for "localhost" and 127.0.0.1, signed by the CA
    QString serverKey;          // server.key
};

// Makes the folder private and the certificates when any is missing. False with the reason
// in `error` on failure.
bool ensureCertificates(const QString& folder, CertificatePaths& paths, QString* error);

}  // namespace autovelt::sandbox
