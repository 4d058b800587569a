#include "assessment/LoanPolicyLog.h"

#include "state/Importer.h"
#include "common/MemberNumberCode.h"
#include "common/SqlDialect.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"

namespace autovelt {

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

QString insertStatement(Importer& im, const PolicyLogLoan& loan, const QString& startTime, const PolicyRow& row) {
    QString columns = QStringLiteral("INSERT INTO LoanPolicyLog (MemberNo, LoanNo, LoanID, StartTime, RuleCode, "
                                     "RuleValue, ActualValue, InitStatus, NewStatus, LastUpdatedOn, LastUpdatedBy");
    QString values = QString::number(loan.memberNumber) + QLatin1Char(',') + sqlText(loan.loanNumber) + QLatin1Char(',') +
                     QString::number(loan.loanId) + QLatin1Char(',') + sqlText(startTime) + QLatin1Char(',') +
                     sqlText(row.ruleCode) + QLatin1Char(',') + sqlText(row.ruleValue) + QLatin1Char(',') +
                     sqlText(row.actualValue) + QLatin1Char(',') + sqlText(row.status) + QLatin1Char(',') +
                     sqlText(row.status) + QLatin1Char(',') + JetDateLiteral(loan.applicationDate) + QStringLiteral(", ") +
                     sqlText(im.txtTeller);
    if (row.reason) {
        columns += QStringLiteral(", Reason");
        values += QLatin1Char(',') + sqlText(*row.reason);
    }
    return im.sql(columns + QStringLiteral(")VALUES (") + values + QStringLiteral(") ;"));
}

// Called inside a handler: an error of the surroundings goes on to the pass, which leaves
// the application pending.
void report(Importer& im, const QString& what, const VeltError& e) {
    if (e.environmental()) throw;
    im.ShowException(QStringLiteral("Loan policy log: ") + what + QStringLiteral(" failed - ") + e.description() +
                     QStringLiteral(" (") + QString::number(e.number()) + QLatin1Char(')') + im.app.messageSuffix);
}

QString memberLoanFilter(const PolicyLogLoan& loan) {
    return QStringLiteral(" AND MemberNo=") + QString::number(loan.memberNumber) + QStringLiteral(" AND LoanID=") +
           QString::number(loan.loanId);
}

}  // namespace

void WriteDecisionSummaryToPolicyLog(Importer& importer, const PolicyLogLoan& loan, const QStringList& summary,
                                     const QString& creditReport) {
    if (loan.loanId == 0 || creditReport.isEmpty()) return;
    const QString startTime = PolicyLogStartTime(importer.clock().now());
    for (const QString& entry : summary) {
        if (entry.isEmpty()) continue;
        const QStringList part = entry.split(QLatin1Char('|'));
        const PolicyRow row{part.value(1), part.value(2), part.value(3), part.value(4), std::nullopt};
        try {
            importer.connections.TarvTran.execute(insertStatement(importer, loan, startTime, row));
        } catch (const VeltError& e) {
            report(importer, QStringLiteral("rule ") + row.ruleCode, e);
        }
    }
}

void CopyRulesLogToPolicyLog(Importer& importer, const PolicyLogLoan& loan) {
    if (loan.loanId == 0) return;
    db::Connection& online = importer.connections.OnlineConnection;
    db::Connection& tran = importer.connections.TarvTran;
    const QString startTime = PolicyLogStartTime(importer.clock().now());
    try {
        const QString member = EncodeMemberNumber(QString::number(loan.memberNumber));
        db::Recordset rs = online.openRecordset(QStringLiteral("SELECT * FROM rules_log WHERE rulemember=") + sqlText(member) +
                                                    QStringLiteral(" ORDER BY rulecode, rule_id ;"),
                                                db::clientReadOnlyCursor());
        // Rows of one rule, oldest first: the last is the one copied, all are deleted.
        QList<QList<qlonglong>> idsByRule;
        QList<PolicyRow> rows;
        for (; !rs.eof(); rs.moveNext()) {
            const QString code = rs.text(QStringLiteral("rulecode"));
            const QString value = rs.text(QStringLiteral("rulevalue"));
            const QString result = rs.text(QStringLiteral("ruleresult"));
            const QString reason = code.compare(QLatin1String("PR13B"), Qt::CaseInsensitive) == 0 ? loan.dependantsReason : QString();
            const PolicyRow row{code, value, value, result, reason};
            if (!rows.isEmpty() && rows.last().ruleCode.compare(code, Qt::CaseInsensitive) == 0) {
                rows.last() = row;
                idsByRule.last().append(rs.value(QStringLiteral("rule_id")).toLongLong());
            } else {
                rows.append(row);
                idsByRule.append(QList<qlonglong>{rs.value(QStringLiteral("rule_id")).toLongLong()});
            }
        }
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const PolicyRow& row = rows[i];
            // A copy of this rule made before an interruption is replaced, never doubled.
            tran.execute(importer.sql(QStringLiteral("DELETE FROM LoanPolicyLog WHERE RuleCode=") + sqlText(row.ruleCode) +
                                      memberLoanFilter(loan) + QStringLiteral(" AND RuleValue=ActualValue ;")));
            tran.execute(insertStatement(importer, loan, startTime, row));
            if (row.ruleCode.compare(QLatin1String("PR13A"), Qt::CaseInsensitive) == 0 &&
                leadingNumber(row.ruleValue) >= loan.loanEndAge)
                tran.execute(importer.sql(QStringLiteral("UPDATE LoanPolicyLog SET InitStatus='P', NewStatus='P' WHERE RuleCode='PR13A'") +
                                          memberLoanFilter(loan) + QStringLiteral(" ;")));
            for (qlonglong id : idsByRule[i])
                online.execute(QStringLiteral("DELETE FROM rules_log where rule_id=") + QString::number(id) + QStringLiteral(" ;"));
        }
    } catch (const VeltError& e) {
        report(importer, QStringLiteral("copying rules_log"), e);
    }
}

}  // namespace autovelt
