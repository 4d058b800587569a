#include "pipeline/ImportPass.h"

#include "assessment/AgencyExchange.h"
#include "comms/ActivityLog.h"
#include "comms/ImporterLog.h"
#include "comms/QueuedEmail.h"
#include "comms/SupportingDocuments.h"
#include "common/Values.h"
#include "import/Addresses.h"
#include "import/ApplicationDetailsFile.h"
#include "import/ApplicationIdFile.h"
#include "import/ApplicationIntake.h"
#include "comms/LoanDetailsException.h"
#include "pipeline/MemberImport.h"
#include "import/MemberMatching.h"
#include "import/OnlineMarking.h"
#include "import/Refusal.h"
#include "state/EffectOutbox.h"
#include "state/FileAfterCommit.h"
#include "state/RulesLogChanges.h"
#include "state/ImportRecords.h"
#include "state/Importer.h"
#include "state/UnitOfWork.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace autovelt {

namespace {

// Pending applications are read in pages, so a long queue never sits in memory at once.
constexpr int kPageSize = 500;

// An application asks the agency at most twice (identity check, credit search), so it runs
// at most three times; a request named anew on every run (a member number taken by
// another program meanwhile) must not keep asking.
constexpr int kMostRuns = 4;

// The application's report lines are shown when it ends, each once.
class HeldLines {
public:
    explicit HeldLines(Importer& importer) : importer_(importer) { importer_.holdLines(); }
    ~HeldLines() { importer_.releaseLines(); }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;

private:
    Importer& importer_;
};

class ImportPass {
public:
    ImportPass(Importer& importer, long applicationId)
        : im_(importer),
          namedApplicationId_(applicationId),
          unit_(importer.connections, importer.programFile(QStringLiteral("commit-window.txt")),
                importer.config.batchApplications),
          outbox_(importer.connections.TarvAudt) {}
    void run();

private:
    enum class RowEnd { Next, StopPass };
    struct ImportEnd {
        RowEnd row = RowEnd::Next;
        LoanDecision loan = LoanDecision::AsApplied;
    };
    struct Ended {
        QString key;
        OnlineRowKeys online;
    };
    using ImportRecordsByKey = QHash<QString, ImportRecord>;

    db::Recordset openPage(const QString& afterFieldId);
    ImportRecordsByKey importRecordsOf(db::Recordset& page);
    int countPending();
    RowEnd processRow(const db::Recordset& row, const ImportRecordsByKey& records);
    RowEnd runApplication(const db::Recordset& row, const ImportRecordsByKey& records);
    void awaitAgency(const AgencyRequestAwaited& request);
    ImportEnd importApplication(const std::optional<VeltError>& unreadable);
    bool endedEarlier(const ImportRecordsByKey& records);
    void keepEndedApplication(LoanDecision loan);
    void discardApplication();
    RowEnd failApplication(const VeltError& error);
    void refuseUnreadable(const VeltError& error);
    void commit();
    void performEffects();
    void abandonBatch();
    bool applyRulesLog(const Effect& effect);
    void recoverInterruptedRun();
    void finish(bool fetchDocuments);
    void finishWithoutApplications();
    void stopOnFailure(long number, const QString& description);
    void reportError(long number, const QString& description);
    QString now() const;
    bool singleApplicationRun() const { return im_.applicationIdOverride != 0; }

    Importer& im_;
    const long namedApplicationId_;
    UnitOfWork unit_;
    EffectOutbox outbox_;
    std::vector<Ended> batch_;
    bool inRow_ = false;
    bool leftPending_ = false;
};

QString ImportPass::now() const {
    const QDateTime at = im_.clock().now();
    return formatDate(at, QStringLiteral("dd/mm/yyyy")) + QLatin1Char(' ') + formatDate(at, QStringLiteral("hh:mm:ss"));
}

int ImportPass::countPending() {
    if (singleApplicationRun()) return 1;
    db::Recordset rs = im_.connections.OnlineConnection.openRecordset(
        QStringLiteral("SELECT COUNT(*) FROM table_w WHERE field_107='N' ;"), db::readOnlyCursor());
    return rs.eof() ? 0 : rs.value(0).toInt();
}

db::Recordset ImportPass::openPage(const QString& afterFieldId) {
    const QString query = singleApplicationRun()
                              ? QStringLiteral("SELECT * FROM table_w where field_id=") +
                                    QString::number(im_.applicationIdOverride) + QStringLiteral(" ;")
                              : QStringLiteral("SELECT * FROM table_w WHERE field_107='N' AND field_id>") + afterFieldId +
                                    QStringLiteral(" ORDER BY field_id LIMIT ") + QString::number(kPageSize) +
                                    QStringLiteral(" ;");
    return im_.connections.OnlineConnection.openRecordset(query, db::readOnlyCursor());
}

// The records of the page's applications that an earlier run ended, read together. A run of
// one named application imports it again whatever it finds, so it reads none.
ImportPass::ImportRecordsByKey ImportPass::importRecordsOf(db::Recordset& page) {
    if (singleApplicationRun()) return {};
    QStringList fieldIds;
    for (; !page.eof(); page.moveNext()) fieldIds << QString::number(page.value(0).toLongLong());
    page.moveFirst();
    return FindImportRecords(im_.connections.TarvAudt, fieldIds);
}

// An application whose values cannot be read can never be imported: refused, it does not
// come back every cycle.
void ImportPass::refuseUnreadable(const VeltError& error) {
    reportError(error.number(), error.description());
    ShowLoanDetailsException(im_);
    const bool failEmail = true;
    UpdateTableWRecord(im_, failEmail, QString());
}

// An earlier run ended this application and committed it, but stopped before the website
// row was marked: it is marked now, and nothing of it is done again.
bool ImportPass::endedEarlier(const ImportRecordsByKey& records) {
    const auto record = records.constFind(im_.app.identityKey);
    if (record == records.constEnd()) return false;
    if (!im_.dryRun) MarkOnlineRowsImported(im_, {{im_.app.fieldId, im_.app.rawField2}});
    const QString line = QStringLiteral("Application was ") + record->outcome + QStringLiteral(" by an earlier run (member ") +
                         QString::number(record->memberNumber) + QStringLiteral("); now marked imported online") +
                         im_.app.messageSuffix;
    if (record->outcome == QLatin1String("interrupted")) im_.ShowException(line);
    else im_.ShowSuccess(line);
    return true;
}

// An application that reached its end keeps its rows, and what is to happen after the
// commit is recorded with them: its details file and its rules_log changes online.
void ImportPass::keepEndedApplication(LoanDecision loan) {
    if (im_.app.outcome.isEmpty()) {
        discardApplication();
        return;
    }
    WriteApplicationDetailsFile(im_, im_.app.memberNumber, loan);
    if (!im_.app.rulesLog.isEmpty())
        outbox_.record(im_.app.identityKey, kRulesLogEffect, im_.app.rulesLog.encode(), im_.clock().now());
    if (singleApplicationRun()) ForgetImportRecord(im_.connections.TarvAudt, im_.app.identityKey);
    WriteImportRecord(im_.connections.TarvAudt, im_.app.identityKey, im_.app.fieldId, im_.app.memberNumber,
                      im_.app.outcome, im_.clock().now());
    unit_.keepApplication(im_.app.identityKey);
    batch_.push_back({im_.app.identityKey, {im_.app.fieldId, im_.app.rawField2}});
}

// The application's rows are undone, and with them everything it was to do after the
// commit: no file of it reaches a member's folder and nothing of it changes online.
void ImportPass::discardApplication() {
    unit_.discardApplication();
    im_.stagedFiles().discard(im_.app.identityKey);
    im_.app.rulesLog = {};
}

ImportPass::ImportEnd ImportPass::importApplication(const std::optional<VeltError>& unreadable) {
    if (unreadable) {
        refuseUnreadable(*unreadable);
        return {};
    }
    PreloadHomeAddress(im_);
    if (const std::optional<Refusal> refusal = IncompleteApplicationRefusal(im_.app)) {
        RefuseApplication(im_, *refusal);
        return {};
    }
    im_.ShowStep(QStringLiteral("matching the applicant"));
    const MemberMatch match = MatchApplicant(im_);
    im_.ShowStep(QStringLiteral("writing the member"));
    if (match.refused) return {};
    const MemberImportResult imported = ImportMember(im_, match);
    if (imported.end == MemberImportEnd::PassStopped) return {RowEnd::StopPass};
    return {RowEnd::Next, imported.loan};
}

// The application's writes are undone. A value the rules cannot take (an income too large
// for a currency amount, text where a number belongs) fails the same way every time, so
// the application is refused; any other failure leaves it pending for the next cycle.
ImportPass::RowEnd ImportPass::failApplication(const VeltError& error) {
    const bool valueError = error.source() != QLatin1String("Connection");
    if (!valueError) {
        reportError(error.number(), error.description());
        im_.ShowException(QStringLiteral("Nothing of the application was saved; it stays pending for the next cycle") +
                          im_.app.messageSuffix);
        leftPending_ = true;
        return RowEnd::Next;
    }
    // A member number this application allocated was undone with it.
    if (im_.app.newMemberNumber != 0) im_.app.memberNumber = im_.app.newMemberNumber = 0;
    im_.app.outcome.clear();
    unit_.beginApplication(im_.clock().now());
    refuseUnreadable(error);
    keepEndedApplication(LoanDecision::AsApplied);
    return RowEnd::Next;
}

ImportPass::RowEnd ImportPass::processRow(const db::Recordset& row, const ImportRecordsByKey& records) {
    ++im_.progress.current;
    im_.progress.total = std::max(im_.progress.total, im_.progress.current);
    const HeldLines held(im_);
    for (int run = 1;; ++run) {
        try {
            return runApplication(row, records);
        } catch (const AgencyRequestAwaited& request) {
            // Nothing of this run stays: the application runs again once the agency answered.
            discardApplication();
            im_.dropHeldLines();
            if (run == kMostRuns)
                throw VeltError(0, QStringLiteral("ImportPass"), QStringLiteral("The application asked the agency more often than it can"))
                    .markEnvironmental();
            im_.releaseLines();
            awaitAgency(request);
            im_.holdLines();
        }
    }
}

ImportPass::RowEnd ImportPass::runApplication(const db::Recordset& row, const ImportRecordsByKey& records) {
    im_.ShowStep(QStringLiteral("reading the application"));
    std::optional<VeltError> unreadable;
    try {
        ReadApplicationRow(im_, row);
    } catch (const VeltError& error) {
        unreadable = error;
    }
    if (!singleApplicationRun() && endedEarlier(records)) return RowEnd::Next;
    unit_.beginApplication(im_.clock().now());
    try {
        const ImportEnd ended = importApplication(unreadable);
        if (ended.row == RowEnd::StopPass) {
            discardApplication();
            return RowEnd::StopPass;
        }
        keepEndedApplication(ended.loan);
    } catch (const VeltError& error) {
        discardApplication();
        if (error.environmental()) throw;
        if (failApplication(error) == RowEnd::StopPass) return RowEnd::StopPass;
    }
    return RowEnd::Next;
}

// The batch so far is committed before the request leaves: no core banking lock is held
// while the agency answers, however long it takes.
void ImportPass::awaitAgency(const AgencyRequestAwaited& request) {
    commit();
    im_.ShowStep(QStringLiteral("waiting for the agency"));
    SendAwaitedAgencyRequest(im_, request);
}

// The batch commits, then its website rows are marked together; a run stopped in between
// finds the import records and marks them then.
void ImportPass::commit() {
    // A cycle with nothing pending passes silently: no progress line in the journal.
    if (im_.progress.current > 0) im_.ShowStep(QStringLiteral("saving"));
    if (im_.dryRun) {  // a dry run's batch is never committed
        abandonBatch();
        return;
    }
    unit_.commitBatch();
    if (!singleApplicationRun() && !batch_.empty()) {
        QList<OnlineRowKeys> marked;
        marked.reserve(qsizetype(batch_.size()));
        for (const Ended& ended : batch_) marked << ended.online;
        db::Connection& online = im_.connections.OnlineConnection;
        online.beginTransaction();
        MarkOnlineRowsImported(im_, marked);
        online.commitTransaction();
    }
    for (const Ended& ended : batch_) im_.recordedResponses().forget(ended.key);
    batch_.clear();
    performEffects();
}

void ImportPass::performEffects() {
    const QHash<QString, EffectOutbox::Performer> performers{
        {kEmailEffect, [this](const Effect& effect) { return SendQueuedEmail(im_, effect); }},
        {kFileEffect, [this](const Effect& effect) { return PerformFileEffect(im_, effect.payload); }},
        {kRulesLogEffect, [this](const Effect& effect) { return applyRulesLog(effect); }}};
    const QHash<QString, EffectOutbox::Preparer> preparers{
        {kEmailEffect, [this](const Effect& effect) { return PrepareQueuedEmail(im_, effect); }}};
    const bool mailWasResting = outbox_.resting(kEmailEffect);
    for (const Effect& effect : outbox_.performPending(performers, im_.clock().now(), preparers))
        im_.ShowException(QStringLiteral("Gave up on the ") + effect.kind + QStringLiteral(" of application ") +
                          effect.applicationKey + QStringLiteral(" after ") + QString::number(effect.attempts) +
                          QStringLiteral(" attempts"));
    if (!mailWasResting && outbox_.resting(kEmailEffect))
        im_.ShowException(QStringLiteral("The emails still to send in this cycle wait in the outbox for the next one, as sending failed"));
}

bool ImportPass::applyRulesLog(const Effect& effect) {
    try {
        ApplyRulesLogChanges(im_.connections.OnlineConnection, RulesLogChanges::decode(effect.payload));
        return true;
    } catch (const VeltError& e) {
        im_.ShowException(QStringLiteral("Could not update rules_log online for application ") + effect.applicationKey +
                          QStringLiteral(": ") + e.description() + QStringLiteral(" (") + QString::number(e.number()) +
                          QLatin1Char(')'));
        return false;
    }
}

// What a run that was stopped (killed, a power cut) left unfinished.
void ImportPass::recoverInterruptedRun() {
    EnsureImporterTables(im_.connections.TarvAudt);
    const UnitOfWork::InterruptedCommit cut = unit_.interruptedCommit();
    if (!cut.applications.isEmpty()) {
        im_.ShowException(QStringLiteral("The importer stopped while saving applications: saved in ") +
                          cut.committed.join(QStringLiteral(", ")) + QStringLiteral("; not saved in ") +
                          cut.notCommitted.join(QStringLiteral(", ")) +
                          QStringLiteral(". They are not imported again; please check them: ") +
                          cut.applications.join(QStringLiteral(", ")));
        QStringList fieldIds;
        for (const QString& key : cut.applications) fieldIds << FieldIdOfApplicationKey(key);
        const ImportRecordsByKey recorded = FindImportRecords(im_.connections.TarvAudt, fieldIds);
        for (const QString& key : cut.applications)
            if (!recorded.contains(key))
                WriteImportRecord(im_.connections.TarvAudt, key, FieldIdOfApplicationKey(key), 0,
                                  QStringLiteral("interrupted"), im_.clock().now());
        unit_.clearInterruptedCommit();
    }
    // Filing a staged file and removing a filed document from the website are safe to
    // repeat, an email written to the pickup folder tells whether it was delivered; anything
    // else under way is left for a person.
    const QHash<QString, EffectOutbox::Settler> settlers{
        {kEmailEffect, [this](const Effect& effect) { return SettleQueuedEmail(im_, effect); }}};
    for (const Effect& effect : outbox_.settleInterrupted({kFileEffect, kDocumentEffect}, settlers, im_.clock().now()))
        im_.ShowException(QStringLiteral("The ") + effect.kind + QStringLiteral(" of application ") + effect.applicationKey +
                          QStringLiteral(" was under way when the importer stopped; it is not repeated: please check "
                                         "whether it happened"));
    performEffects();
    // Files staged by applications that never committed (a run stopped before the commit).
    im_.stagedFiles().removeAllExcept(outbox_.applicationsWaitingFor(kFileEffect));
}

void ImportPass::finish(bool fetchDocuments) {
    if (im_.dryRun) {
        if (fetchDocuments) im_.ShowSuccess(QStringLiteral("Dry run: uploaded documents waiting in member_docs are not fetched"));
        im_.ShowSuccess(QStringLiteral("Join+Borrow process completed at ") + now());
        im_.ShowSuccess(QStringLiteral("Dry run: nothing was saved, sent or filed"));
        return;
    }
    if (fetchDocuments) DownloadSupportingDocuments(im_);
    im_.ShowSuccess(QStringLiteral("Join+Borrow process completed at ") + now());
    RecordActivityLog(im_, true);
}

// The open batch is undone, with everything its applications were to do after the commit.
void ImportPass::abandonBatch() {
    for (const Ended& ended : batch_) im_.stagedFiles().discard(ended.key);
    batch_.clear();
    unit_.abandonBatch();
}

void ImportPass::finishWithoutApplications() {
    if (im_.connections.OnlineConnection.openRecordset(QStringLiteral("SELECT * FROM member_docs ;"), db::readOnlyCursor()).eof())
        return;
    im_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
    finish(true);
}

// The error exit's two lines; the description names the application while one is read.
void ImportPass::reportError(long number, const QString& description) {
    im_.ShowException(QStringLiteral("Error in Join+Borrow import routine (") + QString::number(number) + QLatin1Char(')'));
    im_.ShowException(inRow_ ? description + im_.app.messageSuffix : description);
}

// A failure that is not about one application: the open batch is undone, its
// applications stay pending, and the pass stops.
void ImportPass::stopOnFailure(long number, const QString& description) {
    const bool lostBatch = !batch_.empty();
    if (inRow_) im_.stagedFiles().discard(im_.app.identityKey);
    abandonBatch();
    reportError(number, description);
    if (lostBatch)
        im_.ShowException(QStringLiteral("The applications of the unsaved batch stay pending for the next cycle"));
    if (im_.writesImporterLogs)
        WriteImporterLogFile(im_.programFolder(), im_.clock().now(), QStringLiteral("(Import Error) - ") + description + QStringLiteral(" (") + QString::number(number) +
                             QLatin1Char(')'));
    im_.lastPassEnd = Importer::PassEnd::StoppedOnFailure;
}

void ImportPass::run() {
    im_.lastPassEnd = Importer::PassEnd::NotRun;
    if (im_.SkipImport) return;
    // The override serves one run only: the next pass reads pending applications again.
    im_.applicationIdOverride = 0;
    if (namedApplicationId_ != 0) im_.applicationIdOverride = ApplicationIdOrNone(double(namedApplicationId_));
    else if (!im_.dryRun) ReadApplicationIdFile(im_);
    try {
        // What a stopped run left is put right by the next real cycle, not by a dry run.
        if (!im_.dryRun) recoverInterruptedRun();
        im_.progress = {0, countPending(), QString()};
        bool started = false;
        bool stopped = false;
        QString lastFieldId = QStringLiteral("-1");
        while (!stopped) {
            db::Recordset rows = openPage(lastFieldId);
            if (rows.eof()) break;
            const ImportRecordsByKey records = importRecordsOf(rows);
            for (; !rows.eof() && !stopped; rows.moveNext()) {
                lastFieldId = QString::number(rows.value(0).toLongLong());
                if (!started) im_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
                started = true;
                if (im_.stopRequested) {
                    stopped = true;
                    break;
                }
                inRow_ = true;
                if (processRow(rows, records) == RowEnd::StopPass) {
                    commit();
                    im_.lastPassEnd = Importer::PassEnd::StoppedOnFailure;
                    return;
                }
                inRow_ = false;
                if (unit_.batchDue(im_.clock().now())) commit();
            }
            if (singleApplicationRun()) break;
        }
        commit();
        if (started) im_.ShowStep(QStringLiteral("finishing the pass"));
        if (!started) finishWithoutApplications();
        else finish(!stopped);
        im_.lastPassEnd = stopped       ? Importer::PassEnd::StoppedOnRequest
                          : leftPending_ ? Importer::PassEnd::LeftPending
                                         : Importer::PassEnd::Completed;
    } catch (const VeltError& error) {
        stopOnFailure(error.number(), error.description());
    } catch (const std::exception& error) {
        stopOnFailure(0, QString::fromLocal8Bit(error.what()));
    }
}

}  // namespace

void RunImportPass(Importer& importer, long applicationId) { ImportPass(importer, applicationId).run(); }

}  // namespace autovelt
