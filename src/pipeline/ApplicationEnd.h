#pragma once

// How the pass ends an application: imported or refused, and its website rows marked once
// its unit of work has committed. Only the pipeline ends an application or writes to the
// website's database.

#include "import/Refusal.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace autovelt::inline state { class CycleContext; class UnitSession; struct ApplicationState; }

namespace autovelt::inline pipeline {

// Ends the current application: it is imported, or refused when there is a failure
// to record (notes or the failure email). A skip with notes gets a diary note and a
// WebLog row "SKIPPED"; with failEmailReqd, the failure email. The website's rows are
// marked after the application's unit of work has committed.
void UpdateTableWRecord(const CycleContext& cycle, UnitSession& session, ApplicationState& app, bool failEmailReqd,
                        const QString& failNotes);

// What finds an application's rows on the website: its table_w key, and the second key its
// table_ad rows carry.
struct OnlineRowKeys {
    QString fieldId;
    QString rawField2;
};

// Marks applications imported on the website, a batch in two statements: their table_w
// rows and their pending table_ad rows; nothing else of the online database is written.
void MarkOnlineRowsImported(const CycleContext& cycle, UnitSession& session, const QList<OnlineRowKeys>& applications);

// The two statements that mark applications imported at the given stamp
// ("YYYY-MM-DD hh:mm:ss").
QString MarkApplicationStatement(const QStringList& fieldIds, const QString& stamp);
QString MarkAddressesStatement(const QStringList& rawField2s, const QString& stamp);

// Reports the refusal with the loan applied for, and marks the application refused.
void RefuseApplication(const CycleContext& cycle, UnitSession& session, ApplicationState& app, const Refusal& refusal);

}  // namespace autovelt::pipeline
