#include "tools/MemberDeletion.h"

#include "common/MemberFolder.h"
#include "common/MemberNumberCode.h"
#include "common/PrivateFiles.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "import/MemberNumbers.h"
#include "state/DocumentRecords.h"
#include "state/EffectOutbox.h"
#include "state/ImportRecords.h"
#include "state/Importer.h"
#include "state/StagedFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace autovelt::inline tools {

std::optional<long> ParseMemberNumberAnswer(const QString& answer) {
    static const QRegularExpression wholeNumber(QStringLiteral("^[0-9]{1,9}$"));
    const QString text = answer.trimmed();
    if (!wholeNumber.match(text).hasMatch()) return std::nullopt;
    const long number = text.toLong();
    if (number < 1 || number > kHighestMemberNumber) return std::nullopt;
    return number;
}

const std::vector<MemberTable>& MemberTables() {
    static const std::vector<MemberTable> tables = {
        {"MemberMain", "MemberNo", MemberTable::Main},
        {"MemberEmployment", "MemberNo", MemberTable::Main},
        {"MemberAddress", "MemberNo", MemberTable::Main},
        {"MemberPassword", "MemberNo", MemberTable::Main},
        {"MemberBalances", "MemberNo", MemberTable::Main},
        {"MemberNotes", "MemberNo", MemberTable::Main},
        {"MemberUDF", "MemberNo", MemberTable::Main},
        {"MemberPayAnalysis", "MemberNo", MemberTable::Main},
        {"PayAnalysisSchedule", "MemberNo", MemberTable::Main},
        {"MemberCircumstance", "MemberNo", MemberTable::Main},
        {"TrusteeAgreement", "MemberNumber", MemberTable::Main},
        {"LoanAllocation", "MemberNo", MemberTable::Transactions},
        {"LoanPayee", "MemberNo", MemberTable::Transactions},
        {"LoanNotepad", "MemberNo", MemberTable::Transactions},
        {"LoanPolicyLog", "MemberNo", MemberTable::Transactions},
        {"Diary", "MemberNo", MemberTable::Transactions},
        {"TrusteeTran", "MemberNumber", MemberTable::Transactions},
        {"MemberSecurity", "MemberNo", MemberTable::Transactions},
        {"ID", "MemberNo", MemberTable::Identity},
        {"IDProof", "MemberNo", MemberTable::Identity},
    };
    return tables;
}

QString DeleteStatement(const MemberTable& table, long memberNumber) {
    return QStringLiteral("DELETE FROM %1 WHERE %2=%3")
        .arg(QLatin1String(table.table), QLatin1String(table.keyColumn))
        .arg(memberNumber);
}

namespace {

db::Connection& connectionFor(Importer& importer, MemberTable::Database database) {
    switch (database) {
        case MemberTable::Main: return importer.connections.TarvMain;
        case MemberTable::Transactions: return importer.connections.TarvTran;
        case MemberTable::Identity: return importer.connections.TarvID;
    }
    return importer.connections.TarvMain;
}

QString tableFailure(const MemberTable& table, const VeltError& error) {
    return QStringLiteral("Member deletion stopped at table %1: %2 (%3)")
        .arg(QLatin1String(table.table), error.description())
        .arg(error.number());
}

QString memberName(Importer& importer, long memberNumber) {
    db::Recordset rs = importer.connections.TarvMain.openRecordset(
        QStringLiteral("SELECT Title, Forename, Surname FROM MemberMain WHERE MemberNo=%1").arg(memberNumber));
    if (rs.eof()) return {};
    QStringList parts;
    for (const char* field : {"Title", "Forename", "Surname"})
        if (const QString part = rs.text(QLatin1String(field)).trimmed(); !part.isEmpty()) parts << part;
    return parts.join(QLatin1Char(' '));
}

// The distinct sessions the statements run on: one on the embedded engine, where the
// three databases share TarvMain's session, else one per database.
std::vector<db::Connection*> sessions(Importer& importer) {
    std::vector<db::Connection*> result;
    Connections& all = importer.connections;
    for (db::Connection* candidate : {&all.TarvMain, &all.TarvTran, &all.TarvID, &all.TarvAudt}) {
        db::Connection& c = *candidate;
        bool shared = false;
        for (db::Connection* known : result) shared = shared || known->sharesSessionWith(c);
        if (!shared) result.push_back(&c);
    }
    return result;
}

struct PartialDeletion : VeltError {
    using VeltError::VeltError;
};

// Opens the four core banking connections for one tool run and closes them again.
class ToolConnections {
public:
    ToolConnections(Importer& importer, const CoreConnectionOpener& open) : importer_(importer) {
        if (importer_.connections.TarvMain.isOpen()) throw VeltError(0, QStringLiteral("MemberDeletion"), kDeletionWaitsForCycle);
        opened_ = true;
        try {
            open(importer_);
        } catch (...) {
            close();
            throw;
        }
    }
    ~ToolConnections() { close(); }
    ToolConnections(const ToolConnections&) = delete;
    ToolConnections& operator=(const ToolConnections&) = delete;

private:
    void close() {
        if (!opened_) return;
        Connections& c = importer_.connections;
        for (db::Connection* connection : {&c.TarvID, &c.TarvAudt, &c.TarvTran, &c.TarvMain, &c.OnlineConnection})
            connection->close();
        opened_ = false;
    }
    Importer& importer_;
    bool opened_ = false;
};

QString memberFilter(long memberNumber) { return QStringLiteral(" WHERE MemberNo=") + QString::number(memberNumber); }

long long countOf(db::Connection& connection, const QString& fromWhere) {
    db::Recordset rs = connection.openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + fromWhere);
    return rs.eof() ? 0 : rs.value(0).toLongLong();
}

// The applications the importer recorded for the member.
QStringList applicationsOf(Importer& importer, long memberNumber) {
    db::Recordset rs = importer.connections.TarvAudt.openRecordset(QStringLiteral("SELECT ApplicationKey FROM VeltImport") +
                                                                   memberFilter(memberNumber));
    QStringList keys;
    for (; !rs.eof(); rs.moveNext()) keys << rs.text(QStringLiteral("ApplicationKey"));
    return keys;
}

// The importer's own records of the member: its applications' import records and the files
// they have still to file, and the credit searches drawn under the number.
void deleteImporterRecords(Importer& importer, long memberNumber, const QStringList& applications) {
    db::Connection& audit = importer.connections.TarvAudt;
    for (const QString& key : applications)
        audit.execute(QStringLiteral("DELETE FROM VeltEffect WHERE Kind=") + sqlText(kFileEffect) +
                      QStringLiteral(" AND State<>'done' AND ApplicationKey=") + sqlText(key));
    audit.execute(QStringLiteral("DELETE FROM VeltImport") + memberFilter(memberNumber));
    audit.execute(QStringLiteral("DELETE FROM VeltCreditSearch") + memberFilter(memberNumber));
    audit.execute(QStringLiteral("DELETE FROM VeltDocument") + memberFilter(memberNumber));
}

// The member's folders, one per kind folder of the scanned images store.
QStringList memberFoldersOf(Importer& importer, long memberNumber) {
    const QString root = importer.settings.ScanLocation;
    QStringList folders;
    if (root.isEmpty() || !QFileInfo(root).isDir()) return folders;
    for (const QString& kind : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (kind == kDeletedFolder) continue;
        const QString folder = QDir::cleanPath(MemberFolderPath(root, kind, memberNumber));
        const QFileInfo info(folder);
        if (info.isDir() && !info.isSymLink()) folders << folder;
    }
    return folders;
}

// Moves the member's folders to "deleted/<member>-<time>/<kind>" under the store: the files
// are kept for staff, but nothing under the member number is read or added to again.
struct AfterDeletion {
    QStringList successes;
    QStringList problems;
};

void moveFoldersAside(Importer& importer, long memberNumber, AfterDeletion& lines) {
    const QString root = importer.settings.ScanLocation;
    const QString aside = QDir(root).filePath(kDeletedFolder + QLatin1Char('/') + QString::number(memberNumber) +
                                              QLatin1Char('-') + formatDate(importer.clock().now(), QStringLiteral("yyyymmdd-hhmmss")));
    for (const QString& folder : memberFoldersOf(importer, memberNumber)) {
        const QString kind = QDir(root).relativeFilePath(folder).section(QLatin1Char('/'), 0, 0);
        const QString target = QDir(aside).filePath(kind);
        if (MakePrivateFolder(aside) && QDir().rename(folder, target)) {
            lines.successes << QStringLiteral("Moved ") + folder + QStringLiteral(" to ") + target;
            continue;
        }
        lines.problems << (QStringLiteral("The folder ") + folder + QStringLiteral(" could not be moved to ") + target +
                           QStringLiteral("; move it aside by hand before member number %1 is given again").arg(memberNumber));
    }
}

// The member's leftover rules_log rows online; reported when the online database cannot be reached.
void deleteOnlineRulesLog(Importer& importer, long memberNumber, AfterDeletion& lines) {
    db::Connection& online = importer.connections.OnlineConnection;
    const QString failure = QStringLiteral("The rules_log rows of member %1 could not be removed online").arg(memberNumber);
    if (!online.isOpen()) {
        lines.problems << failure + QStringLiteral(": the online database is not open");
        return;
    }
    try {
        online.execute(QStringLiteral("DELETE FROM rules_log WHERE rulemember=") +
                       sqlText(EncodeMemberNumber(QString::number(memberNumber))) + QStringLiteral(" ;"));
    } catch (const VeltError& error) {
        lines.problems << failure + QStringLiteral(": ") + error.description();
    }
}

// Empties every table of the member inside one transaction per session; raises VeltError,
// naming the table, after rolling everything back. Returns the member's applications.
QStringList deleteInTransactions(Importer& importer, long memberNumber) {
    std::vector<db::Connection*> begun;
    try {
        for (db::Connection* c : sessions(importer)) { c->beginTransaction(); begun.push_back(c); }
        const QStringList applications = applicationsOf(importer, memberNumber);
        deleteImporterRecords(importer, memberNumber, applications);
        for (const MemberTable& table : MemberTables()) {
            try {
                connectionFor(importer, table.database).execute(DeleteStatement(table, memberNumber));
            } catch (const VeltError& error) {
                throw VeltError(error.number(), error.source(), tableFailure(table, error));
            }
        }
        for (size_t i = 0; i < begun.size(); ++i) {
            try {
                begun[i]->commitTransaction();
            } catch (const VeltError& error) {
                if (i == 0) throw;
                // Separate servers cannot commit together; running the deletion again
                // removes what is left.
                throw PartialDeletion(error.number(), error.source(),
                                      error.description() + QStringLiteral(" - the member's rows are deleted from some "
                                                                           "databases only; run the deletion again"));
            }
        }
        return applications;
    } catch (const VeltError&) {
        for (db::Connection* c : begun) {
            try { c->rollbackTransaction(); } catch (const VeltError&) {}
        }
        throw;
    }
}

}  // namespace

long long MemberDeletionPlan::totalRows() const {
    long long total = 0;
    for (long long n : rows) total += n;
    return total;
}

QStringList MemberDeletionPlan::describe() const {
    const QString who = memberName.isEmpty()
        ? QStringLiteral("Member %1 (no MemberMain row)").arg(memberNumber)
        : QStringLiteral("Member %1 (%2)").arg(memberNumber).arg(memberName);
    if (totalRows() == 0 && importRecords + creditSearches + std::max(onlineRulesLog, 0LL) == 0 && folders.isEmpty())
        return {who + QStringLiteral(" has no records.")};
    QStringList lines{who + QStringLiteral(" - rows to delete:")};
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] > 0) lines << QStringLiteral("  %1: %2").arg(QLatin1String(MemberTables()[i].table)).arg(rows[i]);
    if (importRecords > 0) lines << QStringLiteral("  VeltImport (the importer's import records): %1").arg(importRecords);
    if (creditSearches > 0) lines << QStringLiteral("  VeltCreditSearch (credit searches drawn): %1").arg(creditSearches);
    if (onlineRulesLog > 0) lines << QStringLiteral("  rules_log online: %1").arg(onlineRulesLog);
    if (onlineRulesLog < 0) lines << QStringLiteral("  rules_log online: cannot be read now; not removed");
    for (const QString& folder : folders) lines << QStringLiteral("  folder to move aside under %1: %2").arg(kDeletedFolder, folder);
    return lines;
}

MemberDeletionPlan PlanMemberDeletion(Importer& importer, const CoreConnectionOpener& open, long memberNumber) {
    ToolConnections connections(importer, open);
    MemberDeletionPlan plan;
    plan.memberNumber = memberNumber;
    for (const MemberTable& table : MemberTables()) {
        try {
            db::Recordset rs = connectionFor(importer, table.database).openRecordset(
                QStringLiteral("SELECT COUNT(*) AS RowsHeld FROM %1 WHERE %2=%3")
                    .arg(QLatin1String(table.table), QLatin1String(table.keyColumn))
                    .arg(memberNumber));
            plan.rows.push_back(rs.eof() ? 0 : rs.value(0).toLongLong());
        } catch (const VeltError& error) {
            throw VeltError(error.number(), error.source(), tableFailure(table, error));
        }
    }
    plan.memberName = memberName(importer, memberNumber);
    db::Connection& audit = importer.connections.TarvAudt;
    EnsureImporterTables(audit);
    plan.importRecords = countOf(audit, QStringLiteral("VeltImport") + memberFilter(memberNumber));
    plan.creditSearches = countOf(audit, QStringLiteral("VeltCreditSearch") + memberFilter(memberNumber));
    if (importer.connections.OnlineConnection.isOpen()) {
        try {
            plan.onlineRulesLog = countOf(importer.connections.OnlineConnection,
                                          QStringLiteral("rules_log WHERE rulemember=") +
                                              sqlText(EncodeMemberNumber(QString::number(memberNumber))));
        } catch (const VeltError&) {
            plan.onlineRulesLog = -1;
        }
    }
    plan.folders = memberFoldersOf(importer, memberNumber);
    return plan;
}

bool DeleteMemberRecords(Importer& importer, const CoreConnectionOpener& open, long memberNumber) {
    QString problem;
    bool nothingDeleted = true;
    AfterDeletion after;
    try {
        ToolConnections connections(importer, open);
        EnsureImporterTables(importer.connections.TarvAudt);
        EnsureDocumentRecords(importer.connections.TarvAudt);
        for (const QString& key : deleteInTransactions(importer, memberNumber)) importer.stagedFiles().discard(key);
        moveFoldersAside(importer, memberNumber, after);
        deleteOnlineRulesLog(importer, memberNumber, after);
    } catch (const PartialDeletion& error) {
        problem = error.description();
        nothingDeleted = false;
    } catch (const VeltError& error) {
        problem = error.description();
        nothingDeleted = problem != kDeletionWaitsForCycle;
    }
    // Reporting lets the window repaint, and so lets a cycle start: the connections are
    // closed by now.
    if (!problem.isEmpty()) {
        importer.ShowException(problem);
        if (nothingDeleted)
            importer.ShowException(QStringLiteral("Nothing was deleted for member %1.").arg(memberNumber));
        return false;
    }
    importer.ShowSuccess(QStringLiteral("Deleted member %1").arg(memberNumber));
    for (const QString& line : after.successes) importer.ShowSuccess(line);
    for (const QString& line : after.problems) importer.ShowException(line);
    return true;
}

}  // namespace autovelt::tools
