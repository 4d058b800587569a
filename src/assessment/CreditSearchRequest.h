#pragma once

// The text of the credit search request: the search body and the SOAP envelope around it,
// composed from plain values so that the exact text can be checked without an agency.
// Every value is written as XML text, so nothing an applicant types can change the
// request's shape.

#include "assessment/PafColumns.h"

#include <QDate>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace autovelt::inline assessment {

// One address as the search sends it: the postal (PAF) parts of a MemberAddress row.
struct CreditSearchAddress : PafColumns {
    // Previous addresses only: when the applicant lived there. Invalid for the home address.
    QDate startDate;
    QDate endDate;
};

struct CreditSearchApplicant {
    QString reference;                      // the member number
    QList<CreditSearchAddress> addresses;   // the home address first, then previous ones
    QString title;
    QString forename;
    QString midName;
    QString surname;
    QDate dateOfBirth;                      // invalid when not held
    QString email;
    QString phoneNumber;                    // as held; cleaned and split here
    QString mobileNumber;
};

struct CreditSearchLoan {
    int amount = 0;            // pounds, whole
    int termMonths = 0;
    bool singleSearch = false;  // one automatic search instead of up to three
};

struct AgencyLogin {
    QString company;
    QString userName;
    QString password;
};

// A telephone number cut into its dialling code and local number.
struct TelephoneParts {
    QString std;
    QString number;
    bool operator==(const TelephoneParts&) const = default;
};

// A landline as the search takes it: blanks, "-", "(", ")" and ":" removed; a mobile
// number (07...), or what is then not an eleven-character number, is not sent.
std::optional<TelephoneParts> HomeTelephoneParts(const QString& phoneNumber);
// A mobile number of exactly eleven characters: the first five and the rest.
std::optional<TelephoneParts> MobileTelephoneParts(const QString& mobileNumber);

// The term in months: the number of repayments converted by the repayment frequency (the
// first character of W, F, 4 or M), rounded half to even into a 16-bit whole number; any
// other frequency gives 0. Raises VeltError 6 beyond the 16-bit range.
int CreditSearchTermMonths(const QString& frequency, const QString& numberOfRepayments);
// "P<years>Y<months>M0D": 18 months gives "P1Y6M0D".
QString CreditSearchTermText(int months);

QString CreditSearchAddressBlock(const CreditSearchAddress& address);
QString CreditSearchNameBlock(const CreditSearchApplicant& applicant);

// The Search07a element.
QString CreditSearchBody(const QString& serviceNamespace, const CreditSearchApplicant& applicant,
                         const CreditSearchLoan& loan);
// The complete SOAP request around the body, the login in its header.
QString CreditSearchEnvelope(const QString& serviceNamespace, const AgencyLogin& login, const QString& body);

}  // namespace autovelt::assessment
