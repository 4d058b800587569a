#pragma once

// An existing member's home address rows as they were before the address import deleted
// them to make room for the application's. Holding them lets the import put back what it
// did not replace when it fails halfway, and fall back on the whole previous home row (not
// only its printed lines) when the application supplies no home address. The same rows go
// into the diary note staff read (RecordAddressSnapshot, Addresses.h).

#include "platform/db/Recordset.h"

#include <QString>

namespace autovelt::inline state { class UnitSession; }

namespace autovelt::inline import {

class HeldHomeAddress {
public:
    // Reads the member's rows whose type begins "HOME".
    void read(UnitSession& session, long memberNumber);
    bool isEmpty() const { return rows_.recordCount() == 0; }

    // Adds back every held row whose type has no row now; returns how many were added.
    int restoreMissing(UnitSession& session, long memberNumber);

    // Copies every held column of the previous "HOME" row except the key and the update
    // stamp into the open row; false when no "HOME" row was held.
    bool copyHomeInto(db::Recordset& row);

private:
    db::Recordset rows_;
};

}  // namespace autovelt::import
