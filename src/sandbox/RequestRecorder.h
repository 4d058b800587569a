#pragma once

// Keeps every request the sandbox receives, one private file each, numbered in order of
// arrival, so that a test or a UAT run can see exactly what the importer sent. The
// contents of every password element are masked: no agency password reaches the disk.
//
// File layout: "Path: ...", "SOAPAction: ...", "Content-Type: ..." lines, an empty line,
// then the body as received (with passwords masked).

#include <QByteArray>
#include <QString>

namespace autovelt::sandbox {

// The body with the contents of every <password> element replaced by "********"; an
// element left open masks the rest of the body.
QByteArray maskPasswords(const QByteArray& body);

class RequestRecorder {
public:
    // An empty folder records nothing. The folder is created private when missing.
    explicit RequestRecorder(QString folder);

    // False with the reason in `error` when the folder cannot be made private.
    bool prepare(QString* error);
    void record(const QByteArray& path, const QByteArray& soapAction, const QByteArray& contentType, const QByteArray& body);

private:
    QString folder_;
    int next_ = 1;
};

}  // namespace autovelt::sandbox
