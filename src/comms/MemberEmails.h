#pragma once

namespace autovelt {

class Importer;

// The emails to the applicant of the current application.
void SendJoinEmail(Importer& importer);
void SendLoanEmail(Importer& importer);
void SendFailEmail(Importer& importer);

}  // namespace autovelt
