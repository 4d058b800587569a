#include "app/RuleExplanation.h"

#include "app/CommandLine.h"
#include "app/ControlSettings.h"
#include "state/Importer.h"
#include "assessment/CreditRules.h"
#include "assessment/RuleTables.h"
#include "pipeline/OnlineReads.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"

#include <QFile>
#include <cstdio>

namespace autovelt::inline app {

namespace {

// Collects what the import pass would report; records nothing.
class ExplanationEffects : public RuleEffects {
public:
    QStringList notes;
    void problem(const QString& line) override { notes << QStringLiteral("problem: ") + line; }
    void success(const QString& line) override { notes << line; }
    void webLog(const QString& activity, const QString&, const QString& keyword) override {
        notes << QStringLiteral("(import pass would add a WebLog row ") + keyword + QStringLiteral(": ") + activity + QLatin1Char(')');
    }
    void identityCheck(const CreditRule&, RuleOutcome&) override {
        notes << QStringLiteral("(identity check not run by the explanation)");
    }
};

// The member's answers the core banking records keep: residential and employment status,
// and whether a previous home address was given.
RuleAnswers storedAnswers(Importer& im, long member, bool newMember, QStringList& notes) {
    RuleAnswers a;
    a.memberNumber = member;
    a.newMemberNumber = newMember ? member : 0;
    a.passDate = im.passDate();
    a.repaymentFrequency = QStringLiteral("M");
    if (member == 0) {
        notes << QStringLiteral("No member given: no stored answers and no earlier results are read.");
        return a;
    }
    const QString n = QString::number(member);
    db::Recordset udf = im.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT * FROM MemberUDF WHERE MemberNo=") + n + QStringLiteral(" ;"), db::clientReadOnlyCursor());
    if (!udf.eof()) {
        a.residentialStatus = udf.text(QStringLiteral("DWPHouseholdStatus"));
        a.employmentStatus = udf.text(QStringLiteral("DWPEmpStatus"));
    }
    a.previousAddressSupplied = !im.connections.TarvMain
                                     .openRecordset(QStringLiteral("SELECT MemberNo FROM MemberAddress WHERE MemberNo=") + n +
                                                        QStringLiteral(" AND AddressType LIKE 'HOMEPREV%' ;"),
                                                    db::clientReadOnlyCursor())
                                     .eof();
    notes << QStringLiteral("Income, the income-reduction answer and dependants are not kept with the member: "
                            "rules CR09, CR11A and PR13B read them as not answered.");
    return a;
}

QString pad(const QString& text, int width) { return text.left(width).leftJustified(width); }

QString table(const RuleOutcome& outcome, const RuleBook& book, const QStringList& notes) {
    QString out;
    out += QStringLiteral("Rule set: ") + (book.ruleset.isEmpty() ? QStringLiteral("(all active rules)") : book.ruleset) + '\n';
    if (book.carried.refer || book.carried.fail)
        out += QStringLiteral("Carried from earlier checks: ") + (book.carried.fail ? QStringLiteral("F") : QStringLiteral("R")) + '\n';
    out += pad(QStringLiteral("Rule"), 7) + pad(QStringLiteral("Band"), 16) + pad(QStringLiteral("If met"), 7) +
           pad(QStringLiteral("Found"), 24) + pad(QStringLiteral("Letter"), 7) + QStringLiteral("Note\n");
    for (const RuleLine& line : outcome.lines)
        out += pad(line.code, 7) + pad(line.ruleValue, 16) + pad(line.band, 7) + pad(line.actualValue, 24) +
               pad(line.letter.isEmpty() ? QStringLiteral("-") : line.letter, 7) + line.note + '\n';
    for (const QString& note : notes) out += note + '\n';
    out += QStringLiteral("Overall rating: ") + outcome.rating() + '\n';
    return out;
}

}  // namespace

QString ExplainRulesText(const RuleExplanationRequest& request, bool& ok) {
    ok = false;
    QFile file(request.reportFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read the credit report ") + request.reportFile + QStringLiteral(": ") + file.errorString() + '\n';
    const QString report = QString::fromUtf8(file.readAll());

    ListReporter reporter;
    SystemClock clock;
    Importer importer(request.homeFolder, reporter, clock);
    QString text;
    try {
        importer.LoadInstallation();
        importer.config.engine.readOnly = true;
        LoadControlSettings(importer);
        for (const QString& line : reporter.problems()) text += QStringLiteral("settings: ") + line + '\n';
        if (!importer.connections.TarvAudt.isOpen()) {
            importer.connections.closeAll();
            return text + QStringLiteral("The rule tables cannot be read.\n");
        }
        ExplanationEffects effects;
        RuleBookRequest bookRequest;
        bookRequest.newMemberNumber = 0;
        bookRequest.totalBorrowing = Currency::fromText(request.amount);
        bookRequest.haveReport = !report.trimmed().isEmpty();
        if (request.memberNumber != 0)
            bookRequest.carried = ReadCarriedResults(importer.connections.OnlineConnection, request.memberNumber);
        const RuleBook book = LoadRuleBook(importer.session(), bookRequest);
        QStringList notes;
        const RuleAnswers answers = storedAnswers(importer, request.memberNumber, request.newMember, notes);
        RuleOutcome outcome;
        EvaluateCreditRules(report, book, answers, effects, outcome);
        text += table(outcome, book, notes + effects.notes);
        ok = true;
    } catch (const VeltError& e) {
        text += QStringLiteral("Error ") + QString::number(e.number()) + QStringLiteral(" (") + e.description() + QStringLiteral(")\n");
    }
    importer.connections.closeAll();
    return text;
}

int ExplainRules(const RuleExplanationRequest& request) {
    bool ok = false;
    const QString text = ExplainRulesText(request, ok);
    std::fputs(text.toLocal8Bit().constData(), ok ? stdout : stderr);
    return ok ? ExitOk : ExitExplainFailed;
}

}  // namespace autovelt::app
