#pragma once

// Removing every record of one member number from the core banking databases, to undo an
// import that went wrong. The operator sees the member's name and what each table will
// lose before anything is removed, and the removal is all or nothing.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace autovelt::inline state { class Importer; }

namespace autovelt::inline tools {

// The member number an operator typed: a whole number from 1 to the highest member
// number, blanks around it allowed. Anything else ("123abc", "12.5", "-4", "0") gives
// nothing, so a slip of the keyboard can never name another member.
std::optional<long> ParseMemberNumberAnswer(const QString& answer);

// The folder of the scanned images store the member's folders are moved to.
inline const QString kDeletedFolder = QStringLiteral("deleted");

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

// What a deletion would remove. Beside the core banking rows, the importer's own records of
// the member (import records, credit search records, files waiting to be filed), the
// member's leftover rules_log rows online and the member's folders in the scanned images
// store, which are moved aside under "deleted" rather than destroyed. Then the member's
// number can be given to someone else without anything of this member reaching them, and
// the member's application can be imported again.
struct MemberDeletionPlan {
    long memberNumber = 0;
    QString memberName;            // "Title Forename Surname"; empty when MemberMain has no row
    std::vector<long long> rows;   // rows per entry of MemberTables()
    long long importRecords = 0;   // VeltImport rows
    long long creditSearches = 0;  // VeltCreditSearch rows
    long long onlineRulesLog = -1; // rules_log rows online; -1 when the online database cannot be read
    QStringList folders;           // the member's folders in the scanned images store
    long long totalRows() const;
    // "Member 123 (Mr John Smith) has no records." or one line per table that will lose rows.
    QStringList describe() const;
};

// Opens TarvMain, TarvTran, TarvAudt and TarvID and, where it can, reads the cycle's settings
// and opens the online database (the shell's loader), raising VeltError.
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

}  // namespace autovelt::tools
