#pragma once

// A credit search request (SOAP 1.1) as the sandbox reads it: the applicant's details the
// report echoes, or, for a request the agency would refuse, the fault's code and text.

#include <QByteArray>
#include <QString>

namespace autovelt::sandbox {

struct CreditRequest {
    // Empty when the request is sound; otherwise the fault to answer with.
    QString faultCode;
    QString problem;

    QString reference;
    QString title;
    QString forename;
    QString surname;
    QString dateOfBirth;
    QString postcode;
    QString requestEcho;  // the creditrequest element, written back as the agency echoes it

    bool sound() const { return problem.isEmpty(); }
};

CreditRequest readCreditRequest(const QString& ns, const QByteArray& soapAction, const QByteArray& contentType,
                                const QByteArray& body);

}  // namespace autovelt::sandbox
