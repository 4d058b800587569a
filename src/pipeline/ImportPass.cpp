#include "pipeline/ImportPass.h"

#include "assessment/AgencyExchange.h"
#include "comms/ActivityLog.h"
#include "comms/ImporterLog.h"
#include "comms/QueuedEmail.h"
#include "comms/SupportingDocuments.h"
#include "pipeline/OnlineDocumentQueue.h"
#include "common/Values.h"
#include "import/Addresses.h"
#include "import/ApplicationDetailsFile.h"
#include "import/ApplicationIdFile.h"
#include "import/ApplicationIntake.h"
#include "comms/LoanDetailsException.h"
#include "pipeline/DecodedPage.h"
#include "pipeline/MemberImport.h"
#include "pipeline/OnlineReads.h"
#include "import/MemberMatching.h"
#include "pipeline/ApplicationEnd.h"
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

namespace autovelt::inline pipeline {

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
    explicit HeldLines(UnitSession& session) : session_(session) { session_.holdLines(); }
    ~HeldLines() { session_.releaseLines(); }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;

private:
    UnitSession& session_;
};

class ImportPass {
public:
    ImportPass(Importer& importer, long applicationId)
        : im_(importer),
          cycle_(importer),
          session_(importer),
          app_(importer.app),
          namedApplicationId_(applicationId),
          unit_(importer.connections, importer.programFile(QStringLiteral("commit-window.txt")),
                importer.config.batchApplications),
          outbox_(importer.connections.TarvAudt) {}
    void run();

private:
    enum class RowEnd { Next, StopPass };
    struct ImportEnd {
        RowEnd row = RowEnd::Next;
        LoanDecision loanDecision = LoanDecision::AsApplied;
    };
    struct Ended {
        QString key;
        OnlineRowKeys online;
    };
    using ImportRecordsByKey = QHash<QString, ImportRecord>;

    db::Recordset openPage(const QString& afterFieldId);
    ImportRecordsByKey importRecordsOf(db::Recordset& page);
    int countPending();
    RowEnd processRow(const DecodedRow& row, const ImportRecordsByKey& records);
    RowEnd runApplication(const DecodedRow& row, const ImportRecordsByKey& records);
    void awaitAgency(const AgencyRequestAwaited& request);
    ImportEnd importApplication(const std::optional<VeltError>& unreadable);
    bool endedEarlier(const ImportRecordsByKey& records);
    void keepEndedApplication(LoanDecision loanDecision);
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
    bool singleApplicationRun() const { return cycle_.applicationIdOverride != 0; }

    // The pass owns the whole importer: it alone sets how the pass ended and whether the
    // cycle goes on importing. Each step is handed only the parts it works with.
    Importer& im_;
    const CycleContext& cycle_;
    UnitSession& session_;
    ApplicationState& app_;
    const long namedApplicationId_;
    UnitOfWork unit_;
    EffectOutbox outbox_;
    std::vector<Ended> batch_;
    bool inRow_ = false;
    bool leftPending_ = false;
};

QString ImportPass::now() const {
    const QDateTime at = cycle_.clock().now();
    return formatDate(at, QStringLiteral("dd/mm/yyyy")) + QLatin1Char(' ') + formatDate(at, QStringLiteral("hh:mm:ss"));
}

int ImportPass::countPending() {
    if (singleApplicationRun()) return 1;
    db::Recordset rs = session_.connections.OnlineConnection.openRecordset(
        QStringLiteral("SELECT COUNT(*) FROM table_w WHERE field_107='N' ;"), db::readOnlyCursor());
    return rs.eof() ? 0 : rs.value(0).toInt();
}

db::Recordset ImportPass::openPage(const QString& afterFieldId) {
    const QString query = singleApplicationRun()
                              ? QStringLiteral("SELECT * FROM table_w where field_id=") +
                                    QString::number(cycle_.applicationIdOverride) + QStringLiteral(" ;")
                              : QStringLiteral("SELECT * FROM table_w WHERE field_107='N' AND field_id>") +
                                    afterFieldId + QStringLiteral(" ORDER BY field_id LIMIT ") +
                                    QString::number(kPageSize) + QStringLiteral(" ;");
    return session_.connections.OnlineConnection.openRecordset(query, db::readOnlyCursor());
}

// The records of the page's applications that an earlier run ended, read together. A run of
// one named application imports it again whatever it finds, so it reads none.
ImportPass::ImportRecordsByKey ImportPass::importRecordsOf(db::Recordset& page) {
    if (singleApplicationRun()) return {};
    QStringList fieldIds;
    for (; !page.eof(); page.moveNext()) fieldIds << QString::number(page.value(0).toLongLong());
    page.moveFirst();
    return FindImportRecords(session_.connections.TarvAudt, fieldIds);
}

// An application whose values cannot be read can never be imported: refused, it does not
// come back every cycle.
void ImportPass::refuseUnreadable(const VeltError& error) {
    reportError(error.number(), error.description());
    ShowLoanDetailsException(session_, app_);
    const bool failEmail = true;
    UpdateTableWRecord(cycle_, session_, app_, failEmail, QString());
}

// An earlier run ended this application and committed it, but stopped before the website
// row was marked: it is marked now, and nothing of it is done again.
bool ImportPass::endedEarlier(const ImportRecordsByKey& records) {
    const auto record = records.constFind(app_.identityKey);
    if (record == records.constEnd()) return false;
    if (!cycle_.dryRun) MarkOnlineRowsImported(cycle_, session_, {{app_.fieldId, app_.rawField2}});
    const QString line = QStringLiteral("Application was ") + record->outcome +
                         QStringLiteral(" by an earlier run (member ") + QString::number(record->memberNumber) +
                         QStringLiteral("); now marked imported online") + app_.messageSuffix;
    if (record->outcome == QLatin1String("interrupted"))
        session_.ShowException(line);
    else
        session_.ShowSuccess(line);
    return true;
}

// An application that reached its end keeps its rows, and what is to happen after the
// commit is recorded with them: its details file and its rules_log changes online.
void ImportPass::keepEndedApplication(LoanDecision loanDecision) {
    if (app_.outcome.isEmpty()) {
        discardApplication();
        return;
    }
    WriteApplicationDetailsFile(cycle_, session_, app_, app_.memberNumber, loanDecision);
    if (!app_.assessment.rulesLog.isEmpty())
        outbox_.record(app_.identityKey, kRulesLogEffect, app_.assessment.rulesLog.encode(), cycle_.clock().now());
    if (singleApplicationRun()) ForgetImportRecord(session_.connections.TarvAudt, app_.identityKey);
    WriteImportRecord(session_.connections.TarvAudt, app_.identityKey, app_.fieldId, app_.memberNumber, app_.outcome,
                      cycle_.clock().now());
    unit_.keepApplication(app_.identityKey);
    batch_.push_back({app_.identityKey, {app_.fieldId, app_.rawField2}});
}

// The application's rows are undone, and with them everything it was to do after the
// commit: no file of it reaches a member's folder and nothing of it changes online.
void ImportPass::discardApplication() {
    unit_.discardApplication();
    session_.stagedFiles().discard(app_.identityKey);
    app_.assessment.rulesLog = {};
}

ImportPass::ImportEnd ImportPass::importApplication(const std::optional<VeltError>& unreadable) {
    if (unreadable) {
        refuseUnreadable(*unreadable);
        return {};
    }
    app_.addresses = PreloadHomeAddress(
        cycle_, session_, app_, ReadApplicationAddresses(cycle_, session_.connections.OnlineConnection, app_, true));
    if (const std::optional<Refusal> refusal = IncompleteApplicationRefusal(app_)) {
        RefuseApplication(cycle_, session_, app_, *refusal);
        return {};
    }
    session_.ShowStep(QStringLiteral("matching the applicant"));
    const MemberMatch match = MatchApplicant(cycle_, session_, app_);
    app_.memberNumber = match.memberNumber;
    if (match.refusal) {
        RefuseApplication(cycle_, session_, app_, *match.refusal);
        return {};
    }
    session_.ShowStep(QStringLiteral("writing the member"));
    const MemberImportResult imported = ImportMember(cycle_, session_, app_, match);
    if (imported.end == MemberImportEnd::PassStopped) {
        im_.SkipImport = true;
        return {RowEnd::StopPass};
    }
    return {RowEnd::Next, imported.loanDecision};
}

// The application's writes are undone. A value the rules cannot take (an income too large
// for a currency amount, text where a number belongs) fails the same way every time, so
// the application is refused; any other failure leaves it pending for the next cycle.
ImportPass::RowEnd ImportPass::failApplication(const VeltError& error) {
    const bool valueError = error.source() != QLatin1String("Connection");
    if (!valueError) {
        reportError(error.number(), error.description());
        session_.ShowException(
            QStringLiteral("Nothing of the application was saved; it stays pending for the next cycle") +
            app_.messageSuffix);
        leftPending_ = true;
        return RowEnd::Next;
    }
    // A member number this application allocated was undone with it.
    if (app_.newMemberNumber != 0) app_.memberNumber = app_.newMemberNumber = 0;
    app_.outcome.clear();
    unit_.beginApplication(cycle_.clock().now());
    refuseUnreadable(error);
    keepEndedApplication(LoanDecision::AsApplied);
    return RowEnd::Next;
}

ImportPass::RowEnd ImportPass::processRow(const DecodedRow& row, const ImportRecordsByKey& records) {
    ++session_.progress.current;
    session_.progress.total = std::max(session_.progress.total, session_.progress.current);
    const HeldLines held(session_);
    for (int run = 1;; ++run) {
        try {
            return runApplication(row, records);
        } catch (const AgencyRequestAwaited& request) {
            // Nothing of this run stays: the application runs again once the agency answered.
            discardApplication();
            session_.dropHeldLines();
            if (run == kMostRuns)
                throw VeltError(0, QStringLiteral("ImportPass"), QStringLiteral("The application asked the agency more often than it can"))
                    .markEnvironmental();
            session_.releaseLines();
            awaitAgency(request);
            session_.holdLines();
        }
    }
}

ImportPass::RowEnd ImportPass::runApplication(const DecodedRow& row, const ImportRecordsByKey& records) {
    session_.ShowStep(QStringLiteral("reading the application"));
    app_ = ApplicationState{};
    if (row.failure) std::rethrow_exception(row.failure);
    std::optional<VeltError> unreadable = row.error;
    if (row.read) {
        app_ = ApplicationState::StartingFrom(row.read->application);
        unreadable = row.read->unreadable;
    }
    if (!singleApplicationRun() && endedEarlier(records)) return RowEnd::Next;
    unit_.beginApplication(cycle_.clock().now());
    try {
        const ImportEnd ended = importApplication(unreadable);
        if (ended.row == RowEnd::StopPass) {
            discardApplication();
            return RowEnd::StopPass;
        }
        keepEndedApplication(ended.loanDecision);
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
    session_.ShowStep(QStringLiteral("waiting for the agency"));
    SendAwaitedAgencyRequest(cycle_, session_, request);
}

// The batch commits, then its website rows are marked together; a run stopped in between
// finds the import records and marks them then.
void ImportPass::commit() {
    // A cycle with nothing pending passes silently: no progress line in the journal.
    if (session_.progress.current > 0) session_.ShowStep(QStringLiteral("saving"));
    if (cycle_.dryRun) {  // a dry run's batch is never committed
        abandonBatch();
        return;
    }
    unit_.commitBatch();
    if (!singleApplicationRun() && !batch_.empty()) {
        QList<OnlineRowKeys> marked;
        marked.reserve(qsizetype(batch_.size()));
        for (const Ended& ended : batch_) marked << ended.online;
        db::Connection& online = session_.connections.OnlineConnection;
        online.beginTransaction();
        MarkOnlineRowsImported(cycle_, session_, marked);
        online.commitTransaction();
    }
    for (const Ended& ended : batch_) session_.recordedResponses().forget(ended.key);
    batch_.clear();
    performEffects();
}

void ImportPass::performEffects() {
    const QHash<QString, EffectOutbox::Performer> performers{
        {kEmailEffect, [this](const Effect& effect) { return SendQueuedEmail(cycle_, session_, effect); }},
        {kFileEffect, [this](const Effect& effect) { return PerformFileEffect(session_, effect.payload); }},
        {kRulesLogEffect, [this](const Effect& effect) { return applyRulesLog(effect); }}};
    const QHash<QString, EffectOutbox::Preparer> preparers{
        {kEmailEffect, [this](const Effect& effect) { return PrepareQueuedEmail(cycle_, session_, effect); }}};
    const bool mailWasResting = outbox_.resting(kEmailEffect);
    for (const Effect& effect : outbox_.performPending(performers, cycle_.clock().now(), preparers))
        session_.ShowException(QStringLiteral("Gave up on the ") + effect.kind + QStringLiteral(" of application ") +
                               effect.applicationKey + QStringLiteral(" after ") + QString::number(effect.attempts) +
                               QStringLiteral(" attempts"));
    if (!mailWasResting && outbox_.resting(kEmailEffect))
        session_.ShowException(QStringLiteral(
            "The emails still to send in this cycle wait in the outbox for the next one, as sending failed"));
}

bool ImportPass::applyRulesLog(const Effect& effect) {
    try {
        ApplyRulesLogChanges(session_.connections.OnlineConnection, RulesLogChanges::decode(effect.payload));
        return true;
    } catch (const VeltError& e) {
        session_.ShowException(QStringLiteral("Could not update rules_log online for application ") +
                               effect.applicationKey + QStringLiteral(": ") + e.description() + QStringLiteral(" (") +
                               QString::number(e.number()) + QLatin1Char(')'));
        return false;
    }
}

// What a run that was stopped (killed, a power cut) left unfinished.
void ImportPass::recoverInterruptedRun() {
    EnsureImporterTables(session_.connections.TarvAudt);
    const UnitOfWork::InterruptedCommit cut = unit_.interruptedCommit();
    if (!cut.applications.isEmpty()) {
        session_.ShowException(QStringLiteral("The importer stopped while saving applications: saved in ") +
                               cut.committed.join(QStringLiteral(", ")) + QStringLiteral("; not saved in ") +
                               cut.notCommitted.join(QStringLiteral(", ")) +
                               QStringLiteral(". They are not imported again; please check them: ") +
                               cut.applications.join(QStringLiteral(", ")));
        QStringList fieldIds;
        for (const QString& key : cut.applications) fieldIds << FieldIdOfApplicationKey(key);
        const ImportRecordsByKey recorded = FindImportRecords(session_.connections.TarvAudt, fieldIds);
        for (const QString& key : cut.applications)
            if (!recorded.contains(key))
                WriteImportRecord(session_.connections.TarvAudt, key, FieldIdOfApplicationKey(key), 0,
                                  QStringLiteral("interrupted"), cycle_.clock().now());
        unit_.clearInterruptedCommit();
    }
    // Filing a staged file and removing a filed document from the website are safe to
    // repeat, an email written to the pickup folder tells whether it was delivered; anything
    // else under way is left for a person.
    const QHash<QString, EffectOutbox::Settler> settlers{
        {kEmailEffect, [this](const Effect& effect) { return SettleQueuedEmail(cycle_, effect); }}};
    for (const Effect& effect :
         outbox_.settleInterrupted({kFileEffect, kDocumentEffect}, settlers, cycle_.clock().now()))
        session_.ShowException(
            QStringLiteral("The ") + effect.kind + QStringLiteral(" of application ") + effect.applicationKey +
            QStringLiteral(" was under way when the importer stopped; it is not repeated: please check "
                           "whether it happened"));
    performEffects();
    // Files staged by applications that never committed (a run stopped before the commit).
    session_.stagedFiles().removeAllExcept(outbox_.applicationsWaitingFor(kFileEffect));
}

void ImportPass::finish(bool fetchDocuments) {
    if (cycle_.dryRun) {
        if (fetchDocuments)
            session_.ShowSuccess(QStringLiteral("Dry run: uploaded documents waiting in member_docs are not fetched"));
        session_.ShowSuccess(QStringLiteral("Join+Borrow process completed at ") + now());
        session_.ShowSuccess(QStringLiteral("Dry run: nothing was saved, sent or filed"));
        return;
    }
    if (fetchDocuments) {
        OnlineDocumentQueue queue(session_.connections.OnlineConnection);
        DownloadSupportingDocuments(cycle_, session_, queue);
    }
    session_.ShowSuccess(QStringLiteral("Join+Borrow process completed at ") + now());
    RecordActivityLog(cycle_, session_, true);
}

// The open batch is undone, with everything its applications were to do after the commit.
void ImportPass::abandonBatch() {
    for (const Ended& ended : batch_) session_.stagedFiles().discard(ended.key);
    batch_.clear();
    unit_.abandonBatch();
}

void ImportPass::finishWithoutApplications() {
    if (session_.connections.OnlineConnection
            .openRecordset(QStringLiteral("SELECT * FROM member_docs ;"), db::readOnlyCursor())
            .eof())
        return;
    session_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
    finish(true);
}

// The error exit's two lines; the description names the application while one is read.
void ImportPass::reportError(long number, const QString& description) {
    session_.ShowException(QStringLiteral("Error in Join+Borrow import routine (") + QString::number(number) +
                           QLatin1Char(')'));
    session_.ShowException(inRow_ ? description + app_.messageSuffix : description);
}

// A failure that is not about one application: the open batch is undone, its
// applications stay pending, and the pass stops.
void ImportPass::stopOnFailure(long number, const QString& description) {
    const bool lostBatch = !batch_.empty();
    if (inRow_) session_.stagedFiles().discard(app_.identityKey);
    abandonBatch();
    reportError(number, description);
    if (lostBatch)
        session_.ShowException(QStringLiteral("The applications of the unsaved batch stay pending for the next cycle"));
    if (cycle_.writesImporterLogs)
        WriteImporterLogFile(cycle_.programFolder(), cycle_.clock().now(),
                             QStringLiteral("(Import Error) - ") + description + QStringLiteral(" (") +
                                 QString::number(number) + QLatin1Char(')'));
    im_.lastPassEnd = Importer::PassEnd::StoppedOnFailure;
}

void ImportPass::run() {
    im_.lastPassEnd = Importer::PassEnd::NotRun;
    if (im_.SkipImport) return;
    // The override serves one run only: the next pass reads pending applications again.
    im_.applicationIdOverride = 0;
    if (namedApplicationId_ != 0) im_.applicationIdOverride = ApplicationIdOrNone(double(namedApplicationId_));
    else if (!cycle_.dryRun)
        im_.applicationIdOverride = ReadApplicationIdFile(cycle_);
    try {
        // What a stopped run left is put right by the next real cycle, not by a dry run.
        if (!cycle_.dryRun) recoverInterruptedRun();
        session_.progress = {0, countPending(), QString()};
        bool started = false;
        bool stopped = false;
        QString lastFieldId = QStringLiteral("-1");
        while (!stopped) {
            db::Recordset rows = openPage(lastFieldId);
            if (rows.eof()) break;
            const ImportRecordsByKey records = importRecordsOf(rows);
            DecodedPage decoded(cycle_, rows);
            for (qsizetype index = 0; !rows.eof() && !stopped; rows.moveNext(), ++index) {
                lastFieldId = QString::number(rows.value(0).toLongLong());
                if (!started) session_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
                started = true;
                if (im_.stopRequested) {
                    stopped = true;
                    break;
                }
                inRow_ = true;
                if (processRow(decoded.row(index), records) == RowEnd::StopPass) {
                    commit();
                    im_.lastPassEnd = Importer::PassEnd::StoppedOnFailure;
                    return;
                }
                inRow_ = false;
                if (unit_.batchDue(cycle_.clock().now())) commit();
            }
            if (singleApplicationRun()) break;
        }
        commit();
        if (started) session_.ShowStep(QStringLiteral("finishing the pass"));
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

}  // namespace autovelt::pipeline
