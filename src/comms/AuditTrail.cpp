#include "comms/AuditTrail.h"

#include "state/ConnectionStrings.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/SqlDialect.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "platform/db/Connection.h"

#include <exception>

namespace autovelt::inline comms {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Member numbers arrive as text (often straight from the website); only the number enters
// the statement, so a stray character can never change its shape.
QString numberLiteral(const QString& text) { return QString::number(roundHalfEven(leadingNumber(text))); }

QString plainNumber(double value) {
    if (value == static_cast<double>(roundHalfEven(value))) return QString::number(roundHalfEven(value));
    return QString::number(value, 'g', 15);
}

QString withoutQuotes(QString text, const QString& replacement) {
    text.replace(QLatin1Char('\''), replacement);
    text.replace(QLatin1Char('"'), replacement);
    return text;
}

}  // namespace

AuditStamp auditStampOf(const CycleContext& cycle) {
    return AuditStamp{cycle.passDate(), cycle.clock().now(), cycle.txtTeller};
}

// ---- Value rules ------------------------------------------------------------------------

QString webLogText(const QString& text) { return withoutQuotes(text, QStringLiteral(" ")); }

QString diaryNoteText(const QString& text) {
    QString note = withoutQuotes(text, QString());
    note.replace(QLatin1Char(','), kCrLf);
    return note;
}

QString changeDescription(const QString& description) {
    QString cut = description.left(100);
    cut.replace(QLatin1Char('\''), QLatin1Char(' '));
    return cut;
}

double durationSeconds(const QString& duration) {
    if (duration.isEmpty()) return 0;
    const qsizetype colon = duration.indexOf(QLatin1Char(':'));
    if (colon < 0) return leadingNumber(duration);
    return leadingNumber(duration.left(colon)) * 60 + leadingNumber(duration.right(2));
}

// ---- Statement builders -----------------------------------------------------------------

QString WebLogStatement(const AuditStamp& stamp, const QString& activity, const QString& category,
                        const QString& keyword, const QString& memberNumber) {
    const QString jet =
        QStringLiteral("INSERT INTO WebLog (MemberNo, TheActivity, TheDate, TheTime, TheCategory, TheKeyword, "
                       "TheSource, BeenEmailed, TheTeller) ") +
        QStringLiteral("VALUES(") + numberLiteral(memberNumber) + QLatin1Char(',') +
        sqlText(webLogText(activity)) + QLatin1Char(',') + JetDateLiteral(stamp.passDate) + QLatin1Char(',') +
        sqlText(formatDate(stamp.now, QStringLiteral("HH:MM"))) + QLatin1Char(',') +
        sqlText(webLogText(category)) + QLatin1Char(',') + sqlText(webLogText(keyword)) +
        QStringLiteral(", 'VELT', False, ") + sqlText(stamp.teller) + QStringLiteral(") ;");
    return jet;
}

QString DiaryStatement(const AuditStamp& stamp, long memberNumber, const QDate& applicationDate,
                       const QString& keyword, const QString& diaryText) {
    const QString msgTime = formatDate(stamp.passDate, QStringLiteral("YYYY-MM-DD")) + QLatin1Char(' ') +
                            formatDate(stamp.now, QStringLiteral("hh:mm:ss"));
    const QString jet =
        QStringLiteral("INSERT INTO Diary (Memberno, Teller, Priority, Msgdate, Msgtime, ActionReqd, ShelfLife, "
                       "Keyword, Msgtext, FlagColour, CCItem, CCAction, DiaryGroup) VALUES (") +
        QString::number(memberNumber) + QLatin1Char(',') + sqlText(stamp.teller) + QStringLiteral(",99") +
        QStringLiteral(", ") + JetDateLiteral(applicationDate) +
        QStringLiteral(", CONVERT(DATETIME, ") + sqlText(msgTime) + QStringLiteral(", 102)") +
        QStringLiteral(",False") + QStringLiteral(",'Never expires'") + QLatin1Char(',') + sqlText(keyword) +
        QLatin1Char(',') + sqlText(diaryNoteText(diaryText)) + QStringLiteral(",'16776960'") +
        QStringLiteral(",False") + QStringLiteral(",''") + QStringLiteral(",0") + QLatin1Char(')');
    return jet;
}

QString ChangeStatement(const AuditStamp& stamp, const QString& operatorInitials, const QString& description,
                        bool outOfPolicy, const QString& memberNumber) {
    const QString outOfPolicyLiteral = outOfPolicy ? QStringLiteral("True") : QStringLiteral("False");
    const QString jet =
        QStringLiteral("INSERT INTO CHANGES (Operatorinit, OperatorName, ChangeDate, Description, OutOfPolicy, "
                       "MemberNo) ") +
        QStringLiteral("VALUES(") + sqlText(operatorInitials) + QLatin1Char(',') + sqlText(stamp.teller) +
        QLatin1Char(',') + JetDateLiteral(stamp.passDate) + QLatin1Char(',') + sqlText(changeDescription(description)) +
        QLatin1Char(',') + outOfPolicyLiteral + QLatin1Char(',') + numberLiteral(memberNumber) +
        QStringLiteral(") ;");
    return jet;
}

QString TimingStatement(const QString& memberNumber, const QString& loanNumber, const QString& eventTime,
                        const QString& eventType, const QString& duration, const QString& description,
                        const QString& teller) {
    const QString jet =
        QStringLiteral("INSERT INTO VELTTimings (MemberNo, LoanNo, EventTime, EventType, DurationSecs, "
                       "Description, Teller) VALUES (") +
        numberLiteral(memberNumber) + QStringLiteral(", ") + sqlText(loanNumber) + QStringLiteral(", ") +
        sqlText(eventTime) + QStringLiteral(", ") + sqlText(eventType) + QStringLiteral(", ") +
        plainNumber(durationSeconds(duration)) + QStringLiteral(", ") + sqlText(description) +
        QStringLiteral(", ") + sqlText(teller) + QStringLiteral(") ;");
    return jet;
}

// ---- Writers ----------------------------------------------------------------------------

namespace {

// An audit row that cannot be written never stops the application it describes, but it is
// never lost without a word either; and when the database itself has gone (locked, full,
// the connection lost), the application must not be saved without its audit rows, so the
// failure reaches the pass, which leaves the application pending.
void reportAuditFailure(UnitSession& session, const ApplicationState& app, const VeltError& error,
                        const char* procedure) {
    if (error.environmental()) throw error;
    session.ShowException(QStringLiteral("Error ") + QString::number(error.number()) + QStringLiteral(" (") +
                          error.description() + QStringLiteral(") in procedure ") + QLatin1String(procedure) +
                          QLatin1Char(' ') + app.messageSuffix);
}

}  // namespace

void AddWebLogEntry(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                    const QString& activity, const QString& category, const QString& keyword,
                    const QString& memberNumber) {
    try {
        session.connections.TarvAudt.execute(
            WebLogStatement(auditStampOf(cycle), activity, category, keyword, memberNumber));
    } catch (const VeltError& e) {
        reportAuditFailure(session, app, e, "AddWebLogEntry");
    }
}

void CreateDiaryEntry(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, long memberNumber,
                      const QString& keyword, const QString& note) {
    if (memberNumber == 0 || note.isEmpty()) return;
    try {
        session.connections.TarvTran.execute(
            DiaryStatement(auditStampOf(cycle), memberNumber, cycle.passDate(), keyword, note));
    } catch (const VeltError& e) {
        reportAuditFailure(session, app, e, "CreateDiaryEntry");
    } catch (const std::exception& e) {
        session.ShowException(QStringLiteral("Error 0 (") + QString::fromUtf8(e.what()) +
                              QStringLiteral(") in procedure CreateDiaryEntry ") + app.messageSuffix);
    }
}

namespace {

// TarvTran is closed outside a cycle (the deletion utility, for one): the row is added
// through a connection of its own.
void addChangeRowOnOwnConnection(const CycleContext& cycle, const QString& description, bool outOfPolicy,
                                 const QString& memberNumber) {
    QString database = QStringLiteral("TarvTran");
    db::Connection connection;
    connection.open(BuildConnectionString(database, cycle.startup, cycle.programFolder()), cycle.config.engine);
    db::Recordset rs = connection.openRecordset(QStringLiteral("Select * FROM Changes WHERE MemberNo = 0;"),
                                                db::keysetCursor());
    rs.addNew();
    rs.setValue(QStringLiteral("Operatorinit"), cycle.lblTellername);
    rs.setValue(QStringLiteral("Operatorname"), cycle.txtTeller);
    rs.setValue(QStringLiteral("changedate"), cycle.passDate());
    rs.setValue(QStringLiteral("Description"), changeDescription(description));
    rs.setValue(QStringLiteral("OutOfPolicy"), outOfPolicy);
    rs.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(roundHalfEven(leadingNumber(memberNumber))));
    rs.update();
    rs.close();
    connection.close();
}

}  // namespace

void AddChangeRecord(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                     const QString& description, bool outOfPolicy, const QString& memberNumber) {
    try {
        if (!session.connections.TarvTran.isOpen()) {
            addChangeRowOnOwnConnection(cycle, description, outOfPolicy, memberNumber);
            return;
        }
        const QString statement =
            ChangeStatement(auditStampOf(cycle), cycle.lblTellername, description, outOfPolicy, memberNumber);
        try {
            session.connections.TarvTran.execute(statement);
        } catch (const VeltError&) {
            // One more attempt for a momentary failure (a lock held by a teller). The date
            // stays month first: written day first it would store 5 March as 3 May.
            session.connections.TarvTran.execute(statement);
        }
    } catch (const VeltError& e) {
        // The audit of a change never undoes the change itself.
        reportAuditFailure(session, app, e, "AddChangeRecord");
    }
}

void Audit_Event(const CycleContext& cycle, UnitSession& session, const QString& memberNumber,
                 const QString& loanNumber, const QString& eventTime, const QString& eventType, const QString& duration,
                 const QString& description, const QString& teller) {
    if (!cycle.settings.TimingsTableExists) return;
    try {
        session.connections.TarvAudt.execute(
            TimingStatement(memberNumber, loanNumber, eventTime, eventType, duration, description, teller));
    } catch (const VeltError& e) {
        // Timings are for analysis only; a lost one costs nothing else.
        if (e.environmental()) throw;
    }
}

}  // namespace autovelt::comms
