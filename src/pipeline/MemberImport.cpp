#include "pipeline/MemberImport.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "assessment/IdentityCheck.h"
#include "comms/AuditTrail.h"
#include "comms/ImporterLog.h"
#include "comms/MemberEmails.h"
#include "common/Values.h"
#include "import/Addresses.h"
#include "import/MemberMainRecord.h"
#include "import/MemberNumbers.h"
#include "import/MemberRecords.h"
#include "pipeline/ApplicationEnd.h"
#include "pipeline/OnlineReads.h"
#include "loans/FirstRepaymentDate.h"
#include "pipeline/LoanPass.h"
#include "loans/PayProfiles.h"
#include "loans/ShareBalance.h"

namespace autovelt::inline pipeline {

namespace {

db::Recordset memberRow(UnitSession& session, long memberNumber) {
    return session.connections.TarvMain.openRecordset(QStringLiteral("SELECT * FROM MemberMain WHERE MemberNo=") +
                                                          QString::number(memberNumber) + QStringLiteral(" ;"),
                                                      db::clientReadOnlyCursor());
}

class MemberImport {
public:
    MemberImport(const CycleContext& cycle, UnitSession& session, ApplicationState& app, const MemberMatch& match)
        : cycle_(cycle), session_(session), app_(app), match_(match) {}

    MemberImportResult run();

private:
    bool isNew() const { return app_.newMemberNumber != 0; }
    QString member() const { return QString::number(app_.memberNumber); }
    bool decideMemberNumber();
    void stopAtMemberNumberLimit();
    void writeMember();
    LoanDecision checkIdentity();
    void welcomeNewMember();
    void runLoanPass(LoanDecision loanDecision);

    const CycleContext& cycle_;
    UnitSession& session_;
    ApplicationState& app_;
    const MemberMatch match_;
};

// Returns false when no member number is left.
bool MemberImport::decideMemberNumber() {
    if (app_.memberNumber == 0) {
        const long long next = NextMemberNumber(session_);
        if (next > kHighestMemberNumber) return false;
        app_.memberNumber = app_.newMemberNumber = static_cast<long>(next);
    }
    return true;
}

void MemberImport::stopAtMemberNumberLimit() {
    const QString line = QStringLiteral("Member number limit exceeded - cannot import any further");
    session_.ShowException(line);
    if (cycle_.writesImporterLogs) WriteImporterLogFile(cycle_.programFolder(), cycle_.clock().now(), line);
}

void MemberImport::writeMember() {
    MemberRowWrite write = MemberRowWrite::Refresh;
    if (isNew() || memberRow(session_, app_.memberNumber).eof())
        write = MemberRowWrite::Create;
    else if (match_.rejoin) write = MemberRowWrite::Reinstate;
    app_.memberStatus = WriteMemberMain(cycle_, session_, app_, write);
}

// A new member joining only is checked here; an identity that fails or refers withholds
// any loan the application asks for.
LoanDecision MemberImport::checkIdentity() {
    if (!isNew() || !app_.isJoinOnly()) return LoanDecision::AsApplied;
    IdentityResult& identity = app_.identity;
    if (identity.status.isEmpty()) TakeIdentityCheck(app_, RunIdentityCheck(cycle_, session_, app_, app_.memberNumber));
    if (identity.status.isEmpty()) {
        identity.status = QStringLiteral("FAIL");
        identity.reference = QStringLiteral("UNSET");
    }
    const QString status = identity.status.toUpper();
    if (status.startsWith(QLatin1String("FAIL")) || status.startsWith(QLatin1String("REFER"))) {
        session_.ShowException(QStringLiteral("Member ") + member() + QStringLiteral(" had Status of ") +
                               identity.status + QStringLiteral(" from eIDV."));
        session_.ShowException(QStringLiteral("Member ") + member() + QStringLiteral(" eIDV ref is ") +
                               identity.reference + QLatin1Char('.'));
        return LoanDecision::Withheld;
    }
    return LoanDecision::AsApplied;
}

void MemberImport::welcomeNewMember() {
    const CycleSettings& settings = cycle_.settings;
    const QString product =
        app_.membershipStatus() == QLatin1String("J") ? settings.JSProductCode : settings.OSProductCode;
    WriteOpeningShareBalance(session_, app_.memberNumber, product, cycle_.passDate());
    cycle_.Pause(0.5);
    if (app_.isJoinOnly()) {
        // A member who only joins has no loan; the savings schedule starts on the date
        // the first repayment would fall.
        LoanPassState joining;
        FirstRepaymentDate(joining.LoanDetails, cycle_.passDate(), cycle_.startup.chkSQL);
        BuildSavingsPayProfile(cycle_, session_, app_, joining);
        app_.loan = joining;
        SendJoinEmail(cycle_, session_, app_);
    }
    AddChangeRecord(cycle_, session_, app_,
                    QStringLiteral("New member ") + member() + QStringLiteral(" auto added via VeltImporter"), false,
                    member());
    session_.ShowSuccess(QStringLiteral("Added new member ") + member() + QStringLiteral(" - ") +
                         app_.field[tw::Surname] + app_.messageSuffix);
    if (app_.isJoinOnly())
        AddWebLogEntry(cycle_, session_, app_,
                       QStringLiteral("New member ") + member() + QStringLiteral(" auto added via VeltImporter"),
                       QStringLiteral("JOIN"), QStringLiteral("NEW"), member());
    else
        AddWebLogEntry(
            cycle_, session_, app_,
            QStringLiteral("New member & borrower ") + member() + QStringLiteral(" auto added via VeltImporter"),
            QStringLiteral("JOINBORROW"), QStringLiteral("NEW"), member());
}

// Ends the application: imported, or refused with the loan pass's skip message and the
// failure email when the loan is refused (the member written above stays).
void MemberImport::runLoanPass(LoanDecision loanDecision) {
    std::optional<QString> skip;
    if (loanDecision == LoanDecision::AsApplied && app_.loanAmount() != 0)
        skip = RunLoanPass(cycle_, session_, app_);
    const bool failEmail = skip.has_value();
    UpdateTableWRecord(cycle_, session_, app_, failEmail, skip.value_or(QString()));
}

MemberImportResult MemberImport::run() {
    if (!decideMemberNumber()) {
        stopAtMemberNumberLimit();
        return {MemberImportEnd::PassStopped};
    }
    writeMember();
    app_.addresses =
        ImportAddresses(cycle_, session_, app_, match_,
                        ReadApplicationAddresses(cycle_, session_.connections.OnlineConnection, app_, false), app_.addresses);
    WriteMemberUDF(cycle_, session_, app_);
    if (isNew()) WriteMemberPassword(cycle_, session_, app_);
    const LoanDecision loanDecision = checkIdentity();
    WriteMemberEmployment(cycle_, session_, app_);
    if (!app_.isJoinOnly()) app_.annualIncomeWithOthers = WriteMemberCircumstance(cycle_, session_, app_);
    if (isNew()) welcomeNewMember();
    runLoanPass(loanDecision);
    return {MemberImportEnd::Imported, loanDecision};
}

}  // namespace

MemberImportResult ImportMember(const CycleContext& cycle, UnitSession& session, ApplicationState& app,
                                const MemberMatch& match) {
    return MemberImport(cycle, session, app, match).run();
}

}  // namespace autovelt::pipeline
