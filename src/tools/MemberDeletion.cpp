#include "tools/MemberDeletion.h"

#include "common/VeltError.h"
#include "import/MemberNumbers.h"
#include "state/Importer.h"

#include <QRegularExpression>

namespace autovelt {

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
    db::Recordset rs = importer.connections.TarvMain.openRecordset(importer.sql(
        QStringLiteral("SELECT Title, Forename, Surname FROM MemberMain WHERE MemberNo=%1").arg(memberNumber)));
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
    for (MemberTable::Database d : {MemberTable::Main, MemberTable::Transactions, MemberTable::Identity}) {
        db::Connection& c = connectionFor(importer, d);
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
        for (db::Connection* connection : {&c.TarvID, &c.TarvAudt, &c.TarvTran, &c.TarvMain}) connection->close();
        opened_ = false;
    }
    Importer& importer_;
    bool opened_ = false;
};

// Empties every table of the member inside one transaction per session; raises VeltError,
// naming the table, after rolling everything back.
void deleteInTransactions(Importer& importer, long memberNumber) {
    std::vector<db::Connection*> begun;
    try {
        for (db::Connection* c : sessions(importer)) { c->beginTransaction(); begun.push_back(c); }
        for (const MemberTable& table : MemberTables()) {
            try {
                connectionFor(importer, table.database).execute(importer.sql(DeleteStatement(table, memberNumber)));
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
    if (totalRows() == 0) return {who + QStringLiteral(" has no records.")};
    QStringList lines{who + QStringLiteral(" - rows to delete:")};
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] > 0) lines << QStringLiteral("  %1: %2").arg(QLatin1String(MemberTables()[i].table)).arg(rows[i]);
    return lines;
}

MemberDeletionPlan PlanMemberDeletion(Importer& importer, const CoreConnectionOpener& open, long memberNumber) {
    ToolConnections connections(importer, open);
    MemberDeletionPlan plan;
    plan.memberNumber = memberNumber;
    for (const MemberTable& table : MemberTables()) {
        try {
            db::Recordset rs = connectionFor(importer, table.database).openRecordset(importer.sql(
                QStringLiteral("SELECT COUNT(*) AS RowsHeld FROM %1 WHERE %2=%3")
                    .arg(QLatin1String(table.table), QLatin1String(table.keyColumn))
                    .arg(memberNumber)));
            plan.rows.push_back(rs.eof() ? 0 : rs.value(0).toLongLong());
        } catch (const VeltError& error) {
            throw VeltError(error.number(), error.source(), tableFailure(table, error));
        }
    }
    plan.memberName = memberName(importer, memberNumber);
    return plan;
}

bool DeleteMemberRecords(Importer& importer, const CoreConnectionOpener& open, long memberNumber) {
    QString problem;
    bool nothingDeleted = true;
    try {
        ToolConnections connections(importer, open);
        deleteInTransactions(importer, memberNumber);
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
    return true;
}

}  // namespace autovelt
