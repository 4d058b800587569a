#include "assessment/RuleTables.h"

#include "state/UnitSession.h"
#include "platform/db/Schema.h"
#include "common/SqlQuote.h"

#include <optional>

namespace autovelt::inline assessment {

namespace {

// A bound as the rule tables hold it, written the way the decision summary shows it.
QString boundText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("0") : QString::number(value.toDouble(), 'g', 15);
}

std::optional<QString> chosenRuleset(UnitSession& session, const Currency& total) {
    db::Connection& audit = session.connections.TarvAudt;
    if (!ColumnExists(QStringLiteral("CRRuleset"), QStringLiteral("id"), audit)) return std::nullopt;
    const QString amount = formatNumber(total, QStringLiteral("###0.00"));
    db::Recordset rs = audit.openRecordset(QStringLiteral("SELECT * FROM CRRuleset WHERE FromValue<=") + amount +
                                           QStringLiteral(" and ToValue>=") + amount + QStringLiteral(" ;"),
                                           db::clientReadOnlyCursor());
    if (rs.eof()) return std::nullopt;
    return rs.text(QStringLiteral("ruleset"));
}

QString creditRulesQuery(UnitSession& session, const RuleBookRequest& request, RuleBook& book) {
    if (!request.haveReport)
        return QStringLiteral("SELECT * FROM CRRules WHERE rulecode='CR10A' AND ruleactive=true order by rulecode ;");
    const std::optional<QString> ruleset = chosenRuleset(session, request.totalBorrowing);
    if (!ruleset) return QStringLiteral("SELECT * FROM CRRules WHERE ruleactive=true order by rulecode ;");
    book.ruleset = *ruleset;
    return QStringLiteral("SELECT * FROM CRRules WHERE ruleactive=true and ruleset=") + sqlText(book.ruleset) +
           QStringLiteral(" order by rulecode ;");
}

void readCreditRules(UnitSession& session, const RuleBookRequest& request, RuleBook& book) {
    if (!request.haveReport && request.newMemberNumber == 0) return;
    db::Recordset rs = session.connections.TarvAudt.openRecordset(creditRulesQuery(session, request, book),
                                                                  db::clientReadOnlyCursor());
    for (; !rs.eof(); rs.moveNext()) {
        CreditRule rule;
        rule.code = rs.text(QStringLiteral("RuleCode")).trimmed().toUpper();
        rule.minText = boundText(rs.value(QStringLiteral("rulevaluemin")));
        rule.maxText = boundText(rs.value(QStringLiteral("rulevaluemax")));
        rule.min = rs.value(QStringLiteral("rulevaluemin")).toDouble();
        rule.max = rs.value(QStringLiteral("rulevaluemax")).toDouble();
        // Only "F" and "R" change a decision: a letter in another case is no decision letter.
        rule.band = rs.text(QStringLiteral("RuleBand")).trimmed();
        book.creditRules.append(rule);
    }
}

void readPolicyRules(UnitSession& session, RuleBook& book) {
    db::Connection& audit = session.connections.TarvAudt;
    if (!ColumnExists(QStringLiteral("CUPolicyRules"), QStringLiteral("rulecode"), audit)) return;
    db::Recordset rs = audit.openRecordset(QStringLiteral("SELECT * FROM CUPolicyRules WHERE ruleactive=true ;"),
                                           db::clientReadOnlyCursor());
    for (; !rs.eof(); rs.moveNext()) {
        PolicyRule rule;
        rule.code = rs.text(QStringLiteral("rulecode")).trimmed().toUpper();
        rule.description = rs.text(QStringLiteral("ruledesc"));
        rule.active = QStringLiteral("True");
        rule.value = rs.text(QStringLiteral("RuleValue"));
        rule.yes = rs.text(QStringLiteral("ruleyes")).trimmed();
        rule.no = rs.text(QStringLiteral("ruleno")).trimmed();
        book.policyRules.insert(rule.code, rule);
    }
}

}  // namespace

RuleBook LoadRuleBook(UnitSession& session, const RuleBookRequest& request) {
    RuleBook book;
    book.carried = request.carried;
    readCreditRules(session, request, book);
    readPolicyRules(session, book);
    return book;
}

}  // namespace autovelt::assessment
