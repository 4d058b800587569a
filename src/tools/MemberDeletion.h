#pragma once

// Removing every record of one member number from the core banking databases, to undo an
// import that went wrong. The operator sees the member's name and what each table will
// lose before anything is removed, and the removal is all or nothing.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace autovelt {

class Importer;

// The member number an operator typed: a whole number from 1 to the highest member
// number, blanks around it allowed. Anything else ("123abc", "12.5", "-4", "0") gives
// nothing, so a slip of the keyboard can never name another member.
std::optional<long> ParseMemberNumberAnswer(const QString& answer);

// One table the deletion empties of the member, in the order the statements run.
struct MemberTable {
    enum Database { Main, Transactions, Identity };
    const char* table;
    const char* keyColumn;  // "MemberNo", or "MemberNumber" for the two trustee tables
    Database database;
};
const std::vector<MemberTable>& MemberTables();

// The statement that removes the member from one table, in the Jet dialect.
QString DeleteStatement(const MemberTable& table, long memberNumber);

// What a deletion would remove.
struct MemberDeletionPlan {
    long memberNumber = 0;
    QString memberName;            // "Title Forename Surname"; empty when MemberMain has no row
    std::vector<long long> rows;   // rows per entry of MemberTables()
    long long totalRows() const;
    // "Member 123 (Mr John Smith) has no records." or one line per table that will lose rows.
    QStringList describe() const;
};

// Opens TarvMain, TarvTran, TarvAudt and TarvID (the shell's loader), raising VeltError.
using CoreConnectionOpener = std::function<void(Importer&)>;

// Both open the core banking connections for themselves and close them before returning,
// so the next cycle loads its settings afresh. They refuse to run while the connections are
// open, which happens only inside a cycle (a button pressed while the cycle reports).
inline const QString kDeletionWaitsForCycle =
    QStringLiteral("Member deletion waits until the import cycle has finished; nothing deleted");

// Counts the member's rows in every table. Raises VeltError when a table cannot be read
// (a missing table, a lost connection) or a cycle holds the connections.
MemberDeletionPlan PlanMemberDeletion(Importer& importer, const CoreConnectionOpener& open, long memberNumber);

// Runs the statements in order inside one transaction per database session. On success
// reports "Deleted member N" and returns true; on a failure everything is rolled back, the
// failure is reported as a problem line naming the table and nothing is removed. The lines
// are reported after the connections are closed.
bool DeleteMemberRecords(Importer& importer, const CoreConnectionOpener& open, long memberNumber);

}  // namespace autovelt
