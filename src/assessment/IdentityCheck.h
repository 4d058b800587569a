#pragma once

namespace autovelt {

class Importer;

// The electronic identity check of an applicant; it leaves its status and reference in
// field_31 and field_33 of the current application.
void RunIdentityCheck(Importer& importer, long memberNumber);

}  // namespace autovelt
