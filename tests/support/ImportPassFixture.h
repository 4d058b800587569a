#pragma once

// A sample installation whose online database holds applications written by the
// website's encoder, driven through the real cycle: settings load, import pass, close-down.

#include "app/ImportCycle.h"
#include "common/SqlQuote.h"
#include "support/ProgramRuns.h"
#include "support/InstallationTest.h"
#include "support/WebApplication.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace autovelt::test {

using testing::WebApplication;

// 5 March 2026: day and month both 12 or less, so a date written in the wrong order shows.
inline const QDateTime kImportPassTime(QDate(2026, 3, 5), QTime(10, 15, 0));
inline const QString kStartedLine = QStringLiteral("Join+Borrow import process started at 05/03/2026 10:15:00");
inline const QString kCompletedLine = QStringLiteral("Join+Borrow process completed at 05/03/2026 10:15:00");
inline const QString kImportedStamp = QStringLiteral("2026-03-05 10:15:00");
inline QString suffix(long fieldId) { return QStringLiteral(" (table_w field_id=%1)").arg(fieldId); }
// The application of another person: their own National Insurance number.
inline testing::WebApplication withNino(testing::WebApplication a, const QString& ni) {
    a.niNumber = ni;
    return a;
}

// Its helpers are public, for scenario tables that arrange and check through them.
class ImportPassTest : public InstallationTest {
public:
    void SetUp() override {
        inst.appendConfig(testing::markedCodeTablesIni() + QStringLiteral("\n[timing]\nsettle_pauses = false"));
        inst.clock().set(kImportPassTime);
    }


    virtual void onlineExec(const QString& statement) { inst.exec(QStringLiteral("online"), statement); }
    virtual QVariant onlineScalar(const QString& query) { return inst.scalar(QStringLiteral("online"), query); }

    void add(const testing::WebApplication& application) {
        for (const QString& statement : testing::insertStatements(application)) onlineExec(statement);
    }

    void runCycle() {  // as the timer runs it
        ManualCycleTimer timer;
        ImportCycle cycle(im(), timer);
        cycle.RunCycle();
    }

    QString applicationColumn(long fieldId, const QString& column) {
        return onlineScalar(QStringLiteral("SELECT %1 FROM table_w WHERE field_id=%2").arg(column).arg(fieldId)).toString();
    }
    QString importedFlag(long fieldId) { return applicationColumn(fieldId, QStringLiteral("field_107")); }

    using Member = StoredMember;
    void addMember(const Member& m) { inst.addMember(m); }

    // A column of one row of a core banking table ("<none>" when there is no row).
    QString column(const QString& database, const QString& table, const QString& column, const QString& where) {
        return inst.rows(database, table, {column}, where).value(0, QStringLiteral("<none>"));
    }
    QString memberColumn(long number, const QString& name) {
        return column(QStringLiteral("TarvMain"), QStringLiteral("MemberMain"), name, QStringLiteral("MemberNo=%1").arg(number));
    }
    int rows(const QString& database, const QString& query) { return inst.count(database, query); }
    int members() { return rows(QStringLiteral("TarvMain"), QStringLiteral("SELECT * FROM MemberMain")); }

    // The WebLog rows of a member, each as "activity|category|keyword".
    QStringList webLog(long number) { return inst.values(QStringLiteral("TarvAudt"),
        QStringLiteral("SELECT TheActivity || '|' || TheCategory || '|' || TheKeyword FROM WebLog WHERE MemberNo=%1 ORDER BY ID").arg(number)); }
    QStringList diary(long number) { return inst.values(QStringLiteral("TarvTran"),
        QStringLiteral("SELECT Keyword || '|' || Msgtext FROM Diary WHERE Memberno=%1 ORDER BY ID").arg(number)); }
    QStringList changes(long number) { return inst.values(QStringLiteral("TarvTran"),
        QStringLiteral("SELECT Description FROM Changes WHERE MemberNo=%1 ORDER BY ID").arg(number)); }

    QStringList filesIn(const QString& folder) { return FilesUnder(inst.path(folder)); }
    // The emails to applicants in the pickup folder, each as "to|subject".
    QStringList applicantMails() {
        QStringList mails;
        for (const auto& mail : PickedUpMails(inst.path(QStringLiteral("outbox"))))
            if (mail.header(QStringLiteral("Subject")) != QLatin1String("Automated Activity"))
                mails << mail.header(QStringLiteral("To")) + QLatin1Char('|') + mail.header(QStringLiteral("Subject"));
        return mails;
    }
    // The lines of the application details files under a folder of the installation (the first of each behind its path).
    QStringList detailsFileLines(const QString& folder) {
        return FilesUnder(inst.path(folder), true).filter(QStringLiteral("J+B_App_")).join(QLatin1Char('\n')).split(QLatin1Char('\n'));
    }
    // The activity log files, by their paths in the installation.
    QStringList activityLogs() { return FilesUnder(inst.home()).filter(QRegularExpression(QStringLiteral("^VELTLOGS_[^/]*/[^/]*$"))); }

    // "autovelt --once" on the installation, as a separate process.
    ProgramRun runProgram() { return RunAutovelt({QStringLiteral("--once"), QStringLiteral("--home"), inst.home()}); }

};

// The website's database engine as a parameter: the embedded file, or a private MariaDB
// server on loopback (scripts/test-mariadb) whose cases skip when none is running.
enum class OnlineBackend { Embedded, MariaDb };

class OnlineImportPassTest : public ImportPassTest, public ::testing::WithParamInterface<OnlineBackend> {
protected:
    void SetUp() override {
        ImportPassTest::SetUp();
        if (GetParam() == OnlineBackend::Embedded) return;
        if (!inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        inst.openWebsite(website_);
        ASSERT_EQ(website_.engine(), db::Engine::MySql);
    }

    void onlineExec(const QString& statement) override {
        if (website_.isOpen()) website_.execute(statement);
        else ImportPassTest::onlineExec(statement);
    }
    QVariant onlineScalar(const QString& query) override {
        if (!website_.isOpen()) return ImportPassTest::onlineScalar(query);
        db::Recordset rs = website_.openRecordset(query);
        return rs.eof() ? QVariant() : rs.value(0);
    }

    db::Connection website_;
};

}  // namespace autovelt::test
