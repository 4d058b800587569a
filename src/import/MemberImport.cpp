#include "import/MemberImport.h"

#include "app/Importer.h"
#include "assessment/IdentityCheck.h"
#include "comms/AuditTrail.h"
#include "comms/ImporterLog.h"
#include "comms/MemberEmails.h"
#include "common/Values.h"
#include "import/Addresses.h"
#include "import/MemberMainRecord.h"
#include "import/MemberNumbers.h"
#include "import/MemberRecords.h"
#include "import/OnlineMarking.h"
#include "import/TestCrashPoint.h"
#include "loans/FirstRepaymentDate.h"
#include "loans/LoanPass.h"
#include "loans/PayProfiles.h"
#include "loans/ShareBalance.h"

namespace autovelt {

namespace {

db::Recordset memberRow(Importer& importer, long memberNumber) {
    return importer.connections.TarvMain.openRecordset(
        importer.sql(QStringLiteral("SELECT * FROM MemberMain WHERE MemberNo=") + QString::number(memberNumber) +
                     QStringLiteral(" ;")),
        db::clientReadOnlyCursor());
}

class MemberImport {
public:
    MemberImport(Importer& importer, ImportJournal& journal, const std::optional<JournalEntry>& resume)
        : im_(importer), app_(importer.app), journal_(journal), resumed_(resume.has_value()) {
        if (resume) entry_ = *resume;
    }

    MemberImportResult run();

private:
    bool isNew() const { return app_.newMemberNumber != 0; }
    QString member() const { return QString::number(app_.memberNumber); }
    // True when an earlier, interrupted run of this application got past the stage.
    bool reached(ImportStage stage) const { return resumed_ && entry_.stage >= stage; }
    void advance(ImportStage stage);

    bool decideMemberNumber();
    void stopAtMemberNumberLimit();
    void restoreFromJournal();
    void writeMember();
    void checkIdentity();
    void welcomeNewMember();
    void runLoanPass();

    Importer& im_;
    ApplicationState& app_;
    ImportJournal& journal_;
    JournalEntry entry_;
    bool resumed_;
};

void MemberImport::advance(ImportStage stage) {
    if (reached(stage)) return;
    entry_.stage = stage;
    journal_.write(entry_);
}

// Returns false when no member number is left.
bool MemberImport::decideMemberNumber() {
    if (app_.memberNumber == 0) {
        const long long next = NextMemberNumber(im_);
        if (next > kHighestMemberNumber) return false;
        app_.memberNumber = app_.newMemberNumber = static_cast<long>(next);
    }
    entry_ = JournalEntry{app_.fieldId, app_.memberNumber, isNew(), app_.rejoin, ImportStage::Started, {}, {}, {}};
    journal_.write(entry_);
    return true;
}

void MemberImport::stopAtMemberNumberLimit() {
    const QString line = QStringLiteral("Member number limit exceeded - cannot import any further");
    im_.ShowException(line);
    WriteImporterLogFile(im_.programFolder(), im_.clock().now(), line);
    im_.SkipImport = true;
}

void MemberImport::restoreFromJournal() {
    app_.memberNumber = entry_.memberNumber;
    app_.newMemberNumber = entry_.newMember ? entry_.memberNumber : 0;
    app_.rejoin = entry_.rejoin;
}

void MemberImport::writeMember() {
    if (reached(ImportStage::MemberWritten)) {
        app_.field[11] = memberRow(im_, app_.memberNumber).text(QStringLiteral("MemberStatus"));
        return;
    }
    MemberRowWrite write = MemberRowWrite::Refresh;
    if (isNew() || memberRow(im_, app_.memberNumber).eof()) write = MemberRowWrite::Create;
    else if (app_.rejoin) write = MemberRowWrite::Reinstate;
    WriteMemberMain(im_, write);
    TestCrashPoint("member-written");
    advance(ImportStage::MemberWritten);
}

void MemberImport::checkIdentity() {
    if (!isNew() || !app_.isJoinOnly()) return;
    const bool checked = reached(ImportStage::IdentityChecked);
    if (checked) {
        // Checked by the interrupted run: its result stands, and is reported again, as the
        // report of that run was lost with it.
        app_.field[31] = entry_.identityStatus;
        app_.field[33] = entry_.identityReference;
        app_.field[46] = entry_.amountAppliedFor;
    } else {
        if (app_.field[31].isEmpty()) RunIdentityCheck(im_, app_.memberNumber);
        if (app_.field[31].isEmpty()) {
            app_.field[31] = QStringLiteral("FAIL");
            app_.field[33] = QStringLiteral("UNSET");
        }
    }
    const QString status = app_.field[31].toUpper();
    if (status.startsWith(QLatin1String("FAIL")) || status.startsWith(QLatin1String("REFER"))) {
        im_.ShowException(QStringLiteral("Member ") + member() + QStringLiteral(" had Status of ") + app_.field[31] +
                          QStringLiteral(" from eIDV."));
        im_.ShowException(QStringLiteral("Member ") + member() + QStringLiteral(" eIDV ref is ") + app_.field[33] +
                          QLatin1Char('.'));
        app_.field[46] = QStringLiteral("0.00");
    }
    if (checked) return;
    entry_.identityStatus = app_.field[31];
    entry_.identityReference = app_.field[33];
    entry_.amountAppliedFor = app_.field[46];
    advance(ImportStage::IdentityChecked);
}

void MemberImport::welcomeNewMember() {
    const CycleSettings& settings = im_.settings;
    const QString product = app_.field[11] == QLatin1String("J") ? settings.JSProductCode : settings.OSProductCode;
    if (!reached(ImportStage::ShareBalanceWritten)) {
        // A resumed run may have stopped between the row and the journal.
        if (!resumed_ || !HoldsBalanceOf(im_, app_.memberNumber, product))
            WriteOpeningShareBalance(im_, app_.memberNumber, product, im_.passDate());
        TestCrashPoint("share-balance-written");
        advance(ImportStage::ShareBalanceWritten);
    }
    im_.Pause(0.5);
    if (app_.isJoinOnly()) {
        im_.LoanDetails = {};
        FirstRepaymentDate(im_);
        BuildSavingsPayProfile(im_);
        if (!reached(ImportStage::JoinEmailSent)) {
            SendJoinEmail(im_);
            advance(ImportStage::JoinEmailSent);
        }
    }
    const bool announced = reached(ImportStage::MemberAnnounced);
    if (!announced)
        AddChangeRecord(im_, QStringLiteral("New member ") + member() + QStringLiteral(" auto added via VeltImporter"), false,
                        member());
    im_.ShowSuccess(QStringLiteral("Added new member ") + member() + QStringLiteral(" - ") + app_.field[6] +
                    app_.messageSuffix);
    if (!announced) {
        if (app_.isJoinOnly())
            AddWebLogEntry(im_, QStringLiteral("New member ") + member() + QStringLiteral(" auto added via VeltImporter"),
                           QStringLiteral("JOIN"), QStringLiteral("NEW"), member());
        else
            AddWebLogEntry(im_,
                           QStringLiteral("New member & borrower ") + member() + QStringLiteral(" auto added via VeltImporter"),
                           QStringLiteral("JOINBORROW"), QStringLiteral("NEW"), member());
    }
    advance(ImportStage::MemberAnnounced);
}

void MemberImport::runLoanPass() {
    if (leadingNumber(app_.field[46]) == 0) return;
    if (resumed_) {
        // The interrupted run got as far as the loan application: a second loan pass would
        // find it pending and refuse the applicant.
        db::Recordset pending = im_.connections.TarvTran.openRecordset(
            im_.sql(QStringLiteral("SELECT ID FROM LoanAllocation WHERE MemberNo=") + member() +
                    QStringLiteral(" AND Posted=False ;")),
            db::clientReadOnlyCursor());
        if (!pending.eof()) return;
    }
    cmdLoan_Click(im_);
}

MemberImportResult MemberImport::run() {
    if (resumed_) restoreFromJournal();
    else if (!decideMemberNumber()) {
        stopAtMemberNumberLimit();
        return MemberImportResult::PassStopped;
    }
    writeMember();
    ImportAddresses(im_);
    WriteMemberUDF(im_);
    if (isNew()) WriteMemberPassword(im_);
    checkIdentity();
    WriteMemberEmployment(im_);
    if (!app_.isJoinOnly()) WriteMemberCircumstance(im_);
    if (isNew()) welcomeNewMember();
    runLoanPass();
    TestCrashPoint("before-marking");
    bool failEmail = false;
    UpdateTableWRecord(im_, failEmail, QString());
    TestCrashPoint("after-marking");
    journal_.clear();
    return MemberImportResult::Imported;
}

}  // namespace

MemberImportResult ImportMember(Importer& importer, ImportJournal& journal, const std::optional<JournalEntry>& resume) {
    return MemberImport(importer, journal, resume).run();
}

std::optional<JournalEntry> ResumableImport(Importer& importer, const ImportJournal& journal) {
    std::optional<JournalEntry> entry = journal.read();
    if (!entry || entry->fieldId != importer.app.fieldId) return std::nullopt;
    if (memberRow(importer, entry->memberNumber).eof()) return std::nullopt;
    return entry;
}

}  // namespace autovelt
