#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runProgram(const QStringList& arguments, const QString& registryHome = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("AUTOVELT_HOME");
    if (!registryHome.isEmpty()) {
        env.insert("AUTOVELT_MACHINE_REGISTRY", registryHome + "/registry/machine.ini");
        env.insert("AUTOVELT_USER_REGISTRY", registryHome + "/registry/user.ini");
    }
    p.setProcessEnvironment(env);
    p.start(AUTOVELT_EXECUTABLE, arguments);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(Executable, ExitCodesOfOnceAndTheCommandLine) {
    test::TestInstallation inst;
    EXPECT_EQ(runProgram({"--once", "--home", inst.home()}, inst.home()).exitCode, 0);

    inst.exec("TarvMain", "DELETE FROM ControlSwitches");
    const ProgramRun stopped = runProgram({"--once", "--home", inst.home()}, inst.home());
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(stopped.out.contains("problem: No record in ControlSwitches")) << stopped.out.toStdString();

    EXPECT_EQ(runProgram({"--once", "--frobnicate"}).exitCode, 2);
    EXPECT_EQ(runProgram({"--home"}).exitCode, 2);
    EXPECT_EQ(runProgram({"--help"}).exitCode, 0);
    EXPECT_TRUE(runProgram({"--version"}).out.startsWith("autovelt "));
}

TEST(Executable, InitCreatesAnInstallationAndNeverOverwritesOne) {
    QTemporaryDir dir;
    const QString home = dir.filePath("cu");
    ASSERT_EQ(runProgram({"--init", "--home", home}).exitCode, 0);
    for (const char* file : {"data/TarvMain.db", "data/TarvTran.db", "data/TarvAudt.db", "data/TarvID.db", "data/online.db",
                             "t2sql.ini", "autovelt.ini"})
        EXPECT_TRUE(QFile::exists(home + "/" + file)) << file;
    EXPECT_TRUE(QDir(home + "/scans").exists());

    QFile ini(home + "/autovelt.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Append));
    ini.write("\n; edited by the credit union\n");
    ini.close();
    const QDateTime before = QFileInfo(home + "/data/TarvMain.db").lastModified();
    const ProgramRun again = runProgram({"--init", "--home", home});
    EXPECT_EQ(again.exitCode, 3);
    EXPECT_TRUE(again.err.contains("already holds an installation"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().endsWith("; edited by the credit union\n"));
    EXPECT_EQ(QFileInfo(home + "/data/TarvMain.db").lastModified(), before);
}

TEST(Executable, HeadlessPrintsLinesAsReportedAndStopsOnSigterm) {
    test::TestInstallation inst;
    inst.exec("online", "CREATE TABLE table_test (field_id INTEGER PRIMARY KEY)");  // a line every cycle
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("AUTOVELT_MACHINE_REGISTRY", inst.path("registry/machine.ini"));
    env.insert("AUTOVELT_USER_REGISTRY", inst.path("registry/user.ini"));
    p.setProcessEnvironment(env);
    p.start(AUTOVELT_EXECUTABLE, {"--headless", "--home", inst.home()});
    QString out;
    for (int i = 0; i < 300 && !out.contains("Table_test found"); ++i) {
        p.waitForReadyRead(100);
        out += QString::fromUtf8(p.readAllStandardOutput());
    }
    EXPECT_TRUE(out.contains("problem: Table_test found - so operating in UAT mode.")) << out.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

TEST(Executable, NoPasswordReachesTheReportOrTheLogs) {
    test::TestInstallation inst;
    inst.appendConfig("[online]\ndatabase = data/not-there.db");
    inst.writeFile("t2sql.ini", "SQL01|X|velt|Sql-Secret-42\n");
    const ProgramRun run = runProgram({"--once", "--home", inst.home()}, inst.home());
    EXPECT_EQ(run.exitCode, 1);
    QString everything = run.out + run.err;
    QDir web(inst.path("web"));
    for (const QString& name : web.entryList(QDir::Files)) {
        QFile f(web.filePath(name));
        f.open(QIODevice::ReadOnly);
        everything += QString::fromUtf8(f.readAll());
    }
    EXPECT_TRUE(everything.contains("Error within connection to databases routine.")) << everything.toStdString();
    EXPECT_FALSE(everything.contains("Sql-Secret-42"));
    EXPECT_FALSE(everything.contains("S3cret-Web-PW"));
}
