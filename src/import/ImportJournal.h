#pragma once

// How far the current application got. The core banking writes of one application are not
// one transaction, and the online row is marked imported only at the end, so an importer
// stopped half-way (killed, power cut, a failing database) reads the application again in
// its next cycle. By then the member it was creating already exists: matched afresh, the
// applicant would be refused or treated as an existing member, and the new member left
// without the rest of its records. The journal, a small file in the program's folder,
// remembers which application was being imported for which member and which
// non-repeatable steps (audit rows, emails, the loan) are done, so the next cycle resumes
// the same application where it stopped instead of importing it a second time.

#include <QString>
#include <optional>

namespace autovelt {

class Importer;

// Steps after which an interrupted application is resumed rather than repeated, in order.
enum class ImportStage {
    Started = 0,          // the member number is decided; the member row may not exist yet
    MemberWritten,        // MemberMain written (and a rejoin recorded)
    IdentityChecked,      // the identity check result is in the entry
    ShareBalanceWritten,  // the opening share balance exists
    JoinEmailSent,
    MemberAnnounced,      // the Changes, success and WebLog lines of a new member
    LoanStarted,          // the loan pass has been run
};

struct JournalEntry {
    QString fieldId;
    long memberNumber = 0;
    bool newMember = false;
    bool rejoin = false;
    ImportStage stage = ImportStage::Started;
    QString identityStatus;     // field_31 after the identity check
    QString identityReference;  // field_33
    QString amountAppliedFor;   // field_46, which a failed identity check clears
};

class ImportJournal {
public:
    explicit ImportJournal(const Importer& importer);

    std::optional<JournalEntry> read() const;
    // Replaces the file's content in one step: a crash leaves the old or the new entry.
    void write(const JournalEntry& entry);
    void clear();

    const QString& path() const { return path_; }

private:
    QString path_;
};

}  // namespace autovelt
