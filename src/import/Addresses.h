#pragma once

// The addresses of an online application (table_ad rows) become the member's MemberAddress
// rows: home, previous homes, bank accounts, work, next of kin and beneficiaries. What later
// steps read (stored home address, sort code and account, the previous-home flag, the home
// and work address slots, the applicant's e-mail) is returned as ImportedAddresses.

#include "import/AddressRow.h"
#include "import/ExistingMemberChecks.h"

#include "common/VeltError.h"
#include "state/ImportedAddresses.h"

#include <QList>
#include <QString>
#include <optional>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline import {

// The application's table_ad rows as the pass read them from the website, in field_id
// order, or the error that kept them from being read (reported by the step that needed them).
struct ApplicationAddresses {
    QList<StoredAddressRow> rows;
    std::optional<VeltError> readError;
};

// Runs early in the intake of every application: returns its HOME row (the first of
// homeRows) in the home address slots (marked as not imported) and its e-mail as the
// applicant's; reports an application without a home address row.
ImportedAddresses PreloadHomeAddress(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const ApplicationAddresses& homeRows);

// Imports every table_ad row of the current application (`addresses`) for app.memberNumber,
// the member the application was matched to as `match` tells (an unconfirmed match that
// changes the bank details or the home address raises a bank detail anomaly). Returns what
// it found, starting from the preloaded address slots.
ImportedAddresses ImportAddresses(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                  const MemberMatch& match, const ApplicationAddresses& addresses,
                                  const ImportedAddresses& preloaded);

// True when the supplied HOME row differs from the member's stored home address (Line1,
// Line2, Line3, Line4, Postcode): another postcode, or the same postcode with another first
// line.
bool HomeAddressChanged(const std::array<QString, 5>& storedHome, const AddressRow& supplied);

// Writes a diary note listing the member's home address rows as they were before import.
void RecordAddressSnapshot(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                           long memberNumber);

// Fills the bank name and address lines of the open bank row from the Banks table.
void FillBankFromSortCode(UnitSession& session, db::Recordset& bankRow, const QString& sortCode);

}  // namespace autovelt::import
