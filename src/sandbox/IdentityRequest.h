#pragma once

// An identity check request as the sandbox reads it: the applicant's details the answer
// echoes, or, for a request the agency would refuse, the module and text of its error.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace autovelt::sandbox {

struct IdentityRequest {
    // Empty when the request is sound; otherwise the refusal's module and text.
    QString problemModule;
    QString problem;

    QString rid;
    QString title;
    QString forename;
    QString surname;
    QString dateOfBirth;
    QString postcode;
    QString sortCode;
    QString accountNumber;
    QString applicationName;
    QStringList checksRequested;  // the checks asked for with "yes", in request order

    bool sound() const { return problem.isEmpty(); }
};

IdentityRequest readIdentityRequest(const QByteArray& contentType, const QByteArray& body);

}  // namespace autovelt::sandbox
