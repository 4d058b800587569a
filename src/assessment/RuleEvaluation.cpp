#include "assessment/CreditReport.h"
#include "assessment/CreditRules.h"
#include "common/Values.h"

#include <QSet>
#include <algorithm>

namespace autovelt::inline assessment {

QString DecisionLetter(Decision decision) {
    switch (decision) {
    case Decision::Fail: return QStringLiteral("F");
    case Decision::Refer: return QStringLiteral("R");
    case Decision::Pass: break;
    }
    return QStringLiteral("P");
}

void RuleOutcome::raise(Decision given) { decision = std::max(decision, given); }

void RuleOutcome::apply(const QString& given) {
    if (given == QLatin1String("F")) raise(Decision::Fail);
    else if (given == QLatin1String("R")) raise(Decision::Refer);
}

QString RuleOutcome::rating() const {
    switch (decision) {
    case Decision::Fail: return QStringLiteral("FAIL");
    case Decision::Refer: return QStringLiteral("REFER");
    case Decision::Pass: break;
    }
    return QStringLiteral("PASS");
}

QDate LoanEndDate(const QDate& passDate, const QString& frequency, const QString& numberOfRepayments) {
    const int64_t count = roundHalfEven(leadingNumber(numberOfRepayments));
    if (frequency == QLatin1String("W")) return passDate.addDays(count * 7);
    if (frequency == QLatin1String("F")) return passDate.addDays(count * 14);
    if (frequency == QLatin1String("4")) return passDate.addDays(count * 28);
    if (frequency == QLatin1String("M")) return passDate.addMonths(static_cast<int>(count));
    return passDate;
}

namespace {

// How a credit rule finds its value in the report.
enum class Search { Element, UndeclaredAddress, Score, Answer, IdentityCheck, Unknown };

struct SearchText {
    Search kind = Search::Unknown;
    QString element;
    QString parent;
};

SearchText searchTextOf(const QString& code) {
    static const QMap<QString, SearchText> elements = {
        {QStringLiteral("CR01A"), {Search::Element, QStringLiteral("messagecode"), {}}},
        {QStringLiteral("CR01B"), {Search::UndeclaredAddress, {}, {}}},
        {QStringLiteral("CR02A"), {Search::Element, QStringLiteral("totalactive"), QStringLiteral("judgments")}},
        {QStringLiteral("CR02B"), {Search::Element, QStringLiteral("totalactive"), QStringLiteral("judgments")}},
        {QStringLiteral("CR02C"), {Search::Element, QStringLiteral("boss"), {}}},
        {QStringLiteral("CR02D"), {Search::Element, QStringLiteral("currentlyinsolvent"), {}}},
        {QStringLiteral("CR02E"), {Search::Element, QStringLiteral("iva"), {}}},
        {QStringLiteral("CR02F"), {Search::Element, QStringLiteral("totalactiveamount"), {}}},
        {QStringLiteral("CR02G"), {Search::Element, QStringLiteral("totalactiveamount"), {}}},
        {QStringLiteral("CR03A"), {Search::Element, QStringLiteral("totaldelinqs12months"), {}}},
        {QStringLiteral("CR03B"), {Search::Element, QStringLiteral("totaldelinqs12months"), {}}},
        {QStringLiteral("CR03C"), {Search::Element, QStringLiteral("totaldefaults12months"), {}}},
        {QStringLiteral("CR03D"), {Search::Element, QStringLiteral("totaldefaults12months"), {}}},
        {QStringLiteral("CR03E"), {Search::Element, QStringLiteral("totaldefaults36months"), {}}},
        {QStringLiteral("CR03F"), {Search::Element, QStringLiteral("totaldefaults36months"), {}}},
        {QStringLiteral("CR04A"), {Search::Element, QStringLiteral("nocflag"), {}}},
        {QStringLiteral("CR05A"), {Search::Element, QStringLiteral("totalsearches3months"), {}}},
        {QStringLiteral("CR05B"), {Search::Element, QStringLiteral("totalsearches3months"), {}}},
        {QStringLiteral("CR05C"), {Search::Element, QStringLiteral("totalsearches12months"), {}}},
        {QStringLiteral("CR05D"), {Search::Element, QStringLiteral("totalsearches12months"), {}}},
        {QStringLiteral("CR06A"), {Search::Element, QStringLiteral("balancelimitratiorevolve"), {}}},
        {QStringLiteral("CR06B"), {Search::Element, QStringLiteral("balancelimitratiorevolve"), {}}},
        {QStringLiteral("CR06C"), {Search::Element, QStringLiteral("totalbalancesactive"), {}}},
        {QStringLiteral("CR06D"), {Search::Element, QStringLiteral("totalbalancesactive"), {}}},
        {QStringLiteral("CR06E"), {Search::Element, QStringLiteral("totalaccounts"), {}}},
        {QStringLiteral("CR07A"), {Search::Score, {}, {}}},
        {QStringLiteral("CR07B"), {Search::Score, {}, {}}},
        {QStringLiteral("CR07C"), {Search::Score, {}, {}}},
        {QStringLiteral("CR07D"), {Search::Score, {}, {}}},
        {QStringLiteral("CR07E"), {Search::Score, {}, {}}},
        {QStringLiteral("CR07F"), {Search::Score, {}, {}}},
        {QStringLiteral("CR08A"), {Search::Element, QStringLiteral("totalcifas"), {}}},
        {QStringLiteral("CR09A"), {Search::Element, QStringLiteral("regpayment"), {}}},
        {QStringLiteral("CR09B"), {Search::Element, QStringLiteral("regpayment"), {}}},
        {QStringLiteral("CR10A"), {Search::IdentityCheck, {}, {}}},
        {QStringLiteral("CR11A"), {Search::Answer, {}, {}}},
    };
    return elements.value(code);
}

// The account types that are mortgages: their payments are not unsecured borrowing.
bool isMortgage(const QString& typeCode) {
    static const QSet<QString> mortgages = {"FM", "DM", "FO", "IM", "MG", "MT", "OM", "RM", "SM", "XM", "ZM"};
    return mortgages.contains(typeCode.trimmed().toUpper());
}

// A report value as it may appear in a line: no control characters, at most 40 characters.
QString shown(const QString& value) {
    QString clean;
    for (QChar c : value)
        if (!c.isNull() && c.category() != QChar::Other_Control) clean += c;
    return clean.trimmed().left(40);
}

class Evaluation {
public:
    Evaluation(const CreditReport& report, const RuleBook& book, const RuleAnswers& answers, RuleEffects& effects,
               RuleOutcome& outcome)
        : report_(report), book_(book), a_(answers), fx_(effects), out_(outcome),
          n_(QString::number(answers.memberNumber)) {}

    void run(bool haveReport) {
        out_.decision = Decision::Pass;
        if (a_.reportMissing) out_.raise(Decision::Refer);
        if (book_.carried.refer) out_.raise(Decision::Refer);
        if (book_.carried.fail) out_.raise(Decision::Fail);
        if (haveReport) readReportHeader();
        for (const CreditRule& rule : book_.creditRules) evaluate(rule);
        residentialStatus();
        employmentStatus();
        dependants();
        previousAddress();
        fx_.success(QStringLiteral("Overall initial rating for loan=") + out_.rating() + QStringLiteral(" for member ") + n_);
    }

private:
    QString range(const CreditRule& r) const { return r.minText + QLatin1Char('-') + r.maxText; }

    void add(const CreditRule& rule, const QString& ruleValue, const QString& actual, const QString& letter,
             const QString& note = QString()) {
        out_.summary.append(n_ + '|' + rule.code + '|' + ruleValue + '|' + actual + '|' + letter + '|');
        out_.lines.append({rule.code, ruleValue, rule.band, actual, letter, note});
    }
    void addAndApply(const CreditRule& rule, const QString& actual, const QString& note = QString()) {
        add(rule, range(rule), actual, rule.band, note);
        out_.apply(rule.band);
    }
    void skipped(const CreditRule& rule, const QString& why) {
        out_.lines.append({rule.code, range(rule), rule.band, QString(), QString(), why});
    }

    void readReportHeader() {
        if (!report_.fault().isEmpty()) {
            fx_.problem(QStringLiteral("Credit report for member ") + n_ + QStringLiteral(" could not be read whole (") +
                        report_.fault() + QStringLiteral(") - rules use what was read and the loan is referred."));
            fx_.loanDetailsException();
            out_.raise(Decision::Refer);
        }
        if (auto reference = report_.text(QStringLiteral("searchid"), QStringLiteral("jobdetails")))
            out_.searchReference = shown(*reference);
    }

    // A value the band test reads: a number, or a problem line and its leading number.
    double numberOf(const CreditRule& rule, const QString& value) {
        if (!value.trimmed().isEmpty() && !isNumeric(value))
            fx_.problem(QStringLiteral("Credit report for member ") + n_ + QStringLiteral(" holds \"") + shown(value) +
                        QStringLiteral("\" where rule ") + rule.code + QStringLiteral(" expects a number - read as ") +
                        QString::number(leadingNumber(value)) + QLatin1Char('.'));
        return leadingNumber(value);
    }

    void bandTest(const CreditRule& rule, const QString& value) {
        const double number = numberOf(rule, value);
        const bool within = number >= rule.min && number <= rule.max;
        add(rule, range(rule), shown(value), within ? rule.band : QStringLiteral("P"));
        if (within) out_.apply(rule.band);
    }

    void evaluate(const CreditRule& rule) {
        const SearchText search = searchTextOf(rule.code);
        switch (search.kind) {
        case Search::Unknown:
            fx_.problem(QStringLiteral("Credit rule ") + shown(rule.code) + QStringLiteral(" is not a rule the importer knows - skipped."));
            skipped(rule, QStringLiteral("unknown rule"));
            return;
        case Search::IdentityCheck:
            if (a_.newMemberNumber != 0) fx_.identityCheck(rule, out_);
            skipped(rule, a_.newMemberNumber != 0 ? QStringLiteral("identity check of the new member")
                                                  : QStringLiteral("identity check: existing member"));
            return;
        case Search::Answer:
            if (a_.incomeWillReduce == QLatin1String("Yes")) {
                add(rule, QStringLiteral("0-0"), QStringLiteral("1"), rule.band);
                out_.apply(rule.band);
            } else {
                add(rule, QStringLiteral("0-0"), QStringLiteral("0"), QStringLiteral("P"));
            }
            return;
        case Search::Score:
            if (const QString why = scoreSkip(rule.code); !why.isEmpty()) { skipped(rule, why); return; }
            score(rule);
            return;
        case Search::UndeclaredAddress:
            if (report_.hasAttributeStarting(QStringLiteral("undeclaredaddresstype"), QStringLiteral("2")))
                addAndApply(rule, QStringLiteral("2"));
            else
                add(rule, range(rule), QStringLiteral("N/A"), QStringLiteral("P"));
            return;
        case Search::Element:
            element(rule, search);
            return;
        }
    }

    QString scoreSkip(const QString& code) const {
        const bool isNewMember = a_.newMemberNumber != 0 && a_.memberNumber == a_.newMemberNumber;
        if ((code == QLatin1String("CR07A") || code == QLatin1String("CR07B")) && !isNewMember)
            return QStringLiteral("for new members");
        if ((code == QLatin1String("CR07C") || code == QLatin1String("CR07D")) && isNewMember)
            return QStringLiteral("for existing members");
        if ((code == QLatin1String("CR07E") || code == QLatin1String("CR07F")) && a_.productCode != QLatin1String("PROMO"))
            return QStringLiteral("for product PROMO");
        return QString();
    }

    void element(const CreditRule& rule, const SearchText& search) {
        const std::optional<QString> found = report_.text(search.element, search.parent);
        if (!found) {
            const bool noAccounts = rule.code == QLatin1String("CR06E");
            if (noAccounts) addAndApply(rule, QStringLiteral("0"));
            else add(rule, range(rule), QStringLiteral("N/A"), QStringLiteral("P"));
            return;
        }
        const QString value = *found;
        if (search.element == QLatin1String("messagecode")) return messageCode(rule, value);
        if (search.element == QLatin1String("totalcifas")) {
            if (numberOf(rule, value) > 0) addAndApply(rule, shown(value));
            else out_.lines.append({rule.code, range(rule), rule.band, shown(value), QString(), QStringLiteral("no markers")});
            return;
        }
        if (search.element == QLatin1String("totalbalancesactive")) {
            const double mortgages = leadingNumber(report_.text(QStringLiteral("totalbalancesmortgages")).value_or(QString()));
            return bandTest(rule, formatNumber(numberOf(rule, value) - mortgages, QStringLiteral("#0")));
        }
        if (search.element == QLatin1String("regpayment")) return bandTest(rule, regularPaymentValue(value));
        bandTest(rule, value);
    }

    void messageCode(const CreditRule& rule, const QString& value) {
        const double code = numberOf(rule, value);
        if (code == 1) add(rule, range(rule), shown(value), QStringLiteral("P"));
        else if (code == 2) add(rule, range(rule), shown(value), QStringLiteral("R"), QStringLiteral("logged, decision unchanged"));
        else addAndApply(rule, shown(value));
        if (report_.hasAttributeStarting(QStringLiteral("reporttitle"), QStringLiteral("Not matched")))
            addAndApply(rule, shown(value), QStringLiteral("applicant not matched"));
    }

    // The regular payments of non-mortgage accounts with a balance, as a percentage of the
    // applicant's income; the element's own text when there are none.
    QString regularPaymentValue(const QString& ownText) {
        if (!paymentsWorkedOut_) {
            paymentsWorkedOut_ = true;
            for (const CreditReport::Account& account : report_.accounts()) {
                if (leadingNumber(account.balance) == 0 || isMortgage(account.typeCode)) continue;
                const Currency payment = Currency::fromText(account.regularPayment);
                if (payment.units() == 0) continue;
                paymentTotal_ = paymentTotal_ + payment;
            }
        }
        if (paymentTotal_.units() <= 0) return ownText;
        const double income = leadingNumber(a_.income);
        if (income == 0) return QStringLiteral("100");
        return formatNumber(paymentTotal_.toDouble() / income * 100.0, QStringLiteral("#0"));
    }

    void score(const CreditRule& rule) {
        const std::optional<CreditReport::Score> element = report_.firstScore();
        if (!element) { add(rule, range(rule), QStringLiteral("N/A"), QStringLiteral("P")); return; }
        QString value = element->value.trimmed();
        if (leadingNumber(value) == 0) {
            const QString text = QStringLiteral("No credit score found for member ") + n_ + QStringLiteral(" after text ") +
                                 element->openingTag + QStringLiteral(" looking now for </score><reasons>");
            fx_.problem(text);
            fx_.webLog(text, QStringLiteral("BORROW"), QStringLiteral("SCORE FAIL"));
            value = report_.scoreBeforeReasons().value_or(QString()).trimmed();
            if (leadingNumber(value) == 0) {
                const QString again = QStringLiteral("Still no credit score found for member ") + n_ +
                                      QStringLiteral(" before text </score><reasons> failed in both attempts to find score!");
                fx_.problem(again);
                fx_.webLog(again, QStringLiteral("BORROW"), QStringLiteral("SCORE FAIL"));
                value = QStringLiteral("0");
            }
        }
        if (numberOf(rule, value) > 9000) {
            fx_.problem(QStringLiteral("No valid credit score found as ") + shown(value) +
                        QStringLiteral(" has been returned.  Converted to zero."));
            fx_.loanDetailsException();
            value = QStringLiteral("0");
        }
        out_.score = shown(value);
        out_.scoreEvaluated = true;
        bandTest(rule, value);
    }

    // ---- Policy rules ---------------------------------------------------------------

    void logPolicy(const PolicyRule& rule, const QString& result, const QString& actual, const QString& note = QString()) {
        const PolicyLogRow row{rule.code, rule.description, rule.active, rule.value, result};
        out_.policyRows.append(row);
        out_.lines.append({rule.code, rule.value, rule.yes, actual, result, note});
    }

    const PolicyRule* policy(const QString& code) const {
        auto it = book_.policyRules.constFind(code);
        return it == book_.policyRules.constEnd() ? nullptr : &it.value();
    }

    void statusRule(const QString& status, const QString& family, const QMap<QString, QChar>& codes) {
        if (status.isEmpty()) return;
        const QChar letter = codes.value(status.toUpper(), QLatin1Char('A'));
        const PolicyRule* rule = policy(family + letter);
        if (!rule) return;
        out_.apply(rule->yes);
        logPolicy(*rule, rule->yes, shown(status));
    }

    void residentialStatus() {
        statusRule(a_.residentialStatus, QStringLiteral("PR10"),
                   {{"HOME OWNER", 'A'}, {"HA/LA RENTED", 'B'}, {"PRIVATE RENTED", 'C'}, {"PRIVATE LET", 'C'},
                    {"LIVING WITH FAMILY", 'D'}, {"TEMPORARY ACCOMMODATION", 'E'}});
    }

    void employmentStatus() {
        statusRule(a_.employmentStatus, QStringLiteral("PR11"),
                   {{"FULL TIME EMPLOYED", 'A'}, {"PART TIME EMPLOYED", 'B'}, {"SELF EMPLOYED", 'C'}, {"RETIRED", 'D'},
                    {"STUDENT", 'E'}, {"BENEFITS", 'F'}, {"UNEMPLOYED", 'G'}, {"HOME MAKER", 'H'}});
    }

    // Dependants still within the rule's age limit when the loan ends make the rule apply.
    void dependants() {
        const PolicyRule* rule = policy(QStringLiteral("PR13B"));
        if (!rule) return;
        const QString list = a_.dependantsBirthDates;
        if (list.isEmpty() || list == QLatin1String(",,,,,,,,,")) {
            // No dependants listed: the result is logged, the decision is left as it is.
            logPolicy(*rule, rule->no, QStringLiteral("none"), QStringLiteral("decision unchanged"));
            return;
        }
        const QDate end = LoanEndDate(a_.passDate, a_.repaymentFrequency, a_.numberOfRepayments);
        const double limit = leadingNumber(rule->value);
        QStringList within;
        for (const QString& entry : list.split(QLatin1Char(','))) {
            const std::optional<QDate> born = parseDayFirstDate(entry.trimmed());
            if (!born) continue;
            const int64_t age = dateDiffYears(*born, end);
            if (limit >= static_cast<double>(age)) within.append(shown(entry) + QLatin1Char('-') + QString::number(age));
        }
        out_.dependantsReason = within.join(QStringLiteral(", "));
        const QString letter = within.isEmpty() ? rule->no : rule->yes;
        out_.apply(letter);
        logPolicy(*rule, letter, within.isEmpty() ? QStringLiteral("none within the limit") : out_.dependantsReason);
    }

    void previousAddress() {
        const PolicyRule* rule = policy(QStringLiteral("PR15A"));
        if (!rule) return;
        if (a_.previousAddressSupplied) {
            out_.apply(rule->yes);
            logPolicy(*rule, rule->yes, QStringLiteral("previous address given"));
        } else {
            logPolicy(*rule, rule->no, QStringLiteral("no previous address"), QStringLiteral("decision unchanged"));
        }
    }

    const CreditReport& report_;
    const RuleBook& book_;
    const RuleAnswers& a_;
    RuleEffects& fx_;
    RuleOutcome& out_;
    const QString n_;
    bool paymentsWorkedOut_ = false;
    Currency paymentTotal_;
};

}  // namespace

void EvaluateCreditRules(const QString& reportText, const RuleBook& book, const RuleAnswers& answers,
                         RuleEffects& effects, RuleOutcome& outcome) {
    const CreditReport report = CreditReport::read(reportText);
    Evaluation(report, book, answers, effects, outcome).run(!report.isEmpty());
}

}  // namespace autovelt::assessment
