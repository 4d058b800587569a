#pragma once

#include <QString>

namespace autovelt {

class Importer;

// Draws the agency's credit report on the member of the current loan application, unless a
// policy rule makes it unnecessary or a recent report is on file. Leaves the report text in
// the application state and the decision letter in field_27.
void DrawCreditReport(Importer& importer, long memberNumber);

// Replaces the application's credit report text with the file's content; on any failure
// the text stays as it was.
void LoadCreditReportFile(Importer& importer, const QString& path);

}  // namespace autovelt
