#pragma once

// The scripted applicants of the sandbox. The applicant's surname (compared without regard
// to case or surrounding blanks) picks the answer; every other surname gets a clean answer.

#include <QString>

namespace autovelt::sandbox {

enum class IdentityPersona {
    Pass,          // any other surname: a full match, score 68, clean bank checks
    Idfail,        // identity not confirmed, score 43
    Bankclosed,    // pass, but the bank account is flagged as closed
    Bankmismatch,  // pass, but the account holder does not match the applicant
    Bankinvalid,   // pass, but the account number fails validation
    Bankenhanced,  // pass, but the enhanced bank check fails
    Thinfile,      // pass on too little data: not an individual-level match
    Politic,       // pass, with two politically exposed person matches
    Sanctioned,    // pass, with one sanctions list match
    Refused,       // the request is refused: errors, no results
    Fatal,         // the agency breaks down: a fatal error element
    Emptyanswer,   // HTTP 200 with nothing in the body
    Garbled,       // a body that is not well-formed XML
    Slowpoke,      // a pass that arrives after the slow delay
};

enum class CreditPersona {
    Clean,        // any other surname: a clean report, score 640
    Judged,       // two active judgments
    Defaulter,    // defaults in the last 12 and 36 months
    Searcher,     // six searches in 3 months, eleven in 12
    Fraudmark,    // one fraud marker
    Insolvent,    // currently insolvent
    Homeowner,    // a mortgage beside unsecured accounts, each with its regular payment
    Noscore,      // the agency's "no score" value 9999
    Unmatched,    // nobody matched at the addresses given
    Faulted,      // a SOAP fault with HTTP 500
    Errored,      // HTTP 200 with an error element instead of a report
    Emptyanswer,  // HTTP 200 with nothing in the body
    Garbled,      // a body that is not well-formed XML
    Slowpoke,     // a clean report that arrives after the slow delay
};

IdentityPersona identityPersonaFor(const QString& surname);
CreditPersona creditPersonaFor(const QString& surname);

}  // namespace autovelt::sandbox
