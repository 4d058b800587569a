#include "comms/MemberEmails.h"

namespace autovelt {

// Not built yet: all three do nothing, so no email reaches the applicant.
void SendJoinEmail(Importer&) {}
void SendLoanEmail(Importer&) {}
void SendFailEmail(Importer&) {}

}  // namespace autovelt
