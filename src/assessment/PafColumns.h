#pragma once

#include <QString>

namespace autovelt::inline platform::db { class Recordset; }

namespace autovelt::inline assessment {

// The postal-address-file columns of a MemberAddress row, as both agency requests send them.
struct PafColumns {
    QString flatNumber;
    QString buildingNumber;
    QString buildingName;
    QString street1;
    QString street2;
    QString town;
    QString county;
    QString postCode;
};

// The PAF columns of the current row of a MemberAddress query.
PafColumns ReadPafColumns(const db::Recordset& row);

}  // namespace autovelt::assessment
