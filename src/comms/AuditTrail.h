#pragma once

// The rows the importer leaves in the core banking database for staff: WebLog (one per
// notable event of an application), Diary (notes on the member's record), Changes (the
// audit of changes made to a member) and VELTTimings (timed events). Every writer traps
// its own errors: an audit row that cannot be written never stops an import. Only the
// diary reports a failure, because a lost note is something staff would miss.
//
// The statement builders are separate from the writers so the exact text each dialect
// receives can be checked without a database of that dialect.

#include "state/LoanRequest.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline comms {

// What every audit statement takes from the importer's state at the moment of writing.
struct AuditStamp {
    QDate passDate;     // the processing date
    QDateTime now;      // the current date and time
    QString teller;     // txtTeller
};
AuditStamp auditStampOf(const CycleContext& cycle);

// ---- Statement builders (the file-database dialect; the connection adapts them) -------

QString WebLogStatement(const AuditStamp& stamp, const QString& activity, const QString& category,
                        const QString& keyword, const QString& memberNumber);

// applicationDate is the date written as Msgdate.
QString DiaryStatement(const AuditStamp& stamp, long memberNumber, const QDate& applicationDate,
                       const QString& keyword, const QString& diaryText);

QString ChangeStatement(const AuditStamp& stamp, const QString& operatorInitials, const QString& description,
                        bool outOfPolicy, const QString& memberNumber);

QString TimingStatement(const QString& memberNumber, const QString& loanNumber, const QString& eventTime,
                        const QString& eventType, const QString& duration, const QString& description,
                        const QString& teller);

// ---- Value rules ------------------------------------------------------------------------

// Quotes of either kind become blanks (WebLog texts).
QString webLogText(const QString& text);
// Every "," becomes a line break; quotes of either kind are removed (diary texts).
QString diaryNoteText(const QString& text);
// Cut to 100 characters, apostrophes become blanks (Changes descriptions).
QString changeDescription(const QString& description);
// Seconds of a duration: "" -> 0, "m:ss" -> m * 60 + ss, anything else its number.
double durationSeconds(const QString& duration);
// The date a diary note carries: the loan pass's application date when it holds one,
// else the processing date.
QDate diaryDate(const LoanRequest& loan, const QDate& passDate);

// ---- Writers ----------------------------------------------------------------------------

void AddWebLogEntry(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                    const QString& activity, const QString& category, const QString& keyword,
                    const QString& memberNumber);

// Writes a note on the given member's record, dated with the processing date; nothing
// without a member or a text.
void CreateDiaryEntry(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, long memberNumber,
                      const QString& keyword, const QString& note);

void AddChangeRecord(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                     const QString& description, bool outOfPolicy, const QString& memberNumber);

// Written only when the VELTTimings table exists (TimingsTableExists).
void Audit_Event(const CycleContext& cycle, UnitSession& session, const QString& memberNumber,
                 const QString& loanNumber, const QString& eventTime, const QString& eventType, const QString& duration,
                 const QString& description, const QString& teller);

}  // namespace autovelt::comms
