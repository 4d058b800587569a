#include "import/ApplicationDetailsFile.h"

#include "common/MemberFolder.h"
#include "common/PrintableText.h"
#include "common/Values.h"
#include "state/FileAfterCommit.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace autovelt::inline import {

namespace {

using FieldLine = std::pair<const char*, int>;

// Labels are written exactly as staff know them, trailing blanks included.
const FieldLine kPersonLines[] = {{"Member No ", 1}, {"NINO/Search Index", 2}, {"Title ", 3}, {"Forename ", 4},
                                  {"Middlename(s) ", 5}, {"Surname ", 6}, {"DoB ", 7}, {"Gender ", 8},
                                  {"Dependants ", 9}};
const FieldLine kHomeLines[] = {{"Building No/Name ", 1}, {"Flat ", 2}, {"Street 1", 3}, {"Street 2 ", 4},
                                {"Town ", 5}, {"County ", 6}, {"Postcode ", 8}, {"Address effective from ", 12}};
const FieldLine kMembershipLines[] = {{"Disbursement method ", 10}, {"Default membership status ", 11},
                                      {"Residential status ", 12}};
const FieldLine kAccountLines[] = {{"Marketing preference ", 14}, {"Account password ", 15}, {"Tax country ", 16},
                                   {"Tax ID ", 17}, {"Pay run no ", 18}, {"Payroll no ", 19},
                                   {"Employment type ", 20}, {"Start date ", 21}, {"End date ", 22}};
const FieldLine kWorkLines[] = {{"Work place ", 7}, {"Work building No/name ", 1}, {"Work flat ", 2},
                                {"Work street ", 3}, {"Work town ", 4}, {"Work county ", 5},
                                {"Work postcode ", 8}, {"Work phone ", 9}, {"Work role ", 6}};
const FieldLine kAssessmentLines[] = {{"On sick leave? ", 23}, {"Deposit method ", 24}, {"Savings value ", 25},
                                      {"CRA score ", 26}, {"CRA decision ", 27}, {"CRA decision status ", 28},
                                      {"CRA XML ", 29}, {"CRA ref ", 30}, {"IDV band ", 31},
                                      {"IDV score ", 32}, {"IDV ref ", 33}};
const FieldLine kLoanLines[] = {
    {"Repayment frequency ", 44}, {"Loan product ", 45}, {"Loan value ", 46}, {"Loan term ", 47},
    {"Repayment amount ", 48}, {"Loan purpose ", 49}, {"Loan purpose (if other) ", 50},
    {"Faster payment? ", 51}, {"Income frequency ", 52}, {"Income1 (main) ", 53},
    {"Income2 (partners) ", 54}, {"Income3 (other) ", 55}, {"Income4 (other) ", 56}, {"Income5 ", 57},
    {"Income5 description ", 58}, {"Income6 ", 59}, {"Income6 description ", 60}, {"Income7 ", 61},
    {"Income7 description ", 62}, {"Gross annual income ", 63}, {"Disposable income ", 64},
    {"Expense1 (credit card o/s balance) ", 65}, {"Expense2 (mortgage/rent) ", 66},
    {"Expense3 (council tax)   ", 67}, {"Expense4 (travel costs)  ", 68}, {"Expense5 (other credit)  ", 69}};
const FieldLine kClosingLines[] = {
    {"Expense20 description ", 85}, {"Will income reduce during term of loan? ", 86},
    {"Will income reduce reason (if yes) ", 87}, {"Password reminder question ", 88}, {"Account password ", 89},
    {"Will your dependants exceed specified age limit during term of loan? ", 90}, {"Dependants DoB(s) ", 91},
    {"Adhoc Q4 ", 92}, {"Q4 answer ", 93}, {"Adhoc Q5 ", 94}, {"Q5 answer ", 95}, {"Adhoc Q6 ", 96},
    {"Q6 answer ", 97}, {"Adhoc Q7 ", 98}, {"Q7 answer ", 99}, {"Adhoc Q8 ", 100}, {"Q8 answer ", 101},
    {"Users IP address ", 102}, {"Email ", 103}, {"Adhoc text for diary ", 104}, {"Doc upload key ", 105},
    {"Document delivery method ", 106}, {"Application date ", 109}};

// Builds the lines; every value is flattened so a line break typed on the website cannot
// split or forge a line of the file.
class DetailsLines {
public:
    void add(const QString& label, const QString& value) { lines_ << label + QStringLiteral(": ") + flat(value); }
    void bare(const QString& text) { lines_ << flat(text); }
    template <size_t N, typename Source>
    void addAll(const FieldLine (&table)[N], const Source& source) {
        for (const auto& [label, index] : table) add(QLatin1String(label), source[size_t(index)]);
    }
    QStringList take() { return std::move(lines_); }

private:
    static QString flat(const QString& text) { return FlattenControlCharacters(text); }
    QStringList lines_;
};

QString applicationCode(const QString& field110) {
    if (field110 == QLatin1String("2")) return QStringLiteral(": 2 Join only");
    if (field110 == QLatin1String("3")) return QStringLiteral(": 3 Borrow only");
    if (field110 == QLatin1String("4")) return QStringLiteral(": 4 Join only no IDV required");
    return QStringLiteral(": 1 Join&Borrow");
}

// "J+B_App_<date>_<time>.txt"; a name already taken gets "_2", "_3" when it is filed.
QString detailsFileName(const QDateTime& now) {
    return QStringLiteral("J+B_App_") + formatDate(now, QStringLiteral("YYYYMMDD")) + QLatin1Char('_') +
           formatDate(now, QStringLiteral("HHMMSS")) + QStringLiteral(".txt");
}

}  // namespace

QStringList ApplicationDetailsLines(const ApplicationState& app, const CycleSettings& settings, LoanDecision loan) {
    auto f = app.columnsAsImported();
    DetailsLines out;
    out.bare(QStringLiteral("J+B Application details ") + app.messageSuffix);
    out.bare(QStringLiteral("NB: Not all details may be captured by your application form or applicable to your credit union."));
    out.addAll(kPersonLines, f);
    out.addAll(kHomeLines, app.addresses.homeSlots);
    out.bare(QStringLiteral("Previous addresses supplied? ") + (app.addresses.homePrevSupplied ? QStringLiteral(": YES") : QStringLiteral(": NO")));
    out.add(QStringLiteral("Home phone "), app.addresses.homeSlots[9]);
    out.add(QStringLiteral("Mobile phone "), app.addresses.homeSlots[10]);
    out.add(QStringLiteral("Email "), app.addresses.homeSlots[11].isEmpty() ? f[tw::Email] : app.addresses.homeSlots[11]);
    out.addAll(kMembershipLines, f);
    out.bare(QStringLiteral("Statement preference ") + (f[tw::StatementDelivery] == QLatin1String("do not")
                                                            ? QStringLiteral(": send by post")
                                                            : QStringLiteral(": send by email")));
    out.addAll(kAccountLines, f);
    if (!app.addresses.workSlots[6].isEmpty() || !app.addresses.workSlots[7].isEmpty()) out.addAll(kWorkLines, app.addresses.workSlots);
    out.addAll(kAssessmentLines, f);
    // The caption line carries its own separator.
    for (int udf = 1; udf <= 10; ++udf)
        out.bare(QStringLiteral("UDF%1 (").arg(udf) + settings.UDFCaption[size_t(udf)] + QStringLiteral(") : ") +
                 f[size_t(33 + udf)]);
    out.add(QStringLiteral("Loan application no "), app.loan.loanNumber);
    if (loan == LoanDecision::Withheld) f[tw::LoanAmount] = QStringLiteral("0.00");  // a withheld loan shows as none
    out.addAll(kLoanLines, f);
    for (int expense = 6; expense <= 20; ++expense)
        out.add(QStringLiteral("Expense%1 ").arg(expense), f[size_t(64 + expense)]);
    out.addAll(kClosingLines, f);
    out.bare(QStringLiteral("Application code (1-4) ") + applicationCode(f[tw::ApplicationCode]));
    if (app.newMemberNumber < 1) {
        out.add(QStringLiteral("Bank account output "), app.addresses.accountNumber);
        out.add(QStringLiteral("Bank sortcode output "), app.addresses.sortCode);
        out.add(QStringLiteral("Bank account supplied "), app.addresses.accountNumber);
        out.add(QStringLiteral("Bank sortcode supplied "), app.addresses.sortCode);
    }
    if (settings.profile.detailsFileRecordsAcceptances) {
        out.bare(QStringLiteral("Member accepted T&C's: Yes"));
        out.bare(QStringLiteral("Member accepted FSCS: Yes"));
    }
    out.bare(QStringLiteral("End of application"));
    return out.take();
}

void WriteApplicationDetailsFile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                 long memberNumber, LoanDecision loan) {
    const QString& scanLocation = cycle.settings.ScanLocation;
    if (!cycle.settings.CreateLogs || scanLocation.isEmpty() || memberNumber == 0) return;
    StagedFile file;
    file.root = scanLocation;
    file.kind = app.isJoinOnly() ? QStringLiteral("MEMBERID") : QStringLiteral("LOANS");
    file.member = memberNumber;
    file.name = detailsFileName(cycle.clock().now());
    file.onClash = StagedFile::OnClash::NumberTheNewOne;
    const QString failure = QStringLiteral("Unable to write the application details file of member ") +
                            QString::number(memberNumber) + QStringLiteral(" in ") +
                            MemberFolderPath(scanLocation, file.kind, memberNumber);
    if (!QFileInfo(scanLocation).isDir()) {
        session.ShowException(failure + QStringLiteral(": the folder cannot be made") + app.messageSuffix);
        return;
    }
    QString error;
    const QByteArray content =
        (ApplicationDetailsLines(app, cycle.settings, loan).join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (FileAfterCommit(cycle, session, app, file, content, &error).isEmpty())
        session.ShowException(failure + QStringLiteral(": ") + error + app.messageSuffix);
}

}  // namespace autovelt::import
