// The real program killed at random moments and at chosen steps (each commit, the loan number, the email under way), then
// run again until it finishes: every table must
// hold what an uninterrupted run writes. Also two importers on one installation and cut-off commits.

#include "app/InstanceLock.h"
#include "support/ImportPassFixture.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <random>

using namespace autovelt;
using namespace autovelt::test;

namespace {

constexpr int kApplications = 240;
constexpr int kExistingMembers = 60;

// Every row of every table, in storage order, blanking the folder, the times of day (in file names too), and whether an
// email the crash cut off is "uncertain" where the uninterrupted run has "done" (checked against the mail itself).
QStringList dumpInstallation(TestInstallation& inst) {
    static const QRegularExpression timeOfDay(QStringLiteral("\\d\\d:\\d\\d(:\\d\\d)?|_\\d{6}(_\\d+)?\\.txt"));
    static const QRegularExpression settled(QStringLiteral("\\|(done|uncertain)\\|\\d+\\|([^|]*)\\|([^|]*)$"));
    QStringList lines;
    for (const QString db : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"}) {
        for (QString row : inst.everyRow(db)) {
            row.replace(inst.home(), "<home>").replace(timeOfDay, "T");
            lines << (row.startsWith("VeltEffect:") ? row.replace(settled, "|settled") : row);
        }
    }
    return lines;
}

// The HTML bodies of the messages in the pickup folder.
QStringList mailBodies(const TestInstallation& inst) {
    QStringList bodies;
    for (const auto& mail : PickedUpMails(inst.path("outbox")))
        for (const auto& part : mail.parts)
            if (part.contentType == "text/html") bodies << QString::fromUtf8(part.payload).remove('\r');
    return bodies;
}

// A day's mix: new joiners and borrowers, members who moved or are rejoining, and refusals.
QList<WebApplication> dayOfApplications(int count) {
    QList<WebApplication> day;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        WebApplication a = i % 5 == 0 ? WebApplication::joinOnly(i) : WebApplication::joinAndBorrow(i);
        a.set(6, "Surname" + QString(QChar(u'a' + i % 26)) + n).set(4, "Forename" + n);
        a.niNumber = QStringLiteral("AB%1C").arg(i, 6, 10, QLatin1Char('0'));
        if (i % 5 == 2 && i / 5 < kExistingMembers) {  // an existing member, matched by NI number, who has moved
            a.set(6, QStringLiteral("Member%1").arg(i / 5)).set(4, "John");
            a.niNumber = QStringLiteral("CD%1A").arg(i / 5, 6, 10, QLatin1Char('0'));
            a.addresses.first().street = "New Road " + n;
        }
        if (i % 7 == 3) a.set(7, "");  // no date of birth: refused
        day << a;
    }
    return day;
}

class CrashSafetyTest : public ImportPassTest {
protected:
    // Small batches: a run commits several times. Of two, a step's third call comes after the first commit.
    static void prepare(TestInstallation& installation, int applications, int batch = 2) {
        installation.appendConfig(QStringLiteral("[timing]\nbatch_applications = %1").arg(batch));
        for (int m = 0; m < kExistingMembers; ++m)
            installation.addMember({.number = 1000 + m, .surname = QStringLiteral("Member%1").arg(m),
                                    .ni = QStringLiteral("CD%1A").arg(m, 6, 10, QLatin1Char('0')), .status = m % 4 == 0 ? "L" : "A",
                                    .homeEmail = QString()});
        for (const WebApplication& application : dayOfApplications(applications))
            for (const QString& statement : autovelt::testing::insertStatements(application))
                installation.exec("online", statement);
    }
};

// Both installations prepared alike; the reference runs without interruption.
class KilledRunTest : public CrashSafetyTest {
protected:
    // The time the reference run took, for kills at random moments within it.
    qint64 runReference(int applications, int batch = 2) {
        reference.appendConfig(autovelt::testing::markedCodeTablesIni());
        prepare(reference, applications, batch);
        prepare(inst, applications, batch);
        QElapsedTimer clock;
        clock.start();
        const auto p = StartAutovelt({"--once", "--home", reference.home()});
        EXPECT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
        return clock.elapsed();
    }

    // Runs the killed installation to the end and compares it with the reference; the output of the run that finished it.
    QString finishAndCompare() {
        const ProgramRun finishing = runProgram();
        EXPECT_EQ(finishing.exitCode, 0) << finishing.output().toStdString();
        const ProgramRun last = runProgram();  // finds nothing left to do
        EXPECT_EQ(last.exitCode, 0);
        EXPECT_FALSE(last.output().contains("Join+Borrow import process started")) << last.output().toStdString();

        const QStringList expected = dumpInstallation(reference);
        const QStringList actual = dumpInstallation(inst);
        const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
        EXPECT_TRUE(a == actual.end() && e == expected.end()) << "first difference at line " << (a - actual.begin()) << ": "
            << (a == actual.end() ? "" : a->toStdString()) << "\nexpected: " << (e == expected.end() ? "" : e->toStdString());
        // One loan number taken per loan, every row marked once.
        EXPECT_EQ(rows("TarvTran", "SELECT DISTINCT LoanNumber FROM LoanAllocation"), rows("TarvTran", "SELECT * FROM LoanAllocation"));
        EXPECT_EQ(rows("online", "SELECT * FROM table_w WHERE field_107<>'Y'") + rows("online", "SELECT * FROM table_ad WHERE field_21<>'Y'"), 0);
        expectEachEmailSentAtMostOnce();
        return finishing.output();
    }

    // Every email was sent at most once; one that was certainly sent, exactly once.
    void expectEachEmailSentAtMostOnce() {
        const QStringList bodies = mailBodies(inst);
        const QStringList effects = inst.values("TarvAudt", "SELECT State || '|' || Payload FROM VeltEffect WHERE Kind='email'");
        EXPECT_EQ(effects.size(), mailBodies(reference).size());
        for (const QString& effect : effects) {
            const QString state = effect.section('|', 0, 0);
            const QString body = QJsonDocument::fromJson(effect.section('|', 1).toUtf8()).object().value("body").toString().remove('\r');
            EXPECT_TRUE(state == "done" || state == "uncertain") << state.toStdString();
            if (state == "done") EXPECT_EQ(bodies.count(body), 1) << body.left(300).toStdString();
            else EXPECT_LE(bodies.count(body), 1) << body.left(300).toStdString();
        }
    }

    TestInstallation reference;
};

// Kills between the chosen steps too: in the middle of a statement, a file or an email.
class RandomKillTest : public KilledRunTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RandomKillTest, EveryApplicationIsImportedOnceAndEveryRowAsAnUninterruptedRunWrites) {
    const qint64 runMs = runReference(kApplications, 15);
    std::mt19937 random(GetParam());
    std::uniform_int_distribution<qint64> moment(10, runMs * 9 / 10);
    int kills = 0;
    for (int attempt = 0; attempt < 6; ++attempt, ++kills) {
        const auto p = StartAutovelt({"--once", "--home", inst.home()});
        if (p->waitForFinished(static_cast<int>(moment(random)))) break;
        p->kill();
        p->waitForFinished();
    }
    ASSERT_GT(kills, 0) << "no run was interrupted";
    finishAndCompare();
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomKillTest, ::testing::Values(11u, 90125u));

// A step reached through the debugger: stopped at the function's entry (or return) on its third call and killed there.
struct KillPoint {
    const char* name;
    const char* function;
    bool onReturn;
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.name; }

class KillAtStepTest : public KilledRunTest, public ::testing::WithParamInterface<KillPoint> {};

TEST_P(KillAtStepTest, TheRunAfterTheKillLeavesWhatAnUninterruptedRunWrites) {
    runReference(10);
    QStringList commands = {"break " + QString(GetParam().function), "ignore 1 2", "run"};
    if (GetParam().onReturn) commands << "finish";
    const QString trace = RunAutoveltKilledAt(inst.home(), commands);
    ASSERT_TRUE(trace.contains("Breakpoint 1, ")) << "the step was never reached\n" << trace.toStdString();

    // A pickup email under way is found delivered or not by its name: every email went, once.
    const QString finishing = finishAndCompare();
    EXPECT_FALSE(finishing.contains("was under way when the importer stopped")) << finishing.toStdString();
    EXPECT_EQ(mailBodies(inst).size(), mailBodies(reference).size());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KillAtStepTest,
    ::testing::Values(KillPoint{"AfterTheCounterUpdate", "autovelt::loans::TakeLoanNumber", true},
                      KillPoint{"AfterTheLoanRow", "autovelt::loans::LoanPayeeStatement", false},
                      KillPoint{"AfterThePayeeRow", "autovelt::loans::BuildSavingsPayProfile", false},
                      KillPoint{"AfterThePolicyLog", "autovelt::assessment::CopyRulesLogToPolicyLog", true},
                      KillPoint{"BeforeTheEmail", "autovelt::comms::QueueEmail", false},
                      KillPoint{"WhileTheEmailIsSent", "autovelt::comms::SendQueuedEmail", false},
                      KillPoint{"AfterTheEmail", "autovelt::comms::SendQueuedEmail", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A second importer started while one holds the installation imports nothing.
TEST_F(CrashSafetyTest, ASecondImporterOnTheSameInstallationIsRefused) {
    add(WebApplication::joinAndBorrow(1));
    InstanceLock firstImporter(inst.home());
    ASSERT_TRUE(firstImporter.acquired());
    const ProgramRun second = runProgram();
    EXPECT_EQ(second.exitCode, 4) << second.output().toStdString();
    EXPECT_TRUE(second.output().contains("Another importer is already running")) << second.output().toStdString();
    EXPECT_EQ(members(), 0);
}

// The service stops the importer with SIGTERM: the application under way (the first, signalled as it takes its loan
// number) commits, the rest wait.
TEST_F(CrashSafetyTest, SigtermUnderOnceFinishesTheCurrentApplicationAndLeavesTheRestPending) {
    prepare(inst, 10);
    const QString trace = RunAutoveltKilledAt(inst.home(), {"break autovelt::loans::TakeLoanNumber", "run", "delete", "signal SIGTERM"});
    EXPECT_TRUE(trace.contains("exited with code 06")) << trace.toStdString();
    EXPECT_EQ(std::pair(rows("online", "SELECT * FROM table_w WHERE field_107='Y'"), rows("TarvAudt", "SELECT * FROM VeltImport")),
              std::pair(1, 1));
}

// Stopped after the commit, before the website rows were marked: the next run marks them and writes nothing twice.
// A key the website gave again to a new applicant after deleting the row is a new application.
TEST_F(CrashSafetyTest, ACommittedApplicationLeftUnmarkedIsMarkedAndNotImportedAgain) {
    add(WebApplication::joinAndBorrow(1));
    runCycle();
    ASSERT_EQ(importedFlag(1), "Y");
    const QStringList before = dumpInstallation(inst);
    onlineExec("UPDATE table_w SET field_107='N'");
    onlineExec("UPDATE table_ad SET field_21='N'");
    inst.reporter().clear();
    runCycle();
    EXPECT_TRUE(successes().contains("Application was imported by an earlier run (member 1); now marked imported online" + suffix(1)))
        << report();
    EXPECT_EQ(dumpInstallation(inst), before);

    onlineExec("DELETE FROM table_w");
    add(withNino(WebApplication::joinAndBorrow(1).set(6, "Newcomer").set(4, "Ann"), "CD123456A"));
    runCycle();
    EXPECT_EQ(memberColumn(2, "Surname"), "Newcomer") << report();
}

// A run cut off between the databases' commits leaves a commit window naming its applications: reported, never repeated.
TEST_F(CrashSafetyTest, AnInterruptedCommitWindowIsReportedAndItsApplicationsNotRepeated) {
    add(WebApplication::joinAndBorrow(7));
    runCycle();
    const QString key = inst.values("TarvAudt", "SELECT ApplicationKey FROM VeltImport").value(0);
    inst.exec("TarvAudt", "DELETE FROM VeltImport");
    onlineExec("UPDATE table_w SET field_107='N'");
    inst.writeFile("commit-window.txt", "application=" + key + "\ncommitted=TarvMain\n");
    inst.reporter().clear();
    runCycle();
    EXPECT_EQ(problems().filter("saved in TarvMain; not saved in TarvTran, TarvAudt, TarvID").size(), 1) << report();
    EXPECT_TRUE(problems().contains("Application was interrupted by an earlier run (member 0); now marked imported online" + suffix(7)))
        << report();
    EXPECT_EQ(members(), 1);
    EXPECT_FALSE(QFile::exists(inst.path("commit-window.txt")));
}

}  // namespace
