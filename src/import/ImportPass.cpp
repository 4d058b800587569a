#include "import/ImportPass.h"

#include "app/ControlSettings.h"
#include "app/Importer.h"
#include "comms/ActivityLog.h"
#include "comms/SupportingDocuments.h"
#include "common/Values.h"
#include "import/Addresses.h"
#include "import/ApplicationDetailsFile.h"
#include "import/ApplicationIdFile.h"
#include "import/ApplicationIntake.h"
#include "import/ImportJournal.h"
#include "import/LoanDetailsException.h"
#include "import/MemberImport.h"
#include "import/MemberMatching.h"
#include "import/OnlineMarking.h"

#include <exception>

namespace autovelt {

namespace {

enum class RowOutcome { Done, PassStopped };

class ImportPass {
public:
    explicit ImportPass(Importer& importer) : im_(importer), journal_(importer) {}
    void run();

private:
    db::Recordset openPendingApplications();
    RowOutcome importRow(const db::Recordset& row);
    void refuseUnreadable(const VeltError& error);
    void finish(bool fetchDocuments);
    void finishWithoutApplications();
    void errorExit(long number, const QString& description);
    QString now() const;

    Importer& im_;
    ImportJournal journal_;
    bool inRow_ = false;
};

QString ImportPass::now() const {
    const QDateTime at = im_.clock().now();
    return formatDate(at, QStringLiteral("dd/mm/yyyy")) + QLatin1Char(' ') + formatDate(at, QStringLiteral("hh:mm:ss"));
}

db::Recordset ImportPass::openPendingApplications() {
    const QString query = im_.applicationIdOverride != 0
                              ? QStringLiteral("SELECT * FROM table_w where field_id=") +
                                    QString::number(im_.applicationIdOverride) + QStringLiteral(" ;")
                              : QStringLiteral("SELECT * FROM table_w WHERE field_107='N' ORDER BY field_id ;");
    return im_.connections.OnlineConnection.openRecordset(query, db::readOnlyCursor());
}

// An application whose member number or upload key cannot be decoded can never be
// imported; left pending it would stop every later pass at the same row.
void ImportPass::refuseUnreadable(const VeltError& error) {
    im_.ShowException(QStringLiteral("Error in Join+Borrow import routine (") + QString::number(error.number()) +
                      QLatin1Char(')'));
    im_.ShowException(error.description() + im_.app.messageSuffix);
    ShowLoanDetailsException(im_);
    bool failEmail = true;
    UpdateTableWRecord(im_, failEmail, QString());
}

RowOutcome ImportPass::importRow(const db::Recordset& row) {
    // A note prepared for one application must never reach another member's diary.
    im_.diaryText.clear();
    try {
        ReadApplicationRow(im_, row);
    } catch (const VeltError& error) {
        refuseUnreadable(error);
        WriteApplicationDetailsFile(im_, im_.app.memberNumber);
        return RowOutcome::Done;
    }
    PreloadHomeAddress(im_);
    if (!RefuseIncompleteApplication(im_)) {
        const std::optional<JournalEntry> resume = ResumableImport(im_, journal_);
        if (!resume) MatchApplicant(im_);
        if (!im_.app.skip && ImportMember(im_, journal_, resume) == MemberImportResult::PassStopped)
            return RowOutcome::PassStopped;
    }
    WriteApplicationDetailsFile(im_, im_.app.memberNumber);
    return RowOutcome::Done;
}

void ImportPass::finish(bool fetchDocuments) {
    if (fetchDocuments) DownloadSupportingDocuments(im_);
    im_.ShowSuccess(QStringLiteral("Join+Borrow process completed at ") + now());
    RecordActivityLog(im_, true);
}

void ImportPass::finishWithoutApplications() {
    if (im_.connections.OnlineConnection.openRecordset(QStringLiteral("SELECT * FROM member_docs ;"), db::readOnlyCursor()).eof())
        return;
    im_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
    finish(true);
}

void ImportPass::errorExit(long number, const QString& description) {
    im_.ShowException(QStringLiteral("Error in Join+Borrow import routine (") + QString::number(number) + QLatin1Char(')'));
    im_.ShowException(inRow_ ? description + im_.app.messageSuffix : description);
}

void ImportPass::run() {
    // A manual run outside a cycle opens its own connections.
    if (!im_.connections.OnlineConnection.isOpen()) LoadControlSettings(im_);
    if (im_.SkipImport) return;
    // The override serves one run only: the next pass reads pending applications again.
    im_.applicationIdOverride = 0;
    ReadApplicationIdFile(im_);
    try {
        db::Recordset rows = openPendingApplications();
        if (rows.eof()) {
            finishWithoutApplications();
            return;
        }
        im_.ShowSuccess(QStringLiteral("Join+Borrow import process started at ") + now());
        for (; !rows.eof(); rows.moveNext()) {
            if (im_.stopRequested) {
                finish(false);
                return;
            }
            inRow_ = true;
            if (importRow(rows) == RowOutcome::PassStopped) return;
            inRow_ = false;
        }
        finish(true);
    } catch (const VeltError& error) {
        errorExit(error.number(), error.description());
    } catch (const std::exception& error) {
        errorExit(0, QString::fromLocal8Bit(error.what()));
    }
}

}  // namespace

void cmdMembers_Click(Importer& importer) { ImportPass(importer).run(); }

}  // namespace autovelt
