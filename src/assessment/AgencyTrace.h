#pragma once

// Copies of the requests sent to the credit reference agency, kept for staff who look into
// a failed exchange. A request holds an applicant's personal data and the agency login,
// so the copies live in a folder of the importer's user alone and never hold a password.

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline assessment {

// The folder for request copies: "autovelt-<user id>" in the system's temporary folder,
// made 0700. When that name is taken by something that is not a private folder of this
// user (another user may create it first), "trace" in the program's folder instead.
QString AgencyTraceFolder(const QString& programFolder);

// The request with the content of every <password> element replaced by "********".
QString MaskAgencyPasswords(const QString& request);

// Writes the request, passwords masked and followed by a line end, as a 0600 file of the
// given name in AgencyTraceFolder, replacing an earlier copy. Returns the file's path; a
// copy that cannot be written gives a problem line (the request still goes).
// Inside an application the copy is removed once the application has committed.
QString WriteAgencyTrace(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         const QString& fileName, const QString& request);

// A copy a problem line refers staff to stays after the commit, until it is older than the
// retention period.
void KeepAgencyTraceForStaff(UnitSession& session, const ApplicationState& app, const QString& path);

// At the start of a cycle: removes the request copies and the kept agency answers older
// than [agency] trace_retention_days, whatever became of their application.
void RemoveExpiredAgencyCopies(const CycleContext& cycle, UnitSession& session);

}  // namespace autovelt::assessment
