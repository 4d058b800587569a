#include "import/MemberNumbers.h"

#include "state/UnitSession.h"

namespace autovelt::inline import {

long long NextMemberNumber(UnitSession& session) {
    db::Recordset rs = session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT Max (MemberNo) as Maxy FROM MemberMain ;"), db::clientReadOnlyCursor());
    if (rs.eof() || rs.isNull(QStringLiteral("Maxy"))) return 1;
    return rs.value(QStringLiteral("Maxy")).toLongLong() + 1;
}

bool WithinAllocatedNumbers(UnitSession& session, long long number) {
    return number >= 1 && number < NextMemberNumber(session);
}

}  // namespace autovelt::import
