#include "comms/SupportingDocuments.h"

#include "comms/AuditTrail.h"
#include "comms/ImporterLog.h"
#include "common/MemberFolder.h"
#include "common/OnlineDecoding.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "state/Importer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <optional>
#include <unistd.h>

namespace autovelt {

namespace {

const QString kUploadFolder = QStringLiteral("/join+borrow/supporting-uploads/");

// One member_docs row as the website wrote it.
struct QueuedDocument {
    QString id;
    QString memberNo;
    QString category;
    QString fileName;
    QString title;
};

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

class DocumentDownload {
public:
    explicit DocumentDownload(Importer& importer) : im_(importer) {}

    void run() {
        if (im_.settings.ScanLocation.isEmpty()) return;
        try {
            // Nothing queued: the FTP server is not contacted at all.
            const QList<QueuedDocument> documents = queuedDocuments();
            if (documents.isEmpty() || !connect()) return;
            for (const QueuedDocument& document : documents) handle(document);
        } catch (const VeltError& error) {
            im_.ShowException(QStringLiteral("Unable to interpret loan application images (") +
                              QString::number(error.number()) + QLatin1Char(')'));
        }
    }

private:
    void problemAndLog(const QString& line) {
        im_.ShowException(line);
        WriteImporterLogFile(im_.programFolder(), im_.clock().now(), line);
    }

    bool connect() {
        db::Recordset rs = im_.connections.TarvMain.openRecordset(QStringLiteral("SELECT * FROM ControlSwitches ;"));
        if (rs.eof()) {
            problemAndLog(QStringLiteral("Unable to retrieve website credentials - cannot download images at this time"));
            return false;
        }
        FtpEndpoint endpoint;
        endpoint.host = rs.text(QStringLiteral("webip")).trimmed();
        endpoint.user = rs.text(QStringLiteral("webun")).trimmed();
        endpoint.password = rs.text(QStringLiteral("WEBPORT")).trimmed();
        endpoint.port = im_.config.ftpPort;
        endpoint.passive = !im_.config.ftpActiveAddresses.contains(endpoint.host) ||
                           QFileInfo::exists(im_.programFile(QStringLiteral("ftp.txt")));
        endpoint.tls = im_.config.ftpTls == FtpTls::Off    ? FtpEndpoint::Tls::Off
                       : im_.config.ftpTls == FtpTls::Auto ? FtpEndpoint::Tls::Auto
                                                           : FtpEndpoint::Tls::Required;
        endpoint.caFile = im_.config.ftpCaFile;
        server_ = endpoint.host;
        session_.emplace(endpoint);
        if (!session_->usable()) {
            problemAndLog(QStringLiteral("(1) Unable to establish internet connection - cannot download images at this time"));
            return false;
        }
        static const QRegularExpression kHost(QStringLiteral("^[A-Za-z0-9_.:-]+$"));
        const FtpResult reached = kHost.match(server_).hasMatch()
                                      ? ChangeFtpDirectory(*session_, kUploadFolder, server_)
                                      : FtpResult{FtpResult::Outcome::Failed, QStringLiteral("the server address is not valid")};
        if (!reached.ok()) {
            problemAndLog(QStringLiteral("(2) Unable to establish internet connection - cannot download images at this time"));
            im_.ShowException(QStringLiteral("The FTP server ") + server_ + QStringLiteral(" answered: ") + reached.reason);
            return false;
        }
        if (!session_->encrypted())
            im_.ShowException(QStringLiteral("Warning: the FTP server ") + server_ +
                              QStringLiteral(" is used without TLS: documents and the web password travel unencrypted"));
        return true;
    }

    QList<QueuedDocument> queuedDocuments() {
        QList<QueuedDocument> documents;
        db::Recordset rs = im_.connections.OnlineConnection.openRecordset(QStringLiteral("SELECT * FROM member_docs"));
        for (; !rs.eof(); rs.moveNext())
            documents.append({rs.text(QStringLiteral("id")), rs.text(QStringLiteral("member_no")),
                              rs.text(QStringLiteral("Category")), rs.text(QStringLiteral("FileName")),
                              rs.text(QStringLiteral("Title"))});
        return documents;
    }

    void handle(const QueuedDocument& row) {
        bool numericId = false;
        const qlonglong id = row.id.toLongLong(&numericId);
        if (!numericId) {
            im_.ShowException(QStringLiteral("A member_docs row has the id ") + row.id + QStringLiteral(", which is not a number; it is left alone"));
            return;
        }
        const QString key = DecodeOnlineNumber(row.memberNo, im_.config.codeTables);
        const QString category = DecodeOnlineField(row.category, im_.config.codeTables);
        const QString idText = QString::number(id);
        Filing filing;
        std::optional<Loan> loan;
        if (!isMembershipDocument(category)) {
            loan = loanWithKey(key);
            if (!loan) {
                im_.ShowException(QStringLiteral("Unable to locate member with document upload key of ") + key +
                                  QStringLiteral(" with category ") + category + QStringLiteral(" with ID ") + idText +
                                  QStringLiteral(". Loan must not exist."));
                deleteRow(id);
                if (!row.fileName.isEmpty()) removeRemote(row.fileName);
                return;
            }
            filing.memberNumber = loan->memberNumber;
            if (loan->posted)
                im_.ShowException(QStringLiteral("Member ") + QString::number(loan->memberNumber) +
                                  QStringLiteral(" supplied supporting document with upload key of ") + key +
                                  QStringLiteral(" for loan ") + loan->loanNumber + QStringLiteral(" but this application is closed."));
        } else {
            filing.memberNumber = long(leadingNumber(key));
        }
        if (row.fileName.isEmpty()) {
            deleteRow(id);
            return;
        }
        if (!FtpSession::isSendableName(row.fileName)) {
            im_.ShowException(QStringLiteral("The file name of member_docs ID") + idText +
                              QStringLiteral(" holds control characters and cannot be fetched; it stays in the queue"));
            return;
        }
        fetchAndFile(row, id, category, filing, loan);
    }

    void fetchAndFile(const QueuedDocument& row, qlonglong id, const QString& category, Filing& filing,
                      const std::optional<Loan>& loan) {
        const QString idText = QString::number(id);
        QTemporaryFile local(im_.programFile(QStringLiteral("document-XXXXXX.download")));
        if (!local.open()) {
            im_.ShowException(QStringLiteral("Unable to download ") + row.fileName + QStringLiteral(": no temporary file in ") +
                              im_.programFolder() + QStringLiteral(" (") + local.errorString() + QStringLiteral("). It stays in the queue."));
            return;
        }
        local.close();
        FtpResult fetched = ChangeFtpDirectory(*session_, kUploadFolder, server_);
        if (fetched.ok()) fetched = session_->fetch(row.fileName, local.fileName());
        if (fetched.outcome == FtpResult::Outcome::Missing) {
            im_.ShowException(QStringLiteral("Unable to download. Failed on ") + row.fileName + QStringLiteral(" member_docs ID") +
                              idText + QStringLiteral(". File must not exist."));
            deleteRow(id);
            return;
        }
        if (!fetched.ok()) {
            im_.ShowException(QStringLiteral("Unable to download ") + row.fileName + QStringLiteral(" (member_docs ID") + idText +
                              QStringLiteral("): ") + fetched.reason + QStringLiteral(". It stays in the queue for the next run."));
            return;
        }
        const QString scanLocation = im_.settings.ScanLocation;
        if (!QFileInfo(scanLocation).isDir()) {
            im_.ShowException(QStringLiteral("Unable to store supporting documents in scanned images folder as "));
            im_.ShowException(scanLocation + QStringLiteral(" cannot be accessed.  Documents will be remain in the queue."));
            WriteImporterLogFile(im_.programFolder(), im_.clock().now(),
                                 QStringLiteral("Unable to store supporting documents in scanned images folder as ") + scanLocation +
                                     QStringLiteral(" cannot be accessed.  Documents will be remain in the queue."));
            return;
        }
        nameFiling(row, category, filing);
        const QString folder = MemberFolderPath(scanLocation, filing.kind, filing.memberNumber);
        QString error;
        const QString filed = MakeMemberFolder(scanLocation, filing.kind, filing.memberNumber)
                                  ? fileInto(folder, filing, local, &error)
                                  : (error = QStringLiteral("the folder cannot be made"), QString());
        if (filed.isEmpty()) {
            im_.ShowException(QStringLiteral("Unable to file ") + row.fileName + QStringLiteral(" (member_docs ID") + idText +
                              QStringLiteral(") in ") + folder + QStringLiteral(": ") + error +
                              QStringLiteral(". It stays in the queue for the next run."));
            return;
        }
        im_.ShowSuccess(QStringLiteral("Member ") + QString::number(filing.memberNumber) + QStringLiteral(" supplied ") +
                        filing.title + QStringLiteral(" as supporting document."));
        recordReceipt(filing, loan);
        const FtpResult removed = removeRemote(row.fileName);
        if (!removed.ok()) im_.ShowException(QStringLiteral("Unable to delete ") + row.fileName + QStringLiteral(" after transfer"));
        deleteRow(id);
    }

    // The title (blanks removed; the first eight characters of the file name when empty),
    // the folder kind and a file name that stays inside the member's folder.
    void nameFiling(const QueuedDocument& row, const QString& category, Filing& filing) {
        QString title = DecodeOnlineField(row.title, im_.config.codeTables).trimmed();
        title.remove(QLatin1Char(' '));
        if (title.isEmpty()) title = row.fileName.left(8);
        filing.title = title;
        filing.kind = CleanFileNamePart(folderKindOf(category), QStringLiteral("Other"));
        filing.baseName = CleanFileNamePart(title);
        filing.extension = CleanFileNamePart(extensionOf(row.fileName), QString());
        if (filing.baseName != title || filing.kind != folderKindOf(category) ||
            filing.extension != extensionOf(row.fileName))
            im_.ShowException(QStringLiteral("The document ") + row.fileName + QStringLiteral(" titled ") + title +
                              QStringLiteral(" of member ") + QString::number(filing.memberNumber) +
                              QStringLiteral(" has a name that cannot be used as it stands; it is filed as ") + filing.kind +
                              QLatin1Char('/') + withExtension(filing.baseName, filing.extension));
    }

    // Copies the fetched file beside its final place, makes sure it reached the disk, then
    // gives it a name no other file holds: the title, else the title and the time of day,
    // else that with a number.
    QString fileInto(const QString& folder, const Filing& filing, QFile& fetched, QString* error) {
        QTemporaryFile incoming(folder + QStringLiteral(".incoming-XXXXXX"));
        if (!incoming.open() || !fetched.open(QIODevice::ReadOnly)) {
            *error = incoming.errorString();
            return {};
        }
        while (!fetched.atEnd()) {
            const QByteArray chunk = fetched.read(1 << 16);
            if (chunk.isEmpty() || incoming.write(chunk) != chunk.size()) {
                *error = incoming.errorString();
                return {};
            }
        }
        if (!incoming.flush() || ::fsync(incoming.handle()) != 0 || incoming.size() != fetched.size()) {
            *error = QStringLiteral("the copy did not reach the disk complete");
            return {};
        }
        fetched.close();
        const QString stamp = formatDate(im_.clock().now(), QStringLiteral("HHMMSS"));
        QString target = folder + withExtension(filing.baseName, filing.extension);
        for (int n = 1; n < 1000; ++n) {
            if (!QFileInfo::exists(target) && incoming.rename(target)) {
                incoming.setAutoRemove(false);  // it is the filed document now
                return target;
            }
            const QString suffix = n == 1 ? stamp : stamp + QLatin1Char('-') + QString::number(n);
            target = folder + withExtension(filing.baseName + QLatin1Char('-') + suffix, filing.extension);
        }
        *error = QStringLiteral("no free file name");
        return {};
    }

    void recordReceipt(const Filing& filing, const std::optional<Loan>& loan) {
        const QString member = QString::number(filing.memberNumber);
        if (!loan) {
            AddWebLogEntry(im_, QStringLiteral("Member supplied ") + filing.title + QStringLiteral(" as supporting document from WebApp"),
                           QStringLiteral("WEBAPP"), QStringLiteral("DOCUMENTS"), member);
            return;
        }
        Audit_Event(im_, member, loan->loanNumber, formatDate(im_.clock().now(), QStringLiteral("yyyy-mm-dd")) + QLatin1Char(' ') +
                                                       formatDate(im_.clock().now(), QStringLiteral("hh:mm:ss")),
                    QStringLiteral("POIIN"), QString(), QStringLiteral("POI received online"), im_.txtTeller);
        AddWebLogEntry(im_, QStringLiteral("Member supplied ") + filing.title + QStringLiteral(" as supporting document for loan no. ") +
                                loan->loanNumber,
                       QStringLiteral("BORROW"), QStringLiteral("DOCUMENTS"), member);
        try {
            im_.connections.TarvTran.execute(im_.sql(QStringLiteral("UPDATE LoanAllocation SET OurStatus='POI received', InQ=True WHERE ID=") +
                                                     loan->id + QStringLiteral(" ;")));
        } catch (const VeltError& error) {
            im_.ShowException(QStringLiteral("Loan ") + loan->loanNumber + QStringLiteral(" could not be marked as having its documents (") +
                              error.description() + QStringLiteral("); the document is filed"));
        }
    }

    std::optional<Loan> loanWithKey(const QString& key) {
        if (key.isEmpty()) return std::nullopt;  // an empty key would match every loan without one
        db::Recordset rs = im_.connections.TarvTran.openRecordset(im_.sql(
            QStringLiteral("SELECT ID, Posted, LoanNumber, MemberNo FROM LoanAllocation WHERE DocKey=") + sqlText(key) +
            QStringLiteral(" ;")));
        if (rs.eof()) return std::nullopt;
        return Loan{QString::number(rs.value(QStringLiteral("ID")).toLongLong()), rs.text(QStringLiteral("LoanNumber")),
                    long(rs.value(QStringLiteral("MemberNo")).toLongLong()), rs.value(QStringLiteral("Posted")).toBool()};
    }

    void deleteRow(qlonglong id) {
        im_.connections.OnlineConnection.execute(QStringLiteral("DELETE FROM member_docs WHERE id=") + QString::number(id));
    }

    FtpResult removeRemote(const QString& fileName) {
        FtpResult result = ChangeFtpDirectory(*session_, kUploadFolder, server_);
        return result.ok() ? session_->remove(fileName) : result;
    }

    Importer& im_;
    QString server_;
    std::optional<FtpSession> session_;
};

}  // namespace

FtpResult ChangeFtpDirectory(FtpSession& session, const QString& directory, const QString& server) {
    if (directory.isEmpty()) return {FtpResult::Outcome::Done, {}};
    return session.changeDirectory(FtpDirectoryPath(directory, server));
}

void DownloadSupportingDocuments(Importer& importer) { DocumentDownload(importer).run(); }

}  // namespace autovelt
