#include "import/MemberMainRecord.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/AuditTrail.h"
#include "common/NameCaps.h"
#include "common/Values.h"
#include "import/NextBirthday.h"

namespace autovelt::inline import {

namespace {

QString asStored(const CycleContext& cycle, QString text) {
    return cycle.settings.MixedCase ? FirstLettersCaps(text) : text;
}

QString sexFor(const QString& givenSex, const QString& storedTitle) {
    QString sex = givenSex.trimmed().toUpper().left(1);
    const QString title = storedTitle.toUpper();
    if (title == QLatin1String("MR")) sex = QStringLiteral("M");
    else if (title == QLatin1String("MS") || title == QLatin1String("MRS")) sex = QStringLiteral("F");
    return sex;
}

void setMarketing(db::Recordset& row, const QString& channels) {
    bool accept = false, sms = false, email = false, post = false;
    const QString letters = channels.toUpper();
    if (letters.contains(QLatin1Char('E'))) accept = email = true;
    if (letters.contains(QLatin1Char('S'))) accept = sms = true;
    if (letters.contains(QLatin1Char('P'))) accept = post = true;
    row.setValue(QStringLiteral("AcceptMarketing"), accept);
    row.setValue(QStringLiteral("DeclineMarketing"), !accept);
    row.setValue(QStringLiteral("BySMS"), sms);
    row.setValue(QStringLiteral("ByEmail"), email);
    row.setValue(QStringLiteral("ByPost"), post);
}

QString statementDestination(const ApplicationState& app) {
    return app.field[tw::StatementDelivery] == QLatin1String("do") ? QStringLiteral("E") : QStringLiteral("H");
}

// The columns a new and a reinstated member share; returns the status given.
QString setPersonalColumns(const CycleContext& cycle, const ApplicationState& app, db::Recordset& row) {
    const QDate processing = cycle.passDate();
    const bool birthdayStatements = cycle.settings.profile.birthdayStatements;
    const QString status = MembershipStatusFor(app, processing.year());
    const QString title = asStored(cycle, app.field[tw::Title]);
    row.setValue(QStringLiteral("MemberStatus"), status);
    row.setValue(QStringLiteral("DOJ"), processing);
    row.setValue(QStringLiteral("PrevSurname"), QString());
    row.setValue(QStringLiteral("Title"), title);
    row.setValue(QStringLiteral("Forename"), asStored(cycle, app.field[tw::Forename]));
    row.setValue(QStringLiteral("Surname"), asStored(cycle, app.field[tw::Surname]));
    row.setValue(QStringLiteral("MidName"), asStored(cycle, app.field[tw::MiddleName]));
    if (app.cleanedNINumber.size() == 9) row.setValue(QStringLiteral("NINumber"), app.cleanedNINumber);
    row.setValue(QStringLiteral("DOB"), app.dateOfBirth().value_or(QDate()));
    const QString sex = sexFor(app.field[tw::Sex], title);
    if (!sex.isEmpty()) row.setValue(QStringLiteral("Sex"), sex);
    row.setValue(QStringLiteral("StatementFreq"), birthdayStatements ? QStringLiteral("B") : QStringLiteral("A"));
    row.setValue(QStringLiteral("Statementdest"), statementDestination(app));
    row.setValue(QStringLiteral("NextStatement"),
                 birthdayStatements ? NextBirthday(cycle, app) : processing.addYears(1));
    row.setValue(QStringLiteral("MarketingDate"), processing);
    row.setValue(QStringLiteral("LastUpdatedOn"), processing);
    row.setValue(QStringLiteral("LastUpdatedBy"), cycle.txtTeller);
    row.setValue(QStringLiteral("JoinChannel"), QStringLiteral("L"));
    return status;
}

QString createMember(const CycleContext& cycle, const ApplicationState& app, db::Recordset& row) {
    if (row.eof()) row.addNew();
    row.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(app.memberNumber));
    row.setValue(QStringLiteral("MemberStatus2"), QString());
    row.setValue(QStringLiteral("MemberStatus3"), QString());
    row.setValue(QStringLiteral("stopcashin"), false);
    row.setValue(QStringLiteral("StopCashOut"), false);
    row.setValue(QStringLiteral("NewMember"), true);
    row.setValue(QStringLiteral("LotteryValue"), 0);
    row.setValue(QStringLiteral("OutOfCommonBond"), false);
    const QString status = setPersonalColumns(cycle, app, row);
    setMarketing(row, app.field[tw::MarketingChannels]);
    row.update();
    return status;
}

void recordRejoin(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    const QString member = QString::number(app.memberNumber);
    const QString change = QStringLiteral("Member has rejoined the credit union via VELT");
    CreateDiaryEntry(cycle, session, app, app.memberNumber, QStringLiteral("REJOIN"),
                     QStringLiteral("Member has rejoined the Credit Union via VELT"));
    AddChangeRecord(cycle, session, app, change, false, member);
    AddWebLogEntry(cycle, session, app, change, QStringLiteral("JOIN"), QStringLiteral("REJOIN"), member);
}

QString reinstateMember(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        db::Recordset& row) {
    const QString status = setPersonalColumns(cycle, app, row);
    row.setValue(QStringLiteral("DOL"), QVariant());
    row.update();
    recordRejoin(cycle, session, app);
    return status;
}

QString refreshMember(const CycleContext& cycle, const ApplicationState& app, db::Recordset& row) {
    const QString held = row.text(QStringLiteral("MemberStatus"));
    row.setValue(QStringLiteral("MarketingDate"), cycle.passDate());
    setMarketing(row, app.field[tw::MarketingChannels]);
    row.setValue(QStringLiteral("Statementdest"), statementDestination(app));
    row.update();
    return held;
}

}  // namespace

QString MembershipStatusFor(const Application& app, int processingYear) {
    QString status = app.field[tw::MembershipAskedFor].trimmed().toUpper().left(1);
    if (!status.isEmpty()) return status;
    const QDate born = app.dateOfBirth().value_or(QDate());
    return born.isValid() && processingYear - born.year() <= 16 ? QStringLiteral("J") : QStringLiteral("A");
}

QString WriteMemberMain(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        MemberRowWrite write) {
    db::Recordset row =
        session.connections.TarvMain.openRecordset(QStringLiteral("SELECT * FROM MemberMain WHERE MemberNo=") +
                                                       QString::number(app.memberNumber) + QStringLiteral(" ;"),
                                                   db::keysetCursor());
    switch (write) {
        case MemberRowWrite::Create:
            return createMember(cycle, app, row);
        case MemberRowWrite::Reinstate:
            return reinstateMember(cycle, session, app, row);
        case MemberRowWrite::Refresh:
            return refreshMember(cycle, app, row);
    }
    return QString();
}

}  // namespace autovelt::import
