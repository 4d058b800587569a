#include "import/HeldHomeAddress.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "comms/AuditTrail.h"
#include "import/Addresses.h"

namespace autovelt::inline import {

namespace {

bool isKeyOrStamp(const QString& column) {
    static const QStringList kSkipped = {QStringLiteral("MemberNo"), QStringLiteral("AddressType"),
                                         QStringLiteral("LastUpdatedOn"), QStringLiteral("LastUpdatedBy")};
    return kSkipped.contains(column, Qt::CaseInsensitive);
}

void copyHeldColumns(const db::Recordset& from, db::Recordset& to) {
    for (int i = 0; i < from.fieldCount(); ++i) {
        const QString column = from.fieldName(i);
        if (isKeyOrStamp(column) || from.value(i).isNull() || !to.hasField(column)) continue;
        to.setValue(column, from.value(i));
    }
}

QString snapshotValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate) return formatDate(value.toDate(), QStringLiteral("dd/mm/yyyy"));
    if (value.typeId() == QMetaType::QDateTime) return formatDate(value.toDateTime(), QStringLiteral("dd/mm/yyyy hh:mm:ss"));
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

}  // namespace

void HeldHomeAddress::read(UnitSession& session, long memberNumber) {
    rows_ = session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + QString::number(memberNumber) +
            QStringLiteral(" AND AddressType LIKE 'HOME%' ORDER BY AddressType ;"),
        db::readOnlyCursor());
}

int HeldHomeAddress::restoreMissing(UnitSession& session, long memberNumber) {
    int restored = 0;
    for (rows_.moveFirst(); !rows_.eof(); rows_.moveNext()) {
        const QString type = rows_.text(QStringLiteral("AddressType"));
        db::Recordset now = session.connections.TarvMain.openRecordset(
            QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + QString::number(memberNumber) +
                QStringLiteral(" AND AddressType='") + sqlTextBody(type) + QStringLiteral("' ;"),
            db::keysetCursor());
        if (!now.eof()) continue;
        now.addNew();
        now.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(memberNumber));
        now.setValue(QStringLiteral("AddressType"), type);
        copyHeldColumns(rows_, now);
        for (const char* stamp : {"LastUpdatedOn", "LastUpdatedBy"})
            now.setValue(QLatin1String(stamp), rows_.value(QLatin1String(stamp)));
        now.update();
        ++restored;
    }
    return restored;
}

bool HeldHomeAddress::copyHomeInto(db::Recordset& row) {
    for (rows_.moveFirst(); !rows_.eof(); rows_.moveNext()) {
        if (rows_.text(QStringLiteral("AddressType")).compare(QLatin1String("HOME"), Qt::CaseInsensitive) != 0)
            continue;
        copyHeldColumns(rows_, row);
        return true;
    }
    return false;
}

void RecordAddressSnapshot(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                           long memberNumber) {
    db::Recordset rows = session.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + QString::number(memberNumber) +
            QStringLiteral(" AND AddressType LIKE 'HOME%' ORDER BY ADDRESSTYPE ;"),
        db::readOnlyCursor());
    const QString lineBreak = QStringLiteral("\r\n");
    QString note;
    for (; !rows.eof(); rows.moveNext()) {
        note += QLatin1Char('[') + rows.text(QStringLiteral("AddressType")) +
                QStringLiteral("] ADDRESS DETAILS Prior to VELT Import") + lineBreak;
        // From the seventh column (Line1) on: the key, the flag and the bank codes tell staff nothing.
        for (int i = 6; i < rows.fieldCount(); ++i) {
            if (rows.value(i).isNull()) continue;
            note += rows.fieldName(i) + QStringLiteral(" - ") + snapshotValue(rows.value(i)) + lineBreak;
        }
        note += lineBreak;
    }
    CreateDiaryEntry(cycle, session, app, memberNumber, QStringLiteral("VELT"), note);
}

}  // namespace autovelt::import
