#include "import/MemberNumbers.h"

#include "state/Importer.h"

namespace autovelt {

long long NextMemberNumber(Importer& importer) {
    db::Recordset rs = importer.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT Max (MemberNo) as Maxy FROM MemberMain ;"), db::clientReadOnlyCursor());
    if (rs.eof() || rs.isNull(QStringLiteral("Maxy"))) return 1;
    return rs.value(QStringLiteral("Maxy")).toLongLong() + 1;
}

bool WithinAllocatedNumbers(Importer& importer, long long number) {
    return number >= 1 && number < NextMemberNumber(importer);
}

}  // namespace autovelt
