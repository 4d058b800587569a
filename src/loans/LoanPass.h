#pragma once

namespace autovelt {

class Importer;

// The loan pass: turns the borrowing part of the current application into a loan
// application (the "loan" button, pressed in code by the import pass).
void cmdLoan_Click(Importer& importer);

}  // namespace autovelt
