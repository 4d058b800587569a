// The real program killed at random moments over a few hundred applications, then run
// again until it finishes: every table must hold exactly what an uninterrupted run writes.
// Also: two importers on one installation, and a run stopped after its commit but before
// the website rows were marked.

#include "import/ImportPassFixture.h"
#include "support/SmtpSink.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <random>

using namespace autovelt;
using namespace autovelt::test;
using autovelt::testing::WebApplication;
using autovelt::testing::WebAddress;

namespace {

constexpr int kApplications = 240;
constexpr int kExistingMembers = 60;

// Every row of every table of one database file, in storage order, with the times of day
// (which differ from run to run) blanked.
QStringList dumpDatabase(const QString& file) {
    static const QRegularExpression timeOfDay(QStringLiteral("\\d\\d:\\d\\d(:\\d\\d)?"));
    const QString name = QStringLiteral("dump-") + file;
    QStringList lines;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.open();
        QSqlQuery tables(db);
        tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
        QStringList names;
        while (tables.next()) names << tables.value(0).toString();
        for (const QString& table : names) {
            QSqlQuery rows(db);
            rows.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table));
            while (rows.next()) {
                QStringList values;
                for (int i = 0; i < rows.record().count(); ++i) values << rows.value(i).toString();
                lines << table + QLatin1Char(':') + values.join(QLatin1Char('|')).replace(timeOfDay, QStringLiteral("T"));
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return lines;
}

// An email the crash cut off while it was being sent is "uncertain" where the uninterrupted
// run has "done"; which of the two it is, is checked against the mail itself.
QStringList withEffectStatesBlanked(QStringList lines) {
    static const QRegularExpression settled(QStringLiteral("\\|(done|uncertain)\\|\\d+\\|([^|]*)\\|([^|]*)$"));
    for (QString& line : lines)
        if (line.startsWith(QLatin1String("VeltEffect:"))) line.replace(settled, QStringLiteral("|settled"));
    return lines;
}

// The HTML bodies of the messages in the pickup folder.
QStringList mailBodies(const TestInstallation& inst) {
    QStringList bodies;
    const QDir outbox(inst.path(QStringLiteral("outbox")));
    for (const QString& name : outbox.entryList(QDir::Files))
        if (const auto mail = autovelt::testing::SmtpSink::parseMessageFile(outbox.filePath(name)))
            for (const auto& part : mail->parts)
                if (part.contentType == QLatin1String("text/html"))
                    bodies << QString::fromUtf8(part.payload).remove(QLatin1Char('\r'));
    return bodies;
}

// Every email was sent at most once; one that was certainly sent, exactly once.
void expectEachEmailSentAtMostOnce(const TestInstallation& inst) {
    const QStringList bodies = mailBodies(inst);
    int uncertain = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("effects"));
        db.setDatabaseName(inst.databaseFile(QStringLiteral("TarvAudt")));
        ASSERT_TRUE(db.open());
        QSqlQuery effects(QStringLiteral("SELECT Payload, State FROM VeltEffect WHERE Kind='email'"), db);
        while (effects.next()) {
            const QString body = QJsonDocument::fromJson(effects.value(0).toString().toUtf8()).object()
                                     .value(QStringLiteral("body")).toString().remove(QLatin1Char('\r'));
            const QString state = effects.value(1).toString();
            const int sent = bodies.count(body);
            if (state == QLatin1String("done")) EXPECT_EQ(sent, 1) << body.left(300).toStdString();
            else EXPECT_LE(sent, 1) << state.toStdString();
            EXPECT_TRUE(state == QLatin1String("done") || state == QLatin1String("uncertain")) << state.toStdString();
            uncertain += state == QLatin1String("uncertain");
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("effects"));
    ::testing::Test::RecordProperty("uncertain_emails", uncertain);
}

QStringList dumpInstallation(const TestInstallation& inst);

// Every row of every table as the reference installation holds it; the installations differ
// in their folders only, and an email may be "uncertain" where the reference has "done".
void expectSameRows(const TestInstallation& reference, const TestInstallation& inst, const QString& after) {
    const QStringList expected =
        withEffectStatesBlanked(dumpInstallation(reference).replaceInStrings(reference.home(), QStringLiteral("<home>")));
    const QStringList actual = withEffectStatesBlanked(dumpInstallation(inst).replaceInStrings(inst.home(), QStringLiteral("<home>")));
    EXPECT_EQ(actual.size(), expected.size());
    for (int i = 0; i < std::min(actual.size(), expected.size()); ++i)
        ASSERT_EQ(actual[i].toStdString(), expected[i].toStdString()) << "first difference at line " << i << " " << after.toStdString();
}

QStringList dumpInstallation(const TestInstallation& inst) {
    QStringList all;
    for (const QString& db : {QStringLiteral("TarvMain"), QStringLiteral("TarvTran"), QStringLiteral("TarvAudt"),
                              QStringLiteral("TarvID"), QStringLiteral("online")})
        all << dumpDatabase(inst.databaseFile(db));
    return all;
}

// A mix of what a day brings: new joiners and borrowers, members applying again (some
// moved house, some left and rejoining), and applications that are refused.
QList<WebApplication> dayOfApplications(int count) {
    QList<WebApplication> day;
    for (int i = 1; i <= count; ++i) {
        const QString n = QString::number(i);
        WebApplication a = i % 5 == 0 ? WebApplication::joinOnly(i) : WebApplication::joinAndBorrow(i);
        a.set(6, QStringLiteral("Surname") + QString(QChar(u'a' + i % 26)) + n).set(4, QStringLiteral("Forename") + n);
        a.niNumber = QStringLiteral("AB%1C").arg(i, 6, 10, QLatin1Char('0'));
        if (i % 5 == 2 && i / 5 < kExistingMembers) {
            // An existing member, matched by NI number, who has moved.
            const int m = i / 5;
            a.set(6, QStringLiteral("Member%1").arg(m)).set(4, QStringLiteral("John"));
            a.niNumber = QStringLiteral("CD%1A").arg(m, 6, 10, QLatin1Char('0'));
            a.addresses.first().street = QStringLiteral("New Road ") + n;
        }
        if (i % 7 == 3) a.set(7, QString());  // no date of birth: refused
        day << a;
    }
    return day;
}

class CrashSafetyTest : public ImportPassTest {
protected:
    void prepare(TestInstallation& installation, int applications = kApplications) {
        // Small batches: a run commits several times, so kills fall before, between and
        // after commits.
        installation.appendConfig(QStringLiteral("[timing]\nbatch_applications = 15"));
        for (int m = 0; m < kExistingMembers; ++m) {
            Member member;
            member.number = 1000 + m;
            member.surname = QStringLiteral("Member%1").arg(m);
            member.ni = QStringLiteral("CD%1A").arg(m, 6, 10, QLatin1Char('0'));
            member.status = m % 4 == 0 ? QStringLiteral("L") : QStringLiteral("A");
            member.homeEmail.clear();
            addMemberTo(installation, member);
        }
        for (const WebApplication& application : dayOfApplications(applications))
            for (const QString& statement : autovelt::testing::insertStatements(application))
                installation.exec(QStringLiteral("online"), statement);
    }

    void addMemberTo(TestInstallation& installation, const Member& m) {
        installation.exec(QStringLiteral("TarvMain"),
                          QStringLiteral("INSERT INTO MemberMain (MemberNo, MemberStatus, Title, Forename, Surname, NINumber, "
                                         "DOB, Sex, DOJ, NewMember, AcceptMarketing, DeclineMarketing, ByEmail, JoinChannel) "
                                         "VALUES (%1, %2, 'Mr', %3, %4, %5, %6, 'M', '2001-01-01', 0, 0, 1, 0, 'C')")
                              .arg(m.number)
                              .arg(sqlText(m.status), sqlText(m.forename), sqlText(m.surname), sqlText(m.ni), sqlText(m.dob)));
        installation.exec(QStringLiteral("TarvMain"),
                          QStringLiteral("INSERT INTO MemberAddress (MemberNo, AddressType, YesNo, Line1, Line2, Line3, Postcode) "
                                         "VALUES (%1, 'HOME', 0, '12 High Street', '', 'Leeds', 'LS1 4AB')")
                              .arg(m.number));
    }

    QProcess* startProgram(const TestInstallation& installation) {
        auto* process = new QProcess;
        process->start(QStringLiteral(AUTOVELT_EXECUTABLE), {QStringLiteral("--once"), QStringLiteral("--home"), installation.home()});
        process->waitForStarted();
        return process;
    }
};

class RandomKillTest : public CrashSafetyTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RandomKillTest, EveryApplicationIsImportedOnceAndEveryRowAsAnUninterruptedRunWritesIt) {
    TestInstallation reference;
    reference.appendConfig(autovelt::testing::markedCodeTablesIni());
    prepare(reference);
    prepare(inst);

    QElapsedTimer clock;
    clock.start();
    const ProgramRun uninterrupted = [&] {
        std::unique_ptr<QProcess> p(startProgram(reference));
        p->waitForFinished(120000);
        return ProgramRun{p->exitCode(), QString::fromLocal8Bit(p->readAll())};
    }();
    const qint64 runMs = clock.elapsed();
    ASSERT_EQ(uninterrupted.exitCode, 0) << uninterrupted.output.toStdString();

    std::mt19937 random(GetParam());
    std::uniform_int_distribution<qint64> moment(10, runMs * 9 / 10);
    int kills = 0;
    for (int attempt = 0; attempt < 6; ++attempt) {
        std::unique_ptr<QProcess> p(startProgram(inst));
        if (p->waitForFinished(static_cast<int>(moment(random)))) break;
        p->kill();
        p->waitForFinished();
        ++kills;
    }
    ASSERT_GT(kills, 0) << "no run was interrupted";
    const ProgramRun finishing = runProgram();
    ASSERT_EQ(finishing.exitCode, 0) << finishing.output.toStdString();
    // One more run finds nothing left to do.
    const ProgramRun last = runProgram();
    ASSERT_EQ(last.exitCode, 0) << last.output.toStdString();
    EXPECT_FALSE(last.output.contains(QStringLiteral("Join+Borrow import process started"))) << last.output.toStdString();

    // The installations differ in their folders only.
    expectSameRows(reference, inst, QStringLiteral("after %1 kills").arg(kills));
    EXPECT_EQ(rows(QStringLiteral("online"), QStringLiteral("SELECT * FROM table_ad WHERE field_21<>'Y'")), 0);
    expectEachEmailSentAtMostOnce(inst);
    EXPECT_EQ(mailBodies(reference).size(), rows(QStringLiteral("TarvAudt"), QStringLiteral("SELECT * FROM VeltEffect WHERE Kind='email'")));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomKillTest, ::testing::Values(11u, 2027u, 90125u));

// A named step of an application, reached through the debugger: the program is stopped at
// the function's entry (or on its return) on its third call and killed there.
struct KillPoint {
    const char* name;
    const char* function;
    bool onReturn;
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.name; }

class KillAtStepTest : public CrashSafetyTest, public ::testing::WithParamInterface<KillPoint> {
protected:
    // Runs the program under the debugger until the step, then kills it. False when the
    // step was never reached.
    bool runUntilKilled(const TestInstallation& installation, QString& output) {
        QStringList args = {QStringLiteral("-batch"), QStringLiteral("-nx"), QStringLiteral("-ex"), QStringLiteral("set pagination off"),
                            QStringLiteral("-ex"), QStringLiteral("break ") + QLatin1String(GetParam().function),
                            QStringLiteral("-ex"), QStringLiteral("ignore 1 2"), QStringLiteral("-ex"), QStringLiteral("run")};
        if (GetParam().onReturn) args << QStringLiteral("-ex") << QStringLiteral("finish");
        args << QStringLiteral("-ex") << QStringLiteral("kill") << QStringLiteral("--args") << QStringLiteral(AUTOVELT_EXECUTABLE)
             << QStringLiteral("--once") << QStringLiteral("--home") << installation.home();
        QProcess gdb;
        gdb.start(QStringLiteral("gdb"), args);
        gdb.waitForFinished(180000);
        output = QString::fromLocal8Bit(gdb.readAll());
        return output.contains(QStringLiteral("Breakpoint 1, "));
    }
};

TEST_P(KillAtStepTest, TheRunAfterTheKillLeavesWhatAnUninterruptedRunWrites) {
    constexpr int kFew = 10;
    TestInstallation reference;
    reference.appendConfig(autovelt::testing::markedCodeTablesIni());
    prepare(reference, kFew);
    prepare(inst, kFew);
    {
        std::unique_ptr<QProcess> p(startProgram(reference));
        ASSERT_TRUE(p->waitForFinished(120000));
        ASSERT_EQ(p->exitCode(), 0);
    }
    QString debugger;
    ASSERT_TRUE(runUntilKilled(inst, debugger)) << debugger.toStdString();
    const ProgramRun finishing = runProgram();
    ASSERT_EQ(finishing.exitCode, 0) << finishing.output.toStdString();
    const ProgramRun last = runProgram();
    EXPECT_FALSE(last.output.contains(QStringLiteral("Join+Borrow import process started"))) << last.output.toStdString();

    expectSameRows(reference, inst, QStringLiteral("after the kill"));
    // One loan number taken per loan, every row marked once.
    EXPECT_EQ(rows(QStringLiteral("TarvTran"), QStringLiteral("SELECT DISTINCT LoanNumber FROM LoanAllocation")),
              rows(QStringLiteral("TarvTran"), QStringLiteral("SELECT * FROM LoanAllocation")));
    EXPECT_EQ(rows(QStringLiteral("online"), QStringLiteral("SELECT * FROM table_w WHERE field_107<>'Y'")), 0);
    expectEachEmailSentAtMostOnce(inst);
    if (QLatin1String(GetParam().function).contains(QLatin1String("SendQueuedEmail")))
        // The email the kill cut off is reported for a person to check, never sent again.
        EXPECT_TRUE(finishing.output.contains(QStringLiteral("was under way when the importer stopped; it is not repeated")))
            << finishing.output.toStdString();
    else
        EXPECT_EQ(mailBodies(inst).size(), mailBodies(reference).size());  // nothing was under way: every email went
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KillAtStepTest,
    ::testing::Values(KillPoint{"AfterTheCounterUpdate", "autovelt::TakeLoanNumber", true},
                      KillPoint{"AfterTheLoanRow", "autovelt::LoanPayeeStatement", false},
                      KillPoint{"AfterThePayeeRow", "autovelt::BuildSavingsPayProfile", false},
                      KillPoint{"AfterThePolicyLog", "autovelt::CopyRulesLogToPolicyLog", true},
                      KillPoint{"BeforeTheEmail", "autovelt::QueueEmail", false},
                      KillPoint{"WhileTheEmailIsSent", "autovelt::SendQueuedEmail", false},
                      KillPoint{"AfterTheEmail", "autovelt::SendQueuedEmail", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CrashSafetyTest, ASecondImporterOnTheSameInstallationIsRefused) {
    prepare(inst);
    std::unique_ptr<QProcess> first(startProgram(inst));
    // Wait until the first holds the installation (its lock file exists and it is busy).
    QThread::msleep(150);
    const ProgramRun second = runProgram();
    first->waitForFinished(120000);
    ASSERT_EQ(first->exitCode(), 0);
    EXPECT_EQ(second.exitCode, 4) << second.output.toStdString();
    EXPECT_TRUE(second.output.contains(QStringLiteral("Another importer is already running"))) << second.output.toStdString();
    EXPECT_EQ(rows(QStringLiteral("TarvMain"), QStringLiteral("SELECT * FROM MemberBalances")),
              rows(QStringLiteral("TarvMain"), QStringLiteral("SELECT DISTINCT MemberNo FROM MemberBalances")));
}

TEST_F(CrashSafetyTest, SigtermUnderOnceFinishesTheCurrentApplicationAndLeavesTheRestPending) {
    prepare(inst);
    std::unique_ptr<QProcess> p(startProgram(inst));
    QThread::msleep(400);
    p->terminate();
    ASSERT_TRUE(p->waitForFinished(60000));
    const int imported = rows(QStringLiteral("online"), QStringLiteral("SELECT * FROM table_w WHERE field_107='Y'"));
    if (imported == kApplications) GTEST_SKIP() << "the run finished before the signal";
    EXPECT_EQ(p->exitCode(), 6);
    EXPECT_EQ(rows(QStringLiteral("TarvAudt"), QStringLiteral("SELECT * FROM VeltImport")), imported);
}

// "--once" exits 0 only when every application was imported or refused.
TEST_F(CrashSafetyTest, OnceTellsWhenAnApplicationWasLeftPending) {
    add(WebApplication::joinAndBorrow(1));
    inst.exec(QStringLiteral("TarvMain"), QStringLiteral("ALTER TABLE MemberCircumstance RENAME TO MemberCircumstanceAway"));
    const ProgramRun failing = runProgram();
    EXPECT_EQ(failing.exitCode, 5) << failing.output.toStdString();
    EXPECT_EQ(importedFlag(1), QStringLiteral("N"));
    inst.exec(QStringLiteral("TarvMain"), QStringLiteral("ALTER TABLE MemberCircumstanceAway RENAME TO MemberCircumstance"));
    const ProgramRun again = runProgram();
    EXPECT_EQ(again.exitCode, 0) << again.output.toStdString();
    EXPECT_EQ(importedFlag(1), QStringLiteral("Y"));
}

// Stopped after the commit, before the website rows were marked: the next run marks them
// and writes nothing twice.
TEST_F(CrashSafetyTest, ACommittedApplicationLeftUnmarkedIsMarkedAndNotImportedAgain) {
    add(WebApplication::joinAndBorrow(1));
    runCycle();
    ASSERT_EQ(importedFlag(1), "Y");
    const QStringList before = dumpInstallation(inst);
    onlineExec(QStringLiteral("UPDATE table_w SET field_107='N'"));
    inst.reporter().clear();
    runCycle();
    EXPECT_EQ(importedFlag(1), "Y");
    EXPECT_TRUE(successes().contains(QStringLiteral("Application was imported by an earlier run (member 1); now marked imported online") +
                                     suffix(1)))
        << report();
    EXPECT_EQ(dumpInstallation(inst), before);
}

// The website deleted a row and gave its key to a new applicant: that is a new application.
TEST_F(CrashSafetyTest, AReusedKeyIsANewApplication) {
    add(WebApplication::joinAndBorrow(1));
    runCycle();
    onlineExec(QStringLiteral("DELETE FROM table_w"));
    WebApplication newcomer = WebApplication::joinAndBorrow(1).set(6, QStringLiteral("Newcomer")).set(4, QStringLiteral("Ann"));
    newcomer.niNumber = QStringLiteral("CD123456A");
    add(newcomer);
    runCycle();
    EXPECT_EQ(memberColumn(2, QStringLiteral("Surname")), QStringLiteral("Newcomer")) << report();
}

// A server's sessions commit one after the other; a run cut off between them leaves a
// commit window naming its applications. They are reported and never imported again.
TEST_F(CrashSafetyTest, AnInterruptedCommitWindowIsReportedAndItsApplicationsNotRepeated) {
    WebApplication application = WebApplication::joinAndBorrow(7);
    add(application);
    runCycle();
    const QString key = inst.values(QStringLiteral("TarvAudt"), QStringLiteral("SELECT ApplicationKey FROM VeltImport")).value(0);
    inst.exec(QStringLiteral("TarvAudt"), QStringLiteral("DELETE FROM VeltImport"));
    onlineExec(QStringLiteral("UPDATE table_w SET field_107='N'"));
    inst.writeFile(QStringLiteral("commit-window.txt"), QStringLiteral("application=") + key + QStringLiteral("\ncommitted=TarvMain\n"));
    inst.reporter().clear();
    runCycle();
    EXPECT_TRUE(problems().filter(QStringLiteral("saved in TarvMain; not saved in TarvTran, TarvAudt, TarvID")).size() == 1) << report();
    EXPECT_TRUE(problems().contains(QStringLiteral("Application was interrupted by an earlier run (member 0); now marked imported online") +
                                    suffix(7)))
        << report();
    EXPECT_EQ(members(), 1);
    EXPECT_FALSE(QFile::exists(inst.path(QStringLiteral("commit-window.txt"))));
}

}  // namespace
