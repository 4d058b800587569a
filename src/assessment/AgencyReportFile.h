#pragma once

#include <QString>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline assessment {

// Files one agency response ("MEMBERID": identity check, "CREDITCH": credit report) as a
// dated XML file in the member's folder under the scanned images folder, or under "web" in
// the program's folder when the scanned images folder cannot be reached. The newest
// response of a day keeps the day's file name; an earlier one of the same day is kept
// beside it under a numbered name rather than deleted. Inside an import pass the file is
// filed only when the application commits. Returns the file's path, or an empty text (with
// a problem line) when nothing could be written.
QString StoreAgencyReport(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, long memberNumber,
                          const QString& kind, const QString& content);

// "AccountOpenSearch-<yyyymmdd>.xml" or "CreditCheck-<yyyymmdd>.xml"; other kinds
// "<KIND>-<yyyymmdd>.xml".
QString AgencyReportFileName(const QString& kind, const QString& date);

}  // namespace autovelt::assessment
