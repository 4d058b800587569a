// The real program, run as the credit union's service and its IT person run it, and what its headless runner prints.
#include "app/CycleRecord.h"
#include "app/InstanceLock.h"
#include "app/PrintingReporter.h"
#include "support/ManualClock.h"
#include "support/ProgramRuns.h"
#include "support/InstallationTest.h"
#include "support/WebApplication.h"

#include <QRegularExpression>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ExecutableTest : public test::InstallationTest {
protected:
    using Run = test::ProgramRun;
    Run run(const QStringList& arguments) { return test::RunAutovelt(arguments); }
    Run runHere(const QStringList& arguments) { return run(QStringList(arguments) << "--home" << inst.home()); }
};

// Exit codes: 0 done, 1 a cycle that stopped on a problem, 2 a bad command line. (No password in the
// lines a failed connection prints: ControlSettingsDatabaseErrors, through the same reporter.) A cycle with
// nothing pending prints nothing.
TEST_F(ExecutableTest, ExitCodesOfOnceAndTheCommandLine) {
    const Run idle = runHere({"--once"});
    EXPECT_EQ(std::pair(idle.exitCode, idle.out), std::pair(0, QString()));
    // An unknown option, no action (the window is autovelt-window's), no home folder, --json without --status.
    for (const QStringList& bad : {QStringList{"--once", "--frobnicate"}, {"--home", inst.home()}, {"--home"}, {"--json"}})
        EXPECT_EQ(run(bad).exitCode, 2) << bad.join(' ').toStdString();
    EXPECT_TRUE(run({"--version"}).out.startsWith("autovelt "));
    inst.appendConfig("[encoding]\ndigits = 12");  // a bad setting stops the cycle before any database
    const Run badSetting = runHere({"--once"});
    EXPECT_EQ(badSetting.exitCode, 1);
    EXPECT_TRUE(badSetting.out.contains("problem: Setting [encoding] digits = \"12\"")) << badSetting.out.toStdString();
}

TEST_F(ExecutableTest, InitCreatesAnInstallationAndNeverOverwritesOne) {
    const QString home = inst.path("cu");
    ASSERT_EQ(run({"--init", "--home", home}).exitCode, 0);  // what it creates: PrivateFilesTest
    inst.writeFile("cu/autovelt.ini", "; edited by the credit union\n");
    const QDateTime before = QFileInfo(home + "/data/TarvMain.db").lastModified();
    const Run again = run({"--init", "--home", home});
    EXPECT_TRUE(again.err.contains("already holds an installation")) << again.err.toStdString();
    EXPECT_EQ(std::tuple(again.exitCode, inst.readFile(home + "/autovelt.ini"), QFileInfo(home + "/data/TarvMain.db").lastModified()),
              std::tuple(3, QString("; edited by the credit union\n"), before));
}

TEST_F(ExecutableTest, HeadlessPrintsLinesAsReportedAndStopsOnSigterm) {
    inst.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");  // a line every cycle
    const auto p = test::StartAutovelt({"--headless", "--home", inst.home()});
    QString out;
    for (int i = 0; i < 300 && !out.contains("Table_test found"); ++i) {
        p->waitForReadyRead(100);
        out += QString::fromUtf8(p->readAllStandardOutput());
    }
    EXPECT_TRUE(out.contains("problem: Table_test found - so operating in UAT mode.")) << out.toStdString();
    ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
    ASSERT_TRUE(p->waitForFinished(10000));
    EXPECT_EQ(std::pair(p->exitStatus(), p->exitCode()), std::pair(QProcess::NormalExit, 0));
}

QStringList linesWritten(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QStringList lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, file)) lines << QString::fromLocal8Bit(buffer).trimmed();
    return lines;
}

// The headless runner's output is the service's journal: every report line, and at most one progress line a second.
TEST(PrintingReporter, PrintsEveryLineAndProgressAtMostOnceASecond) {
    test::ManualClock clock;
    std::FILE* out = std::tmpfile();
    PrintingReporter reporter(clock, out);
    reporter.showProgress({1, 40, QStringLiteral("reading the application")});
    for (int step = 0; step < 4; ++step) {  // four more steps within 0.8 s: none printed
        clock.pause(0.2);
        reporter.showProgress({1, 40, QStringLiteral("writing the member")});
    }
    reporter.showException(QStringLiteral("Member 12 failed ID search.\nsecond line"));
    clock.pause(0.2);  // a second after the first progress line
    reporter.showProgress({2, 40, QStringLiteral("matching the applicant")});
    reporter.showSuccess(QStringLiteral("Member 13 passed ID search."));

    EXPECT_EQ(linesWritten(out), (QStringList{"progress: application 1 of 40: reading the application",
                                              "problem: Member 12 failed ID search. second line",
                                              "progress: application 2 of 40: matching the applicant",
                                              "success: Member 13 passed ID search."}));
    std::fclose(out);
}

// Deletion lists first, deletes only with --yes and waits for a running importer's lock (that it leaves other
// members alone: MemberDeletionTest); the search reads the logs beside it.
TEST_F(ExecutableTest, DeletionAndSearchFromTheCommandLine) {
    inst.exec("TarvMain", "INSERT INTO MemberMain (MemberNo, Forename, Surname) VALUES (123, 'Ann', 'Lee')");
    inst.exec("TarvID", "INSERT INTO IDProof (MemberNo) VALUES (123)");
    const auto rowsOf123 = [&] { return inst.count("TarvMain", "SELECT * FROM MemberMain WHERE MemberNo=123") +
                                        inst.count("TarvID", "SELECT * FROM IDProof WHERE MemberNo=123"); };
    inst.writeFile("web/importer.txt", "Member 123 refused\n");
    {
        InstanceLock runningImporter(inst.home());
        ASSERT_TRUE(runningImporter.acquired());
        EXPECT_EQ(runHere({"--delete-member", "123", "--yes"}).exitCode, 4);
        EXPECT_EQ(rowsOf123(), 2);
        const Run found = runHere({"--search", "MEMBER 123"});
        EXPECT_EQ(found.exitCode, 0);
        EXPECT_TRUE(found.out.endsWith("  " + inst.path("web/importer.txt") + "\n")) << found.out.toStdString();
        EXPECT_EQ(runHere({"--search", "member 999"}).exitCode, 1);
        EXPECT_EQ(run({"--search", "member", inst.path("no-such-folder"), "--home", inst.home()}).exitCode, 2);
    }
    const struct { QStringList arguments; int exitCode; int rowsLeft; const char* shows; } cases[] = {
        {{"--delete-member", "123abc", "--yes"}, 2, 2, "--delete-member needs a whole member number"},
        {{"--init", "--delete-member", "123", "--yes"}, 2, 2, "are separate actions: name one"},  // never past the lock
        {{"--delete-member", "123"}, 8, 2, "Member 123 (Ann Lee) - rows to delete:\n  MemberMain: 1\n  IDProof: 1\nNothing deleted"},
        {{"--delete-member", "123", "--yes"}, 0, 0, "success: Deleted member 123"},
    };
    for (const auto& c : cases) {
        const Run r = runHere(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out.toStdString();
        EXPECT_EQ(rowsOf123(), c.rowsLeft) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE((r.out + r.err).contains(c.shows)) << r.out.toStdString();
    }
}

// What a monitoring system sees: healthy after a good cycle; not healthy with an uncertain email or an
// application waiting longer than [timing] stale_minutes; a cycle under way (its importer holding the lock) is
// shown and does not stop the status from reading.
TEST_F(ExecutableTest, StatusTellsAMonitorWhetherAPersonIsNeeded) {
    ASSERT_EQ(runHere({"--once"}).exitCode, 0);
    const CycleRecord afterGoodCycle = CycleRecord::read(inst.home());
    const QDateTime now = QDateTime::currentDateTime();
    // Each case changes the good cycle's record before it is written.
    const struct { const char* what; std::function<void(CycleRecord&)> change; int exitCode; const char* line; const char* jsonPath;
                   QJsonValue json; } cases[] = {
        {"healthy", [](CycleRecord&) {}, 0, "last cycle: started ", "lastCycle/exitStatus", 0},
        {"an uncertain email",
         [&](CycleRecord&) {
             inst.exec("TarvAudt", "INSERT INTO VeltEffect (ApplicationKey, Kind, State, Attempts) VALUES ('1001-ab', 'email', 'uncertain', 1)");
         },
         1, "problem: the email of application 1001 is uncertain", "outbox/uncertain",
         QJsonArray{QJsonObject{{"application", "1001"}, {"kind", "email"}}}},
        {"a stale application",
         [&](CycleRecord& r) {
             inst.exec("online", "INSERT INTO table_w (field_id, field_107) VALUES (1001, 'N')");
             r.pendingSeen = {{now.addSecs(-61 * 60), 1001}};
         },
         1, "problem: application 1001 has been pending since ", "pending/oldestMinutes", 61},
        {"a cycle under way",
         [&](CycleRecord& r) {
             r.started = now;
             r.ended = {};
             r.processId = QCoreApplication::applicationPid();
         },
         0, "cycle running since ", "lastCycle/running", true},
    };
    InstanceLock runningImporter(inst.home());  // status reads beside a working importer
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        inst.exec("TarvAudt", "DELETE FROM VeltEffect");
        inst.exec("online", "DELETE FROM table_w");
        CycleRecord record = afterGoodCycle;
        c.change(record);
        ASSERT_TRUE(record.write(inst.home(), nullptr));
        const Run text = runHere({"--status"});
        EXPECT_EQ(text.exitCode, c.exitCode) << text.out.toStdString();
        EXPECT_TRUE(text.out.startsWith(c.exitCode == 0 ? "healthy\n" : "NOT HEALTHY\n")) << text.out.toStdString();
        EXPECT_TRUE(text.out.contains(QString("\n") + c.line)) << text.out.toStdString();
        const Run json = runHere({"--status", "--json"});
        EXPECT_EQ(json.exitCode, c.exitCode);
        QJsonValue value = QJsonDocument::fromJson(json.out.toUtf8()).object();
        for (const QString& key : QString(c.jsonPath).split('/')) value = value[key];
        EXPECT_EQ(value, c.json) << json.out.toStdString();
    }
}

// A dry run shows what the next cycle will do, each line marked, and leaves every table, file and online row as it was:
// the real cycle that follows reports the same.
TEST_F(ExecutableTest, ADryRunChangesNothingAndShowsWhatTheCycleWillDo) {
    using autovelt::testing::WebApplication;
    inst.appendConfig(autovelt::testing::markedCodeTablesIni() + "\n[timing]\nsettle_pauses = false");
    WebApplication borrower = WebApplication::joinAndBorrow(2);
    borrower.niNumber = "CD123456A";
    for (const WebApplication& a : {WebApplication::joinOnly(1), borrower})
        for (const QString& statement : autovelt::testing::insertStatements(a)) inst.exec("online", statement);
    // The files by content (a database by its rows, its journal being the engine's own), and every row.
    const auto everything = [this] {
        QStringList found = test::FilesUnder(inst.home(), true);
        found.removeIf([](const QString& file) {
            return file.section('=', 0, 0).contains(QRegularExpression("autovelt.lock|\\.db$|\\.db-journal$"));
        });
        for (const char* db : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"}) found += inst.everyRow(db);
        return found;
    };
    const QStringList before = everything();
    const Run dry = runHere({"--dry-run"});
    EXPECT_EQ(dry.exitCode, 0) << dry.out.toStdString() << dry.err.toStdString();
    EXPECT_EQ(everything(), before);

    const Run real = runHere({"--once"});
    ASSERT_EQ(real.exitCode, 0) << real.out.toStdString();
    static const QRegularExpression time(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"));
    const auto reportLines = [](const QString& output, const QString& mark) {
        QStringList lines;
        for (QString line : output.split('\n', Qt::SkipEmptyParts)) {
            EXPECT_TRUE(line.startsWith(mark)) << line.toStdString();
            line = line.mid(mark.size()).replace(time, "T");
            if (!line.startsWith("progress:") && !line.contains("Dry run:")) lines << line;
        }
        return lines;
    };
    EXPECT_EQ(reportLines(dry.out, "dry run: "), reportLines(real.out, QString())) << dry.out.toStdString();
    EXPECT_TRUE(dry.out.contains("dry run: success: Added new member 1") &&
                dry.out.contains("dry run: success: Dry run: nothing was saved, sent or filed")) << dry.out.toStdString();
}

}  // namespace
