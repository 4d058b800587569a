#include "assessment/PafColumns.h"

#include "platform/db/Recordset.h"

namespace autovelt::inline assessment {

PafColumns ReadPafColumns(const db::Recordset& row) {
    return {row.text(QStringLiteral("PAFFlatNumber")), row.text(QStringLiteral("PAFBuildingNumber")),
            row.text(QStringLiteral("PAFBuildingName")), row.text(QStringLiteral("PAFStreet1")),
            row.text(QStringLiteral("PAFStreet2")),     row.text(QStringLiteral("PAFTown")),
            row.text(QStringLiteral("PAFCounty")),      row.text(QStringLiteral("PAFPostCode"))};
}

}  // namespace autovelt::assessment
