#include "assessment/IdentityCheck.h"

#include "assessment/AgencyExchange.h"
#include "assessment/AgencyReportFile.h"
#include "assessment/AgencyTrace.h"
#include "assessment/IdentityCheckAnswer.h"
#include "assessment/IdentityCheckRequest.h"
#include "common/PrintableText.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "comms/AuditTrail.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <exception>

namespace autovelt::inline assessment {

namespace {

const QString kJoin = QStringLiteral("JOIN");
const QString kPassKeyword = QStringLiteral("EIDV PASS");
const QString kFailKeyword = QStringLiteral("EIDV FAIL");

IdentityCheckMember memberOf(const db::Recordset& row) {
    IdentityCheckMember m;
    m.title = row.text(QStringLiteral("Title"));
    m.forename = row.text(QStringLiteral("Forename"));
    m.midname = row.text(QStringLiteral("Midname"));
    m.surname = row.text(QStringLiteral("Surname"));
    m.dateOfBirth = row.date(QStringLiteral("DOB"));
    m.line1 = row.text(QStringLiteral("Line1"));
    m.line2 = row.text(QStringLiteral("Line2"));
    m.line3 = row.text(QStringLiteral("Line3"));
    m.line4 = row.text(QStringLiteral("Line4"));
    m.postcode = row.text(QStringLiteral("PostCode"));
    m.paf = ReadPafColumns(row);
    m.phoneNumber = row.text(QStringLiteral("PhoneNumber"));
    m.mobileNumber = row.text(QStringLiteral("MobileNumber"));
    m.effectiveFrom = row.date(QStringLiteral("EffectiveFrom"));
    return m;
}

// One run of the check for one member of the current application; what it finds is its
// outcome.
class IdentityCheck {
public:
    IdentityCheck(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, long memberNumber,
                  QString creditRuleBand)
        : cycle_(cycle),
          session_(session),
          app_(app),
          n_(memberNumber),
          member_(QString::number(memberNumber)),
          creditRuleBand_(std::move(creditRuleBand)) {}

    void run();
    // What the check found, so far when it stopped.
    const IdentityCheckOutcome& outcome() const { return outcome_; }

private:
    bool underSixteen();
    std::optional<QString> band();
    std::optional<IdentityCheckRequest> request(const IdentityCheckTarget& target);
    QString ask(const IdentityCheckTarget& target, const QString& request);
    void record(const QString& answer, const QString& band, const IdentityCheckRequest& request);
    void downgrade(IdentityAnswer& read, IdentityDowngrade why);
    void recordOutcome(const IdentityAnswer& read, const QString& band);
    void writeIdProof(const IdentityAnswer& read);
    void recordUnableToCheck(const QString& answer);

    void problem(const QString& line) { session_.ShowException(line + app_.messageSuffix); }
    void success(const QString& line) { session_.ShowSuccess(line + app_.messageSuffix); }
    void webLog(const QString& activity, const QString& keyword) {
        AddWebLogEntry(cycle_, session_, app_, activity, kJoin, keyword, member_);
    }
    void rulesLine(const QString& rest) { outcome_.summary.append(member_ + QStringLiteral("|CR10A|P-P|") + rest); }
    // A failed check lowers the decision by its band, as the application's decision is.
    void applyBand(const QString& band) { outcome_.letter = DecisionAfterIdentityCheck(outcome_.letter, band); }
    // The application's identity result with what this check changes.
    IdentityResult& identity() {
        if (!outcome_.identity) outcome_.identity = app_.identity;
        return *outcome_.identity;
    }
    // An answer may quote what it was sent; the password never reaches a report line.
    QString withoutPassword(const QString& text) const {
        return withoutSecret(text, cycle_.settings.agency.IdentityCheckPassword);
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    const long n_;
    const QString member_;
    const QString creditRuleBand_;
    IdentityCheckOutcome outcome_;
};

bool IdentityCheck::underSixteen() {
    const std::optional<QDate> born = app_.dateOfBirth();
    if (!born) throw VeltError(13, QStringLiteral("RunIdentityCheck"), QStringLiteral("Type mismatch"));
    if (dateDiffYears(*born, cycle_.passDate()) >= 16) return false;
    identity().status = QStringLiteral("PASS");
    identity().reference = QStringLiteral("N/A");
    return true;
}

// The letter a failed check gives the decision; nothing when no check is to be made.
std::optional<QString> IdentityCheck::band() {
    if (app_.field[tw::ApplicationCode] == QLatin1String("4")) return std::nullopt;
    // The credit rules hand over the band of the CR10A rule they are evaluating; otherwise
    // the active CR10A rule decides whether a check is made at all.
    QString band = creditRuleBand_;
    if (band.isEmpty()) {
        const db::Recordset rule = session_.connections.TarvAudt.openRecordset(
            QStringLiteral("SELECT * FROM CRRules WHERE rulecode='CR10A' and ruleactive=true ;"),
            db::clientReadOnlyCursor());
        if (rule.eof()) return std::nullopt;
        if (band.isEmpty()) band = rule.text(QStringLiteral("RuleBand"));
    }
    return band.trimmed().isEmpty() ? QStringLiteral("F") : band;
}

std::optional<IdentityCheckRequest> IdentityCheck::request(const IdentityCheckTarget& target) {
    db::Connection& main = session_.connections.TarvMain;
    const db::Recordset row = main.openRecordset(
        QStringLiteral("SELECT Title, Forename, Midname, Surname, DOB, Line1, Line2, Line3, Line4, PostCode, "
                       "Line5, MemberStatus, MemberStatus2, MemberStatus3, PAFFlatNumber, PAFBuildingName, "
                       "PAFBuildingNumber, PAFStreet1, PAFStreet2, PAFTown, PAFCounty, PAFPostCode, "
                       "PhoneNumber, MobileNumber, EmailAddress, EffectiveFrom FROM MemberMain INNER JOIN "
                       "MemberAddress ON MemberMain.Memberno=MemberAddress.MemberNo WHERE (Membermain.MemberNo=") +
        member_ + QStringLiteral(") AND (MemberAddress.AddressType='HOME')"),
        db::clientReadOnlyCursor());
    if (row.eof()) {
        problem(QStringLiteral("Member ") + member_ + QStringLiteral(" failed ID search due to no address."));
        return std::nullopt;
    }
    const AgencyCredentials& agency = cycle_.settings.agency;
    IdentityCheckRequest r;
    r.company = agency.IdentityCheckCompany;
    r.userName = agency.IdentityCheckUserName;
    r.password = agency.IdentityCheckPassword;
    r.applicationName = target.applicationName;
    r.memberNumber = n_;
    r.member = memberOf(row);
    r.email = app_.addresses.applicantEmail;
    r.sortCode = app_.addresses.sortCode;
    r.accountNumber = app_.addresses.accountNumber;
    r.passDate = cycle_.passDate();
    if (PreviousAddressWanted(r.member, r.passDate)) {
        const db::Recordset previous = main.openRecordset(
            QStringLiteral("SELECT * FROM MemberAddress WHERE AddressType='HOMEPREV1' AND MemberNo=") + member_ +
            QStringLiteral(" ;"),
            db::clientReadOnlyCursor());
        if (!previous.eof()) r.previousAddress = ReadPafColumns(previous);
    }
    return r;
}

QString IdentityCheck::ask(const IdentityCheckTarget& target, const QString& request) {
    if (target.url.isEmpty())
        return QStringLiteral("Error: 0 - No host is set for the agency's identity check: [agency] ") +
               (target.testServer ? QStringLiteral("callvalidate_test_host") : QStringLiteral("callvalidate_live_host")) +
               QStringLiteral(" in autovelt.ini");
    return AskAgency(cycle_, session_, app_, QStringLiteral("CallValidate ") + member_, target.url, QString(), request);
}

void IdentityCheck::downgrade(IdentityAnswer& read, IdentityDowngrade why) {
    struct Reason {
        IdentityDowngrade why;
        const char* line;
        const char* activity;
    };
    static const Reason kReasons[] = {
        {IdentityDowngrade::BankDetails, " now a failed ID search due to bank detail anomaly.", "bank detail anomaly"},
        {IdentityDowngrade::InsufficientDetail, " now a failed ID search due to insufficient detail.  Review report.",
         "insufficient detail"},
        {IdentityDowngrade::PepMatch, " now a failed ID search due to PEP match.", "PEP match"},
        {IdentityDowngrade::SanctionsMatch, " now a failed ID search due to sanctions match.", "sanctions match"}};
    for (const Reason& reason : kReasons) {
        if (reason.why != why) continue;
        // The score recorded stays the agency's own, so staff see how near the check came.
        read.result = QStringLiteral("Fail");
        problem(QStringLiteral("Member ") + member_ + QLatin1String(reason.line));
        webLog(QStringLiteral("Member eIDV result changed to FAIL status due to ") + QLatin1String(reason.activity),
               kFailKeyword);
    }
    if (why != IdentityDowngrade::BankDetails) return;
    // Kept before the bank row is touched: should what follows fail, the loan's payout
    // still waits for staff.
    identity().failedOnBank = true;
    session_.connections.TarvMain.execute(
        QStringLiteral("UPDATE MemberAddress SET YesNo=False WHERE AddressType='BANK1' AND MemberNo=") + member_ +
        QStringLiteral(" ;"));
}

void IdentityCheck::recordOutcome(const IdentityAnswer& read, const QString& band) {
    if (read.result == QLatin1String("Pass")) {
        success(QStringLiteral("Member ") + member_ + QStringLiteral(" passed ID search."));
        webLog(QStringLiteral("Member applied to join and eIDV returned PASS status"), kPassKeyword);
        rulesLine(QStringLiteral("P|P|"));
        return;
    }
    problem(QStringLiteral("Member ") + member_ + QStringLiteral(" failed ID search."));
    webLog(QStringLiteral("Member applied to join but eIDV returned FAIL status"), kFailKeyword);
    rulesLine(QStringLiteral("F|") + band + QLatin1Char('|'));
    applyBand(band);
}

void IdentityCheck::writeIdProof(const IdentityAnswer& read) {
    db::Recordset proof = session_.connections.TarvID.openRecordset(
        QStringLiteral("SELECT * FROM IDProof WHERE MemberNo=") + member_ + QStringLiteral(" ;"), db::keysetCursor());
    if (proof.eof()) {
        proof.addNew();
        proof.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(n_));
    }
    // The agency's texts are cut to the columns that hold them.
    const QString id = (QStringLiteral("TU IDV-") + read.result + QStringLiteral(" Score [") + read.score +
                        QLatin1Char(']')).left(50);
    const QString ref = read.pid.left(50);
    const QString by = cycle_.txtTeller.left(30);
    const bool passed = read.result == QLatin1String("Pass");
    proof.setValue(QStringLiteral("AddressID"), id);
    proof.setValue(QStringLiteral("AddressRef"), ref);
    proof.setValue(QStringLiteral("AddressDate"), cycle_.passDate());
    proof.setValue(QStringLiteral("AddressBy"), by);
    proof.setValue(QStringLiteral("PhotoID"), passed ? id : QString());
    proof.setValue(QStringLiteral("PhotoRef"), passed ? ref : QString());
    proof.setValue(QStringLiteral("PhotoDate"), cycle_.passDate());
    proof.setValue(QStringLiteral("PhotoBy"), by);
    proof.update();
}

void IdentityCheck::recordUnableToCheck(const QString& answer) {
    problem(QStringLiteral("Member ") + member_ + QStringLiteral(" unable to perform ID search"));
    webLog(QStringLiteral("Member applied to join but eIDV failed so FAIL status assumed"), kFailKeyword);
    rulesLine(QStringLiteral("F|F|"));
    applyBand(QStringLiteral("F"));
    identity().unableToCheck = true;
    if (const std::optional<QString> refusal = RefusalText(answer))
        problem(QStringLiteral("Unable to perform ID search-") + withoutPassword(*refusal));
}

void IdentityCheck::record(const QString& answer, const QString& band, const IdentityCheckRequest& request) {
    StoreAgencyReport(cycle_, session_, app_, n_, QStringLiteral("MEMBERID"), FiledIdentityAnswer(answer));
    IdentityAnswer read = ReadIdentityAnswer(answer);
    bool failedOnBank = false;
    if (read.result == QLatin1String("Pass")) {
        const IdentityDowngrade why = DowngradeOf(answer, SendsBankDetails(request), request.applicationName);
        downgrade(read, why);
        failedOnBank = why == IdentityDowngrade::BankDetails;
    }
    recordOutcome(read, band);
    if (!read.hasResult) {
        recordUnableToCheck(answer);
        return;
    }
    writeIdProof(read);
    outcome_.identity = IdentityResult{read.result, read.score, read.pid, failedOnBank};
}

void IdentityCheck::run() {
    if (cycle_.settings.agency.IdentityCheckUserName.isEmpty()) return;
    if (underSixteen()) return;
    const std::optional<QString> failBand = band();
    if (!failBand) return;
    const IdentityCheckTarget target =
        ChooseIdentityCheckTarget(cycle_.settings.agency, cycle_.settings.UATMode, cycle_.config.agency);
    const std::optional<IdentityCheckRequest> r = request(target);
    if (!r) return;
    // The last request of a member stays, its password masked, so staff can see what was asked.
    const QString document = ComposeIdentityCheckRequest(*r);
    WriteAgencyTrace(cycle_, session_, app_,
                     member_ + QLatin1Char('_') + formatDate(cycle_.clock().now(), QStringLiteral("yyyymmdd")) +
                         QStringLiteral("_CV.xml"),
                     document);
    record(ask(target, document), *failBand, *r);
}

}  // namespace

QString DecisionAfterIdentityCheck(const QString& decision, const QString& letter) {
    if (letter == QLatin1String("F")) return letter;
    if (letter == QLatin1String("R") && decision != QLatin1String("F")) return letter;
    return decision;
}

void TakeIdentityCheck(ApplicationState& app, const IdentityCheckOutcome& outcome) {
    if (outcome.identity) app.identity = *outcome.identity;
    app.assessment.summary += outcome.summary;
    if (!outcome.letter.isEmpty())
        app.assessment.decision = DecisionAfterIdentityCheck(app.decisionLetter(), outcome.letter);
}

IdentityCheckOutcome RunIdentityCheck(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                      long memberNumber, const QString& creditRuleBand) {
    IdentityCheck check(cycle, session, app, memberNumber, creditRuleBand);
    try {
        check.run();
    } catch (const VeltError& e) {
        // A lost or locked database is the pass's to handle: the application stays pending.
        if (e.environmental()) throw;
        session.ShowException(QStringLiteral("Error ") + QString::number(e.number()) + QStringLiteral(" (") +
                              e.description() + QStringLiteral(") in procedure RunIdentityCheck") + app.messageSuffix);
    } catch (const std::exception& e) {
        session.ShowException(QStringLiteral("Error 0 (") + QString::fromUtf8(e.what()) +
                              QStringLiteral(") in procedure RunIdentityCheck") + app.messageSuffix);
    }
    return check.outcome();
}

}  // namespace autovelt::assessment
