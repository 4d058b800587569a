#include "comms/SupportingDocuments.h"

#include "comms/AuditTrail.h"
#include "comms/ImporterLog.h"
#include "common/MemberFolder.h"
#include "common/OnlineDecoding.h"
#include "common/PrivateFiles.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "state/DocumentRecords.h"
#include "state/EffectOutbox.h"
#include "state/ImportRecords.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "state/UnitOfWork.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <optional>
#include <unistd.h>

namespace autovelt::inline comms {

namespace {

const QString kUploadFolder = QStringLiteral("/join+borrow/supporting-uploads/");

struct Loan {
    QString id;
    QString loanNumber;
    long memberNumber = 0;
    bool posted = false;
};

// Where and under which name a fetched document is filed.
struct Filing {
    long memberNumber = 0;
    QString title;  // as reported
    QString kind;
    QString baseName;
    QString extension;
};

// The extension of the last part of a name, "\" and "/" both separating parts.
QString extensionOf(const QString& fileName) {
    const QString last = fileName.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : last.mid(dot + 1);
}

QString withExtension(const QString& base, const QString& extension) {
    return extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
}

QString folderKindOf(const QString& category) {
    const QString cut = category.left(8);
    if (cut.compare(QLatin1String("LOANAPP"), Qt::CaseInsensitive) == 0) return QStringLiteral("Loans");
    if (cut.compare(QLatin1String("WEBAPP"), Qt::CaseInsensitive) == 0) return QStringLiteral("MemberID");
    return cut;
}

bool isMembershipDocument(const QString& category) {
    return category.compare(QLatin1String("WEBAPP"), Qt::CaseInsensitive) == 0;
}

// Kind folders the importer keeps its own agency answers in (credit reports are read back
// from theirs). An upload whose category would name one is filed under "UPLOAD-" and that
// name instead, so nothing an applicant sends is ever taken for an agency answer.
const QStringList kImporterKinds = {QStringLiteral("CREDITCH"), QStringLiteral("MEMBERID")};

QString uploadKindOf(const QString& category) {
    const QString kind = CleanFileNamePart(folderKindOf(category), QStringLiteral("Other"));
    const QString cut = category.left(8);
    if (cut.compare(QLatin1String("LOANAPP"), Qt::CaseInsensitive) == 0 || isMembershipDocument(cut)) return kind;
    static const QRegularExpression kBlanksAndDots(QStringLiteral("[\\s.]"));
    const QString compared = QString(kind).remove(kBlanksAndDots).toUpper();
    return kImporterKinds.contains(compared) ? QStringLiteral("UPLOAD-") + kind : kind;
}

// The identity of a queued document: its row id and a fingerprint of the row as the
// website wrote it, so a row whose id is given to another upload is another document.
QString documentKeyOf(qlonglong id, const QueuedDocument& row) {
    const QByteArray written = (row.memberNo + QChar(0x1F) + row.category + QChar(0x1F) + row.fileName + QChar(0x1F) + row.title).toUtf8();
    return QStringLiteral("document-") + QString::number(id) + QLatin1Char('-') +
           QString::fromLatin1(QCryptographicHash::hash(written, QCryptographicHash::Sha256).toHex().left(16));
}

// Where a document waits, in its final folder, between its fetch and the commit of its
// receipt: a name of its own, so a run stopped before the commit leaves nothing that the
// next run would file a second time.
QString stagedPathOf(const QString& folder, const QString& documentKey) {
    return QDir(folder).filePath(QStringLiteral(".incoming-") + documentKey);
}

// The document effect: the filed document is moved into place, then removed from the
// website (the server file, then its row). Performing it twice does no harm.
struct FiledDocument {
    qlonglong id = 0;
    QString fileName;
    QString staged;
    QString filedAs;
};

QString encodeFiledDocument(const FiledDocument& d) {
    const QJsonObject o{{QStringLiteral("id"), d.id},
                        {QStringLiteral("fileName"), d.fileName},
                        {QStringLiteral("staged"), d.staged},
                        {QStringLiteral("filedAs"), d.filedAs}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

FiledDocument decodeFiledDocument(const QString& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload.toUtf8()).object();
    return {o.value(QStringLiteral("id")).toInteger(), o.value(QStringLiteral("fileName")).toString(),
            o.value(QStringLiteral("staged")).toString(), o.value(QStringLiteral("filedAs")).toString()};
}

class DocumentDownload {
public:
    explicit DocumentDownload(const CycleContext& cycle, UnitSession& session, DocumentQueue& queue)
        : cycle_(cycle), session_(session), queue_(queue) {}

    void run() {
        if (cycle_.settings.ScanLocation.isEmpty()) return;
        try {
            // Nothing queued: the FTP server is not contacted at all.
            QList<QueuedDocument> documents = queuedDocuments();
            if (documents.isEmpty() || !connect()) return;
            EnsureImporterTables(session_.connections.TarvAudt);
            EnsureDocumentRecords(session_.connections.TarvAudt);
            // What an earlier run filed and left on the website; finishing it removes rows.
            if (performFilings()) documents = queuedDocuments();
            for (const QueuedDocument& document : documents) handleOrSkip(document);
        } catch (const VeltError& error) {
            session_.ShowException(QStringLiteral("Unable to interpret loan application images (") +
                                   QString::number(error.number()) + QLatin1Char(')'));
        }
    }

private:
    void problemAndLog(const QString& line) {
        session_.ShowException(line);
        WriteImporterLogFile(cycle_.programFolder(), cycle_.clock().now(), line);
    }

    bool connect() {
        db::Recordset rs =
            session_.connections.TarvMain.openRecordset(QStringLiteral("SELECT * FROM ControlSwitches ;"));
        if (rs.eof()) {
            problemAndLog(QStringLiteral("Unable to retrieve website credentials - cannot download images at this time"));
            return false;
        }
        FtpEndpoint endpoint;
        endpoint.host = rs.text(QStringLiteral("webip")).trimmed();
        endpoint.user = rs.text(QStringLiteral("webun")).trimmed();
        endpoint.password = rs.text(QStringLiteral("WEBPORT")).trimmed();
        endpoint.port = cycle_.config.ftpPort;
        endpoint.passive = !cycle_.config.ftpActiveAddresses.contains(endpoint.host) ||
                           QFileInfo::exists(cycle_.programFile(QStringLiteral("ftp.txt")));
        endpoint.maxFileBytes = qint64(cycle_.config.maxDocumentMb) * 1024 * 1024;
        endpoint.lowSpeedBytes = cycle_.config.ftpLowSpeedBytes;
        endpoint.lowSpeedSeconds = cycle_.config.ftpLowSpeedSeconds;
        endpoint.tls = cycle_.config.ftpTls == FtpTls::Off    ? FtpEndpoint::Tls::Off
                       : cycle_.config.ftpTls == FtpTls::Auto ? FtpEndpoint::Tls::Auto
                                                              : FtpEndpoint::Tls::Required;
        endpoint.caFile = cycle_.config.ftpCaFile;
        server_ = endpoint.host;
        ftp_.emplace(endpoint);
        if (!ftp_->usable()) {
            problemAndLog(QStringLiteral("(1) Unable to establish internet connection - cannot download images at this time"));
            return false;
        }
        static const QRegularExpression kHost(QStringLiteral("^[A-Za-z0-9_.:-]+$"));
        const FtpResult reached =
            kHost.match(server_).hasMatch()
                ? ChangeFtpDirectory(*ftp_, kUploadFolder, server_)
                : FtpResult{FtpResult::Outcome::Failed, QStringLiteral("the server address is not valid")};
        if (!reached.ok()) {
            problemAndLog(QStringLiteral("(2) Unable to establish internet connection - cannot download images at this time"));
            session_.ShowException(QStringLiteral("The FTP server ") + server_ + QStringLiteral(" answered: ") +
                                   reached.reason);
            return false;
        }
        if (!ftp_->encrypted())
            session_.ShowException(
                QStringLiteral("Warning: the FTP server ") + server_ +
                QStringLiteral(" is used without TLS: documents and the web password travel unencrypted"));
        return true;
    }

    QList<QueuedDocument> queuedDocuments() { return queue_.queued(); }

    // A row that cannot be read is left for a person; the rows after it are still fetched.
    void handleOrSkip(const QueuedDocument& row) {
        try {
            handle(row);
        } catch (const VeltError& error) {
            if (error.environmental()) throw;
            skipUnreadable(row.id, error.description() + QStringLiteral(" (") + QString::number(error.number()) + QLatin1Char(')'));
        }
    }

    void skipUnreadable(const QString& id, const QString& why) {
        session_.ShowException(QStringLiteral("The member_docs row with ID ") + id +
                               QStringLiteral(" cannot be read: ") + why +
                               QStringLiteral("; it is skipped and stays in the queue for a person"));
    }

    void handle(const QueuedDocument& row) {
        bool numericId = false;
        const qlonglong id = row.id.toLongLong(&numericId);
        if (!numericId) {
            session_.ShowException(QStringLiteral("A member_docs row has the id ") + row.id +
                                   QStringLiteral(", which is not a number; it is left alone"));
            return;
        }
        const QString idText = QString::number(id);
        const QString key = DecodeOnlineNumber(row.memberNo, cycle_.config.codeTables);
        const QString category = DecodeOnlineField(row.category, cycle_.config.codeTables);
        if (category.trimmed().isEmpty()) return skipUnreadable(idText, QStringLiteral("its category is empty"));
        // Only a plain name of the upload folder ever reaches the server, for a fetch or a delete.
        if (!row.fileName.isEmpty() && !FtpSession::isSendableName(row.fileName)) {
            session_.ShowException(
                QStringLiteral("The file name of member_docs ID") + idText +
                QStringLiteral(" is not a plain name of the upload folder; nothing is fetched or deleted and it "
                               "stays in the queue for a person"));
            return;
        }
        const QString documentKey = documentKeyOf(id, row);
        if (const std::optional<DocumentRecord> record =
                FindDocumentRecord(session_.connections.TarvAudt, documentKey)) {
            finishEarlierFiling(row, id, documentKey, *record);
            return;
        }
        Filing filing;
        std::optional<Loan> loan;
        if (!isMembershipDocument(category)) {
            loan = loanWithKey(key);
            if (!loan) {
                session_.ShowException(QStringLiteral("Unable to locate member with document upload key of ") + key +
                                       QStringLiteral(" with category ") + category + QStringLiteral(" with ID ") +
                                       idText + QStringLiteral(". Loan must not exist."));
                deleteRow(id);
                if (!row.fileName.isEmpty()) removeRemote(row.fileName);
                return;
            }
            filing.memberNumber = loan->memberNumber;
            if (loan->posted)
                session_.ShowException(QStringLiteral("Member ") + QString::number(loan->memberNumber) +
                                       QStringLiteral(" supplied supporting document with upload key of ") + key +
                                       QStringLiteral(" for loan ") + loan->loanNumber +
                                       QStringLiteral(" but this application is closed."));
        } else {
            filing.memberNumber = long(leadingNumber(key));
            if (filing.memberNumber <= 0) return skipUnreadable(idText, QStringLiteral("its member number is not a number"));
        }
        if (row.fileName.isEmpty()) {
            deleteRow(id);
            return;
        }
        fetchAndFile(row, id, documentKey, category, filing, loan);
    }

    void fetchAndFile(const QueuedDocument& row, qlonglong id, const QString& documentKey, const QString& category,
                      Filing& filing, const std::optional<Loan>& loan) {
        const QString idText = QString::number(id);
        QTemporaryFile local(cycle_.programFile(QStringLiteral("document-XXXXXX.download")));
        if (!local.open()) {
            session_.ShowException(QStringLiteral("Unable to download ") + row.fileName +
                                   QStringLiteral(": no temporary file in ") + cycle_.programFolder() +
                                   QStringLiteral(" (") + local.errorString() +
                                   QStringLiteral("). It stays in the queue."));
            return;
        }
        local.close();
        FtpResult fetched = ChangeFtpDirectory(*ftp_, kUploadFolder, server_);
        if (fetched.ok()) fetched = ftp_->fetch(row.fileName, local.fileName());
        if (fetched.outcome == FtpResult::Outcome::Missing) {
            session_.ShowException(QStringLiteral("Unable to download. Failed on ") + row.fileName +
                                   QStringLiteral(" member_docs ID") + idText +
                                   QStringLiteral(". File must not exist."));
            deleteRow(id);
            return;
        }
        if (fetched.outcome == FtpResult::Outcome::TooLarge) {
            session_.ShowException(
                QStringLiteral("The document ") + row.fileName + QStringLiteral(" (member_docs ID") + idText +
                QStringLiteral(") is larger than %1 MB ([web] max_document_mb); it is not fetched and stays in "
                               "the queue for a person")
                    .arg(cycle_.config.maxDocumentMb));
            return;
        }
        if (!fetched.ok()) {
            session_.ShowException(QStringLiteral("Unable to download ") + row.fileName +
                                   QStringLiteral(" (member_docs ID") + idText + QStringLiteral("): ") +
                                   fetched.reason + QStringLiteral(". It stays in the queue for the next run."));
            return;
        }
        const QString scanLocation = cycle_.settings.ScanLocation;
        if (!QFileInfo(scanLocation).isDir()) {
            session_.ShowException(QStringLiteral("Unable to store supporting documents in scanned images folder as "));
            session_.ShowException(scanLocation +
                                   QStringLiteral(" cannot be accessed.  Documents will be remain in the queue."));
            WriteImporterLogFile(cycle_.programFolder(), cycle_.clock().now(),
                                 QStringLiteral("Unable to store supporting documents in scanned images folder as ") +
                                     scanLocation +
                                     QStringLiteral(" cannot be accessed.  Documents will be remain in the queue."));
            return;
        }
        nameFiling(row, category, filing);
        const QString folder = MemberFolderPath(scanLocation, filing.kind, filing.memberNumber);
        const QString staged = stagedPathOf(folder, documentKey);
        QString error;
        QString target;
        if (!MakeMemberFolder(scanLocation, filing.kind, filing.memberNumber)) error = QStringLiteral("the folder cannot be made");
        else if (stage(local, staged, &error)) target = freeNameIn(folder, filing, &error);
        if (target.isEmpty()) {
            QFile::remove(staged);
            session_.ShowException(QStringLiteral("Unable to file ") + row.fileName +
                                   QStringLiteral(" (member_docs ID") + idText + QStringLiteral(") in ") + folder +
                                   QStringLiteral(": ") + error +
                                   QStringLiteral(". It stays in the queue for the next run."));
            return;
        }
        const FiledDocument filed{id, row.fileName, staged, target};
        if (!commitReceipt(documentKey, filed, filing, loan)) {
            QFile::remove(staged);
            return;
        }
        session_.ShowSuccess(QStringLiteral("Member ") + QString::number(filing.memberNumber) +
                             QStringLiteral(" supplied ") + filing.title + QStringLiteral(" as supporting document."));
        performFilings();
    }

    // The title (blanks removed; the first eight characters of the file name when empty),
    // the folder kind and a file name that stays inside the member's folder.
    void nameFiling(const QueuedDocument& row, const QString& category, Filing& filing) {
        QString title = DecodeOnlineField(row.title, cycle_.config.codeTables).trimmed();
        title.remove(QLatin1Char(' '));
        if (title.isEmpty()) title = row.fileName.left(8);
        filing.title = title;
        filing.kind = uploadKindOf(category);
        filing.baseName = CleanFileNamePart(title);
        filing.extension = CleanFileNamePart(extensionOf(row.fileName), QString());
        if (filing.baseName != title || filing.kind != folderKindOf(category) ||
            filing.extension != extensionOf(row.fileName))
            session_.ShowException(QStringLiteral("The document ") + row.fileName + QStringLiteral(" titled ") + title +
                                   QStringLiteral(" of member ") + QString::number(filing.memberNumber) +
                                   QStringLiteral(" has a name that cannot be used as it stands; it is filed as ") +
                                   filing.kind + QLatin1Char('/') + withExtension(filing.baseName, filing.extension));
    }

    // Copies the fetched file to its waiting place beside its final one and makes sure it
    // reached the disk.
    bool stage(QFile& fetched, const QString& staged, QString* error) {
        QFile incoming(staged);
        if (!OpenPrivateFile(incoming, QIODevice::WriteOnly | QIODevice::Truncate) || !fetched.open(QIODevice::ReadOnly)) {
            *error = incoming.errorString();
            return false;
        }
        while (!fetched.atEnd()) {
            const QByteArray chunk = fetched.read(1 << 16);
            if (chunk.isEmpty() || incoming.write(chunk) != chunk.size()) {
                *error = incoming.errorString();
                return false;
            }
        }
        if (!incoming.flush() || ::fsync(incoming.handle()) != 0 || incoming.size() != fetched.size()) {
            *error = QStringLiteral("the copy did not reach the disk complete");
            return false;
        }
        fetched.close();
        return true;
    }

    // A name no file of the folder holds: the title, else the title and the time of day,
    // else that with a number.
    QString freeNameIn(const QString& folder, const Filing& filing, QString* error) {
        const QString stamp = formatDate(cycle_.clock().now(), QStringLiteral("HHMMSS"));
        QString target = folder + withExtension(filing.baseName, filing.extension);
        for (int n = 1; n < 1000; ++n) {
            if (!QFileInfo::exists(target)) return target;
            const QString suffix = n == 1 ? stamp : stamp + QLatin1Char('-') + QString::number(n);
            target = folder + withExtension(filing.baseName + QLatin1Char('-') + suffix, filing.extension);
        }
        *error = QStringLiteral("no free file name");
        return {};
    }

    // One unit per document: the receipt rows, the record of the filed document and the
    // effect that moves it into place and removes it from the website commit together.
    bool commitReceipt(const QString& documentKey, const FiledDocument& filed, const Filing& filing,
                       const std::optional<Loan>& loan) {
        UnitOfWork unit(session_.connections, cycle_.programFile(QStringLiteral("commit-window.txt")), 1);
        try {
            unit.beginApplication(cycle_.clock().now());
            recordReceipt(filing, loan);
            WriteDocumentRecord(session_.connections.TarvAudt, documentKey, filed.id, filing.memberNumber,
                                filed.filedAs, cycle_.clock().now());
            EffectOutbox(session_.connections.TarvAudt)
                .record(documentKey, kDocumentEffect, encodeFiledDocument(filed), cycle_.clock().now());
            unit.keepApplication(documentKey);
            unit.commitBatch();
            return true;
        } catch (const VeltError& error) {
            unit.abandonBatch();
            if (error.environmental()) throw;
            session_.ShowException(QStringLiteral("The receipt of ") + filed.fileName +
                                   QStringLiteral(" (member_docs ID") + QString::number(filed.id) +
                                   QStringLiteral(") could not be saved: ") + error.description() +
                                   QStringLiteral(". Nothing of it is kept; it stays in the queue for the next run."));
            return false;
        }
    }

    // Performs every document effect waiting in the outbox; true when there was one.
    bool performFilings() {
        bool performed = false;
        const QHash<QString, EffectOutbox::Performer> performers{{kDocumentEffect, [this, &performed](const Effect& effect) {
            performed = true;
            return finishFiling(decodeFiledDocument(effect.payload));
        }}};
        for (const Effect& effect :
             EffectOutbox(session_.connections.TarvAudt).performPending(performers, cycle_.clock().now()))
            session_.ShowException(QStringLiteral("Gave up on the ") + effect.kind + QStringLiteral(" of ") +
                                   effect.applicationKey + QStringLiteral(" after ") +
                                   QString::number(effect.attempts) + QStringLiteral(" attempts"));
        return performed;
    }

    // The filed document takes its place; then the server file and the row go. True when
    // done; repeating it does no harm.
    bool finishFiling(const FiledDocument& filed) {
        if (QFileInfo::exists(filed.staged) && !QFile::rename(filed.staged, filed.filedAs)) {
            session_.ShowException(QStringLiteral("Unable to move ") + filed.staged +
                                   QStringLiteral(" into place as ") + filed.filedAs +
                                   QStringLiteral("; tried again in the next run"));
            return false;
        }
        const FtpResult removed = removeRemote(filed.fileName);
        if (!removed.ok())
            session_.ShowException(QStringLiteral("Unable to delete ") + filed.fileName +
                                   QStringLiteral(" after transfer"));
        deleteRow(filed.id);
        return true;
    }

    // A row an earlier run filed, whose removal from the website did not happen: only that
    // is done now.
    void finishEarlierFiling(const QueuedDocument& row, qlonglong id, const QString& documentKey, const DocumentRecord& record) {
        session_.ShowSuccess(QStringLiteral("The document ") + row.fileName + QStringLiteral(" (member_docs ID") +
                             QString::number(id) + QStringLiteral(") was filed by an earlier run as ") +
                             record.filedAs + QStringLiteral("; it is now removed from the website"));
        finishFiling({id, row.fileName, stagedPathOf(QFileInfo(record.filedAs).absolutePath(), documentKey), record.filedAs});
    }

    void recordReceipt(const Filing& filing, const std::optional<Loan>& loan) {
        const QString member = QString::number(filing.memberNumber);
        if (!loan) {
            AddWebLogEntry(cycle_, session_, app_,
                           QStringLiteral("Member supplied ") + filing.title +
                               QStringLiteral(" as supporting document from WebApp"),
                           QStringLiteral("WEBAPP"), QStringLiteral("DOCUMENTS"), member);
            return;
        }
        Audit_Event(cycle_, session_, member, loan->loanNumber,
                    formatDate(cycle_.clock().now(), QStringLiteral("yyyy-mm-dd")) + QLatin1Char(' ') +
                        formatDate(cycle_.clock().now(), QStringLiteral("hh:mm:ss")),
                    QStringLiteral("POIIN"), QString(), QStringLiteral("POI received online"), cycle_.txtTeller);
        AddWebLogEntry(cycle_, session_, app_,
                       QStringLiteral("Member supplied ") + filing.title +
                           QStringLiteral(" as supporting document for loan no. ") + loan->loanNumber,
                       QStringLiteral("BORROW"), QStringLiteral("DOCUMENTS"), member);
        session_.connections.TarvTran.execute(
            QStringLiteral("UPDATE LoanAllocation SET OurStatus='POI received', InQ=True WHERE ID=") + loan->id +
            QStringLiteral(" ;"));
    }

    std::optional<Loan> loanWithKey(const QString& key) {
        if (key.isEmpty()) return std::nullopt;  // an empty key would match every loan without one
        db::Recordset rs = session_.connections.TarvTran.openRecordset(
            QStringLiteral("SELECT ID, Posted, LoanNumber, MemberNo FROM LoanAllocation WHERE DocKey=") + sqlText(key) +
            QStringLiteral(" ;"));
        if (rs.eof()) return std::nullopt;
        return Loan{QString::number(rs.value(QStringLiteral("ID")).toLongLong()), rs.text(QStringLiteral("LoanNumber")),
                    long(rs.value(QStringLiteral("MemberNo")).toLongLong()), rs.value(QStringLiteral("Posted")).toBool()};
    }

    void deleteRow(qlonglong id) { queue_.remove(id); }

    FtpResult removeRemote(const QString& fileName) {
        FtpResult result = ChangeFtpDirectory(*ftp_, kUploadFolder, server_);
        return result.ok() ? ftp_->remove(fileName) : result;
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    DocumentQueue& queue_;
    // A document belongs to no application: its audit rows are reported without one.
    const ApplicationState app_{};
    QString server_;
    std::optional<FtpSession> ftp_;
};

}  // namespace

FtpResult ChangeFtpDirectory(FtpSession& session, const QString& directory, const QString& server) {
    if (directory.isEmpty()) return {FtpResult::Outcome::Done, {}};
    return session.changeDirectory(FtpDirectoryPath(directory, server));
}

void DownloadSupportingDocuments(const CycleContext& cycle, UnitSession& session, DocumentQueue& queue) {
    DocumentDownload(cycle, session, queue).run();
}

}  // namespace autovelt::comms
