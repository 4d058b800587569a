#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline import {

// The member rows written beside MemberMain for app.memberNumber. Each row is
// opened by member number, added when missing and then set, so writing it twice leaves
// the same row. Text values are cut to their columns' widths: the website does not
// limit them, and a value too long for its column would fail the write.

// Ethnicity, employment and household status, tax residence and the mapped user-defined
// fields.
void WriteMemberUDF(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

// The password answer and reminder question (new members only).
void WriteMemberPassword(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

// The "PAY1" employment row, written only when the member has none.
void WriteMemberEmployment(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

// Incomes and outgoings declared on a join-and-borrow application. The annual salary
// (field_63) with the other incomes added becomes the household's yearly income, returned
// as the application's gross annual income from then on.
QString WriteMemberCircumstance(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

}  // namespace autovelt::import
