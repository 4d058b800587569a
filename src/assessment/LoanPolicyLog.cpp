#include "assessment/LoanPolicyLog.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/MemberNumberCode.h"
#include "common/SqlDialect.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"

#include <algorithm>
#include <optional>

namespace autovelt::inline assessment {

QString PolicyLogStartTime(const QDateTime& now) {
    const QString day = formatDate(now, QStringLiteral("ddd"));
    int daysToMonday = 0;
    if (day == QLatin1String("Sat")) daysToMonday = 2;
    else if (day == QLatin1String("Sun")) daysToMonday = 1;
    if (daysToMonday == 0) return formatDate(now, QStringLiteral("dd/mm/yy")) + QLatin1Char(' ') + formatDate(now, QStringLiteral("hh:mm:ss"));
    return formatDate(now.date().addDays(daysToMonday), QStringLiteral("dd/mm/yy")) + QStringLiteral(" 08:00:00");
}

namespace {

struct PolicyRow {
    QString ruleCode;
    QString ruleValue;
    QString actualValue;
    QString status;
    std::optional<QString> reason;   // only the detail writer fills the column
};

QString insertStatement(const CycleContext& cycle, const PolicyLogLoan& loan, const QString& startTime,
                        const PolicyRow& row) {
    QString columns = QStringLiteral("INSERT INTO LoanPolicyLog (MemberNo, LoanNo, LoanID, StartTime, RuleCode, "
                                     "RuleValue, ActualValue, InitStatus, NewStatus, LastUpdatedOn, LastUpdatedBy");
    QString values = QString::number(loan.memberNumber) + QLatin1Char(',') + sqlText(loan.loanNumber) +
                     QLatin1Char(',') + QString::number(loan.loanId) + QLatin1Char(',') + sqlText(startTime) +
                     QLatin1Char(',') + sqlText(row.ruleCode) + QLatin1Char(',') + sqlText(row.ruleValue) +
                     QLatin1Char(',') + sqlText(row.actualValue) + QLatin1Char(',') + sqlText(row.status) +
                     QLatin1Char(',') + sqlText(row.status) + QLatin1Char(',') + JetDateLiteral(loan.applicationDate) +
                     QStringLiteral(", ") + sqlText(cycle.txtTeller);
    if (row.reason) {
        columns += QStringLiteral(", Reason");
        values += QLatin1Char(',') + sqlText(*row.reason);
    }
    return columns + QStringLiteral(")VALUES (") + values + QStringLiteral(") ;");
}

}  // namespace

void ReportPolicyLogFailure(UnitSession& session, const ApplicationState& app, const QString& what, const VeltError& e) {
    if (e.environmental()) throw;
    session.ShowException(QStringLiteral("Loan policy log: ") + what + QStringLiteral(" failed - ") + e.description() +
                          QStringLiteral(" (") + QString::number(e.number()) + QLatin1Char(')') + app.messageSuffix);
}

namespace {

QString memberLoanFilter(const PolicyLogLoan& loan) {
    return QStringLiteral(" AND MemberNo=") + QString::number(loan.memberNumber) + QStringLiteral(" AND LoanID=") +
           QString::number(loan.loanId);
}

}  // namespace

void WriteDecisionSummaryToPolicyLog(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const PolicyLogLoan& loan) {
    const CreditAssessment& assessment = app.assessment;
    if (loan.loanId == 0 || assessment.report.isEmpty()) return;
    const QString startTime = PolicyLogStartTime(cycle.clock().now());
    for (const QString& entry : assessment.summary) {
        if (entry.isEmpty()) continue;
        const QStringList part = entry.split(QLatin1Char('|'));
        const PolicyRow row{part.value(1), part.value(2), part.value(3), part.value(4), std::nullopt};
        try {
            session.connections.TarvTran.execute(insertStatement(cycle, loan, startTime, row));
        } catch (const VeltError& e) {
            ReportPolicyLogFailure(session, app, QStringLiteral("rule ") + row.ruleCode, e);
        }
    }
}

namespace {

// The member's rows online, oldest first by rule, then those this application adds.
QList<RulesLogEntry> rulesLogOf(const QList<RulesLogEntry>& online, const RulesLogChanges& added, const QString& member) {
    QList<RulesLogEntry> rows = online;
    for (const RulesLogRow& row : added.inserts)
        if (row.member == member) rows.append({row.code, row.value, row.result, std::nullopt});
    std::stable_sort(rows.begin(), rows.end(), [](const RulesLogEntry& a, const RulesLogEntry& b) {
        return a.code.compare(b.code, Qt::CaseInsensitive) < 0;
    });
    return rows;
}

}  // namespace

RulesLogChanges CopyRulesLogToPolicyLog(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                        const PolicyLogLoan& loan, const QList<RulesLogEntry>& online) {
    const CreditAssessment& assessment = app.assessment;
    RulesLogChanges changes = assessment.rulesLog;
    if (loan.loanId == 0) return changes;
    db::Connection& tran = session.connections.TarvTran;
    const QString startTime = PolicyLogStartTime(cycle.clock().now());
    try {
        const QString member = EncodeMemberNumber(QString::number(loan.memberNumber));
        // Rows of one rule, oldest first: the last is the one copied, all are removed.
        QList<PolicyRow> rows;
        QList<qlonglong> removed;
        for (const RulesLogEntry& logged : rulesLogOf(online, assessment.rulesLog, member)) {
            const QString reason =
                logged.code.compare(QLatin1String("PR13B"), Qt::CaseInsensitive) == 0 ? assessment.dependantsReason : QString();
            const PolicyRow row{logged.code, logged.value, logged.value, logged.result, reason};
            if (!rows.isEmpty() && rows.last().ruleCode.compare(logged.code, Qt::CaseInsensitive) == 0) rows.last() = row;
            else rows.append(row);
            if (logged.onlineId) removed.append(*logged.onlineId);
        }
        for (const PolicyRow& row : rows) {
            // A copy of this rule made before an interruption is replaced, never doubled.
            tran.execute(QStringLiteral("DELETE FROM LoanPolicyLog WHERE RuleCode=") + sqlText(row.ruleCode) +
                         memberLoanFilter(loan) + QStringLiteral(" AND RuleValue=ActualValue ;"));
            tran.execute(insertStatement(cycle, loan, startTime, row));
            if (row.ruleCode.compare(QLatin1String("PR13A"), Qt::CaseInsensitive) == 0 &&
                leadingNumber(row.ruleValue) >= assessment.loanEndAge)
                tran.execute(QStringLiteral("UPDATE LoanPolicyLog SET InitStatus='P', NewStatus='P' WHERE RuleCode='PR13A'") +
                             memberLoanFilter(loan) + QStringLiteral(" ;"));
        }
        // Online, the copied rows go once the application has committed; the rows this
        // application would have added are never written.
        changes.deletes += removed;
        changes.inserts.removeIf([&member](const RulesLogRow& added) { return added.member == member; });
    } catch (const VeltError& e) {
        if (e.environmental()) throw;
        ReportPolicyLogFailure(session, app, QStringLiteral("copying rules_log"), e);
    }
    return changes;
}

}  // namespace autovelt::assessment
