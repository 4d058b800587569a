#pragma once

namespace autovelt {

class Importer;

// The member rows written beside MemberMain for importer.app.memberNumber. Each row is
// opened by member number, added when missing and then set, so writing it twice leaves
// the same row. Text values are cut to their columns' widths: the website does not
// limit them, and a value too long for its column would fail the write.

// Ethnicity, employment and household status, tax residence and the mapped user-defined
// fields; records the captions of the fields written in importer.app.udfLabels.
void WriteMemberUDF(Importer& importer);

// The password answer and reminder question (new members only).
void WriteMemberPassword(Importer& importer);

// The "PAY1" employment row, written only when the member has none.
void WriteMemberEmployment(Importer& importer);

// Incomes and outgoings declared on a join-and-borrow application. field_63 (annual
// salary) becomes the household's yearly income.
void WriteMemberCircumstance(Importer& importer);

}  // namespace autovelt
