#pragma once

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline comms {

// The emails to the applicant of the current application, each filled in from its template
// in the program's folder and queued in the outbox (sent once the application has
// committed; at once when no import pass is running). They read the application (member
// number, new-member number, applicant's address, fields 3, 4, 6, 105 and 110),
// cycle.settings (credit union, sender, web host, UAT mode), cycle.config (support
// mailbox, upload hosts) and the single-application run (cycle.applicationIdOverride).
//
// Join: after a join-only application. Loan: after a loan application was created
// ("Lnjandb.html" when this run created the member, else "Lngeneral.html"). Fail: when an
// application is refused; it also notes the body in the member's diary.
void SendJoinEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);
void SendLoanEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);
void SendFailEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app);

}  // namespace autovelt::comms
