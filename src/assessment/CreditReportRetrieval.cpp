#include "assessment/CreditReportRetrieval.h"

#include "assessment/AgencyExchange.h"
#include "assessment/AgencyReportFile.h"
#include "assessment/AgencyTrace.h"
#include "assessment/CreditRules.h"
#include "assessment/CreditSearchRequest.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "state/CreditSearchRecords.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QFile>
#include <cmath>
#include <optional>

namespace autovelt::inline assessment {

namespace {

const QString kReportKind = QStringLiteral("CREDITCH");
const QString kServicePath = QStringLiteral("/Services/CallReport/CallReport7.asmx");
const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
const QString kStylesheet = QStringLiteral("<?xml-stylesheet type=\"text/xsl\" href=\"CallReport7.2.xslt\"?>");
// A stored report younger than this many calendar months (by month number) is used again.
constexpr int kReuseMonths = 4;

VeltError invalidDate() {
    return VeltError(5, QStringLiteral("DrawCreditReport"), QStringLiteral("Invalid procedure call or argument"));
}
VeltError typeMismatch() { return VeltError(13, QStringLiteral("DrawCreditReport"), QStringLiteral("Type mismatch")); }

CreditSearchAddress addressOf(const db::Recordset& row) { return {ReadPafColumns(row), QDate(), QDate()}; }

// One call of DrawCreditReport. Every step either goes on or ends the call; database and
// conversion failures are raised as VeltError and reported by the caller.
class CreditReportDraw {
public:
    CreditReportDraw(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, const LoanRequest& loan,
                     long memberNumber)
        : cycle_(cycle),
          session_(session),
          app_(app),
          loan_(loan),
          member_(memberNumber),
          n_(QString::number(memberNumber)) {}

    // After a failure: what was found before it, the search missing.
    CreditReportOutcome failed() const { return missing(QStringLiteral("no credit search could be made")); }

    CreditReportOutcome run() {
        applyLoanEndAgeRule();
        if (cycle_.settings.agency.CreditReportUserName == QLatin1String("UNSET")) return notNeeded();
        if (smallLoanNeedsNoReport() || securedLoanNeedsNoReport()) return notNeeded();
        db::Recordset member = session_.connections.TarvMain.openRecordset(memberQuery(), db::readOnlyCursor());
        if (member.eof()) return missing(QStringLiteral("the member has no home address to search with"));
        const CreditSearchPerson person = personOf(member);
        if (reuseRecordedReport(person)) return ended(CreditReportOutcome::Kind::Report);
        return search(applicantOf(member), person);
    }

private:
    // The active policy rule of that code, if there is one.
    db::Recordset policyRule(const QString& code) {
        return session_.connections.TarvAudt.openRecordset(
            QStringLiteral("SELECT * FROM cupolicyrules WHERE rulecode=") + sqlText(code) +
                QStringLiteral(" and ruleactive=true"),
            db::clientReadOnlyCursor());
    }

    double amountAppliedFor() const { return leadingNumber(loan_.amount); }

    // PR13A: the applicant's age when the loan ends, against the rule's age limit. The
    // day and month compared are those of the processing date.
    void applyLoanEndAgeRule() {
        db::Recordset rule = policyRule(QStringLiteral("PR13A"));
        if (rule.eof()) return;
        const QDate passDate = cycle_.passDate();
        const std::optional<QDate> born = app_.dateOfBirth();
        if (!passDate.isValid() || !born) throw typeMismatch();
        const QString frequency = loan_.repaymentFrequency;
        // Without a known frequency the loan has no end date and the age cannot be judged.
        static const QStringList kFrequencies = {QStringLiteral("W"), QStringLiteral("F"), QStringLiteral("4"), QStringLiteral("M")};
        if (!kFrequencies.contains(frequency)) return;
        // Dates end with the year 9999; a term beyond it is no date at all.
        if (std::abs(leadingNumber(loan_.numberOfRepayments)) > 1e6) throw invalidDate();
        const QDate loanEnd = LoanEndDate(passDate, frequency, loan_.numberOfRepayments);
        if (!loanEnd.isValid() || loanEnd.year() > 9999) throw invalidDate();
        int age = static_cast<int>(dateDiffYears(*born, loanEnd));
        if (dateDiffDays(birthdayInYear(*born, passDate.year()), passDate) < 0) --age;
        found_.loanEndAge = age;
        if (leadingNumber(rule.text(QStringLiteral("RuleValue"))) < age)
            found_.decision = rule.text(QStringLiteral("ruleyes"));
    }

    // PR12A: a loan no larger than the rule's amount needs no report.
    bool smallLoanNeedsNoReport() {
        db::Recordset rule = policyRule(QStringLiteral("PR12A"));
        if (rule.eof() || amountAppliedFor() > leadingNumber(rule.text(QStringLiteral("RuleValue")))) return false;
        session_.ShowSuccess(
            QStringLiteral(
                "No need to test credit report due to loan value policy PR12A and member is applying for £") +
            loan_.amount);
        return true;
    }

    // PR14A: a loan covered by the member's largest balance in the shares product needs no
    // report.
    bool securedLoanNeedsNoReport() {
        if (policyRule(QStringLiteral("PR14A")).eof()) return false;
        const QString product = cycle_.settings.OSProductCode;
        db::Recordset balances = session_.connections.TarvMain.openRecordset(
            QStringLiteral("SELECT Balance FROM MemberBalances WHERE MemberNo=") + n_ +
                QStringLiteral(" AND ProductCode='") + sqlTextBody(product) +
                QStringLiteral("' ORDER BY Balance DESC ;"),
            db::readOnlyCursor());
        if (balances.eof()) return false;
        const QVariant held = balances.value(QStringLiteral("Balance"));
        const Currency balance = held.isNull() ? Currency() : Currency::fromDouble(held.toDouble());
        if (Currency::fromDouble(amountAppliedFor()) > balance) return false;
        session_.ShowSuccess(
            QStringLiteral(
                "No need to test credit report due to secured lending rule PR14A as member is applying for £") +
            loan_.amount + QStringLiteral(" and they hold £") + currencyText(balance) +
            QStringLiteral(" in ") + product + QStringLiteral("."));
        return true;
    }

    QString memberQuery() const {
        return QStringLiteral(
                   "SELECT Title, Forename, Midname, Surname, DOB, Line1, Line2, Line3, Line4, PostCode, Line5, "
                   "MemberStatus, MemberStatus2, MemberStatus3, PAFFlatNumber, PAFBuildingName, PAFBuildingNumber, "
                   "PAFStreet1, PAFStreet2, PAFTown, PAFCounty, PAFPostCode, PhoneNumber, MobileNumber, EmailAddress, "
                   "EffectiveFrom FROM MemberMain INNER JOIN MemberAddress ON MemberMain.Memberno=MemberAddress.MemberNo "
                   "WHERE (Membermain.MemberNo=") +
               n_ + QStringLiteral(") AND (MemberAddress.AddressType='HOME')");
    }

    // What the draw found so far (the age rule's findings, a report), ended as `kind`.
    CreditReportOutcome ended(CreditReportOutcome::Kind kind, const QString& why = {}) const {
        CreditReportOutcome outcome = found_;
        outcome.kind = kind;
        outcome.why = why;
        return outcome;
    }
    CreditReportOutcome notNeeded() const { return ended(CreditReportOutcome::Kind::NotNeeded); }
    CreditReportOutcome missing(const QString& why) const { return ended(CreditReportOutcome::Kind::Missing, why); }

    CreditSearchPerson personOf(const db::Recordset& member) const {
        return {member.date(QStringLiteral("DOB")).value_or(QDate()), member.text(QStringLiteral("Surname")),
                app_.cleanedNINumber};
    }

    // A report this importer drew for the same person under this member number, younger
    // than four months and still as it was filed, is used instead of a new search.
    bool reuseRecordedReport(const CreditSearchPerson& person) {
        const std::optional<CreditSearchRecord> recorded = LatestCreditSearch(session_.connections.TarvAudt, member_);
        if (!recorded || !recorded->person.sameAs(person) || !recorded->searchedOn.isValid() ||
            dateDiffMonths(recorded->searchedOn.date(), cycle_.clock().now().date()) >= kReuseMonths)
            return false;
        session_.ShowException(QStringLiteral("Credit report from ") +
                               formatDate(recorded->searchedOn, QStringLiteral("dd/mm/yyyy hh:mm:ss")) +
                               QStringLiteral(" in ") + cycle_.settings.ScanLocation +
                               QStringLiteral(" exists for member ") + n_ + QStringLiteral(" - using this for VELT."));
        QFile file(recorded->filePath);
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (!content.isEmpty() && Sha256Hex(content) == recorded->sha256) {
            found_.report = QString::fromUtf8(content);
            return true;
        }
        session_.ShowException(QStringLiteral("Problem accessing existing Credit report for member ") + n_ +
                               QStringLiteral(" - obtaining new one."));
        return false;
    }

    CreditSearchApplicant applicantOf(const db::Recordset& member) {
        CreditSearchApplicant a;
        a.reference = n_;
        a.addresses.append(addressOf(member));
        if (const std::optional<QDate> movedIn = member.date(QStringLiteral("EffectiveFrom")))
            addPreviousAddresses(*movedIn, a.addresses);
        a.title = member.text(QStringLiteral("Title"));
        a.forename = member.text(QStringLiteral("Forename"));
        a.midName = member.text(QStringLiteral("MidName"));
        a.surname = member.text(QStringLiteral("Surname"));
        a.dateOfBirth = member.date(QStringLiteral("DOB")).value_or(QDate());
        a.email = app_.addresses.applicantEmail.isEmpty() ? app_.field[tw::Email] : app_.addresses.applicantEmail;
        a.phoneNumber = member.text(QStringLiteral("PhoneNumber"));
        a.mobileNumber = member.text(QStringLiteral("MobileNumber"));
        return a;
    }

    // The addresses before the home one, newest first, each ending where the later one
    // began. A previous address without a date is taken as three years long and ends the
    // history.
    void addPreviousAddresses(QDate laterStart, QList<CreditSearchAddress>& addresses) {
        for (const char* type : {"HOMEPREV1", "HOMEPREV2"}) {
            db::Recordset row = session_.connections.TarvMain.openRecordset(
                QStringLiteral("SELECT * FROM MemberAddress WHERE AddressType=") + sqlText(QLatin1String(type)) +
                    QStringLiteral(" AND MemberNo=") + n_ + QStringLiteral(" ;"),
                db::readOnlyCursor());
            if (row.eof()) return;
            CreditSearchAddress previous = addressOf(row);
            previous.endDate = laterStart;
            const std::optional<QDate> start = row.date(QStringLiteral("EffectiveFrom"));
            previous.startDate = start ? *start : laterStart.addYears(-3);
            addresses.append(previous);
            if (!start) return;
            laterStart = *start;
        }
    }

    QString endpoint() const {
        const AgencyService& service = cycle_.config.agency;
        const QString& user = cycle_.settings.agency.CreditReportUserName;
        const bool test =
            cycle_.settings.UATMode || user.contains(QLatin1String("CTest")) || user.contains(QLatin1String("CTEST"));
        return QStringLiteral("https://") + (test ? service.callReportTestHost : service.callReportLiveHost) + kServicePath;
    }

    CreditReportOutcome search(const CreditSearchApplicant& applicant, const CreditSearchPerson& person) {
        const AgencyService& service = cycle_.config.agency;
        const AgencyCredentials& credentials = cycle_.settings.agency;
        CreditSearchLoan loan;
        loan.amount = roundHalfEvenInt16(amountAppliedFor());
        loan.termMonths = CreditSearchTermMonths(loan_.repaymentFrequency, loan_.numberOfRepayments);
        loan.singleSearch = cycle_.settings.UATMode || cycle_.settings.profile.singleSearch;
        const QString ns = service.callReport7Namespace;
        const QString request = CreditSearchEnvelope(
            ns, {credentials.CreditReportCompany, credentials.CreditReportUserName, credentials.CreditReportPassword},
            CreditSearchBody(ns, applicant, loan));
        const QString traceName = n_ + QLatin1Char('_') +
                                  formatDate(cycle_.clock().now().date(), QStringLiteral("yyyymmdd")) +
                                  QStringLiteral("_cc.xml");
        const QString tracePath = WriteAgencyTrace(cycle_, session_, app_, traceName, request);
        const QString response = AskAgency(cycle_, session_, app_, QStringLiteral("CallReport7 ") + n_, endpoint(),
                                           ns + QStringLiteral("/Search07a"), request);
        return examine(response, tracePath, person);
    }

    CreditReportOutcome reportProblem(const QString& heading, const QString& detail, const QString& tracePath) {
        session_.ShowException(heading + n_);
        session_.ShowException(detail);
        session_.ShowException(QStringLiteral("Perhaps refer to ") + tracePath);
        KeepAgencyTraceForStaff(session_, app_, tracePath);
        found_.decision = QStringLiteral("F");
        return missing(QStringLiteral("the credit search failed"));
    }

    CreditReportOutcome examine(const QString& response, const QString& tracePath, const CreditSearchPerson& person) {
        const QString drawing = QStringLiteral("Error drawing credit report for member ");
        if (response.contains(QLatin1String("<Error>")))
            return reportProblem(drawing, TextBetween(response, QStringLiteral("<Error>"), QStringLiteral("</Error>")), tracePath);
        if (response.contains(QLatin1String("Error:"))) return reportProblem(drawing, response, tracePath);
        if (response.contains(QLatin1String("<faultstring>")))
            return reportProblem(QStringLiteral("Fault in drawing credit report for member "),
                                 TextBetween(response, QStringLiteral("<faultstring>"), QStringLiteral("</faultstring>")),
                                 tracePath);
        // An empty or cut-off answer is no report: read by the rules, its missing figures
        // would pass the loan unseen.
        if (response.trimmed().isEmpty())
            return reportProblem(drawing, QStringLiteral("The agency's answer is empty"), tracePath);
        if (!IsWellFormedXml(response))
            return reportProblem(drawing, QStringLiteral("The agency's answer is not well-formed XML"), tracePath);
        found_.report = response;
        QString stored = response;
        stored.replace(kDeclaration, kDeclaration + kStylesheet);
        stored.remove(QStringLiteral(" xmlns=\"") + cycle_.config.agency.callReport7Namespace + QLatin1Char('"'));
        const QString filed = StoreAgencyReport(cycle_, session_, app_, member_, kReportKind, stored);
        if (!filed.isEmpty())
            RecordCreditSearch(session_.connections.TarvAudt, app_.identityKey,
                               {member_, person, cycle_.clock().now(),
                                TextBetween(response, QStringLiteral("<jobdetails><searchid>"), QStringLiteral("<")),
                                filed, Sha256Hex((stored + QLatin1Char('\n')).toUtf8())});
        return ended(CreditReportOutcome::Kind::Report);
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    const LoanRequest& loan_;
    const long member_;
    const QString n_;
    CreditReportOutcome found_;
};

}  // namespace

CreditReportOutcome DrawCreditReport(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const LoanRequest& loan, long memberNumber) {
    CreditReportDraw draw(cycle, session, app, loan, memberNumber);
    try {
        return draw.run();
    } catch (const VeltError& e) {
        // A lost or locked database is the pass's to handle: the application stays pending.
        if (e.environmental()) throw;
        session.ShowException(QStringLiteral("Error retrieving credit report for member ") +
                              QString::number(memberNumber) + QStringLiteral(" (") + QString::number(e.number()) +
                              QLatin1Char(')'));
        session.ShowException(e.description());
        return draw.failed();
    }
}

}  // namespace autovelt::assessment
