#include "app/ControlSettings.h"
#include "state/StartupSettings.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// Problems found in the installation's own files stop the cycle before any database is
// opened, name the file or the key, and never show a password.
class InstallationChecksTest : public ::testing::Test {
protected:
    test::TestInstallation inst;

    QStringList loadProblems() {
        LoadControlSettings(inst.importer());
        return inst.reporter().problems();
    }
    QStringList logLines() {
        QDir web(inst.path("web"));
        QStringList lines;
        for (const QString& name : web.entryList({"autovelt_*.txt"}, QDir::Files, QDir::Name)) {
            QFile f(web.filePath(name));
            f.open(QIODevice::ReadOnly);
            lines << QString::fromUtf8(f.readAll()).trimmed();
        }
        return lines;
    }
    void expectStoppedBeforeAnyDatabase(const QString& line) {
        EXPECT_EQ(loadProblems(), QStringList{line});
        EXPECT_EQ(logLines(), QStringList{line});
        EXPECT_TRUE(inst.importer().SkipImport);
        EXPECT_FALSE(inst.importer().connections.TarvMain.isOpen());
    }
};

TEST_F(InstallationChecksTest, EachBadConfigurationValueIsNamedAndStopsTheCycle) {
    const QString invalid = "Setting %1 in autovelt.ini is not valid: %2";
    const struct { const char* ini; QString line; } cases[] = {
        {"[encoding]\ndigits = 12", invalid.arg("[encoding] digits = \"12\"", "the ten digits in some order, written twice (20 characters) are needed")},
        {"[online]\nport = notaport", invalid.arg("[online] port = \"notaport\"", "a whole number from 1 to 65535 is needed")},
        {"[online]\ntls = sometimes", invalid.arg("[online] tls = \"sometimes\"", "one of auto, required, off is needed")},
        {"[timing]\nsettle_pauses = maybe", invalid.arg("[timing] settle_pauses = \"maybe\"", "true or false is needed")},
        {"[mail]\nrequire_tls = perhaps", invalid.arg("[mail] require_tls = \"perhaps\"", "true or false is needed")},
        {"[mail]\ndefault_sender = nobody", invalid.arg("[mail] default_sender = \"nobody\"", "one mail address is needed")},
        {"[web]\nhost1_suffix = .3", invalid.arg("[web] host1_suffix = \".3\"", "the last three characters of the web address are needed")},
        {"[encoding]\nmember_code_table = 1234, 2345", invalid.arg("[encoding] member_code_table = \"1234,2345\"", "seven four-digit numbers separated by commas are needed")},
        {"[mail]\nsmtp_pasword = Hunter2", "Setting [mail] smtp_pasword in autovelt.ini is not known (misspelt?)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        test::TestInstallation fresh;
        fresh.appendConfig(QString::fromLatin1(c.ini));
        LoadControlSettings(fresh.importer());
        EXPECT_EQ(fresh.reporter().problems(), QStringList{c.line});
        EXPECT_TRUE(fresh.importer().SkipImport);
        EXPECT_FALSE(fresh.importer().connections.TarvMain.isOpen());
    }
}

TEST_F(InstallationChecksTest, OneCycleWithABadValueExitsWithOne) {
    inst.appendConfig("[encoding]\ndigits = 12");
    QProcess p;
    p.start(AUTOVELT_EXECUTABLE, {"--once", "--home", inst.home()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardOutput().contains("problem: Setting [encoding] digits = \"12\""));
}

TEST_F(InstallationChecksTest, UnreadableSettingsFilesAreNamed) {
    const struct { const char* folderInstead; const char* emptyFile; QString line; } cases[] = {
        {"autovelt.ini", nullptr, "The configuration file %1/autovelt.ini cannot be read: it is a folder"},
        {"t2sql.ini", nullptr, "The settings file %1/t2sql.ini cannot be read: it is a folder"},
        {nullptr, "t2sql.ini", "The first line of %1/t2sql.ini is empty: it must name the folder of the core banking "
                               "databases or their SQL Server"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        test::TestInstallation fresh;
        if (c.folderInstead) {
            QFile::remove(fresh.path(c.folderInstead));
            QDir().mkpath(fresh.path(c.folderInstead));
        }
        if (c.emptyFile) fresh.writeFile(c.emptyFile, "\n");
        fresh.reload();
        LoadControlSettings(fresh.importer());
        EXPECT_EQ(fresh.reporter().problems(), QStringList{c.line.arg(fresh.home())});
        EXPECT_FALSE(fresh.importer().connections.TarvMain.isOpen());
    }
    // The lines reach the importer log file too.
    inst.writeFile("t2sql.ini", "");
    inst.reload();
    expectStoppedBeforeAnyDatabase("The first line of " + inst.home() + "/t2sql.ini is empty: it must name the folder "
                                   "of the core banking databases or their SQL Server");
}

// A database that cannot be read is reported as such, never as an old build or a missing table.
TEST_F(InstallationChecksTest, UnreadableDatabaseIsNotTakenForAMissingColumnOrTable) {
    for (const char* database : {"TarvTran", "online"}) {
        SCOPED_TRACE(database);
        test::TestInstallation fresh;
        fresh.writeFile(QStringLiteral("data/%1.db").arg(QLatin1String(database)), QString(4096, QLatin1Char('x')));
        LoadControlSettings(fresh.importer());
        const QStringList problems = fresh.reporter().problems();
        EXPECT_TRUE(fresh.importer().SkipImport);
        ASSERT_EQ(problems.size(), 2) << problems.join("\n").toStdString();
        EXPECT_EQ(problems[0], "Error within connection to databases routine. ");
        EXPECT_TRUE(problems[1].startsWith(QStringLiteral("Unable to read the database %1.db: file is not a database")
                                               .arg(QLatin1String(database))))
            << problems[1].toStdString();
    }
}

TEST_F(InstallationChecksTest, SettingsFileLinesHoldingPasswordsAreNeverEchoed) {
    const struct { const char* line; bool server; } cases[] = {
        {"SQL01|X|sa|S3cret:pw", true},
        {"SQL01|X|sa|S3cret\\\\pw", true},
        {"C:\\Data|X|sa|S3cret", false},
        {"/srv/cu|X|sa|S3cret", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        test::TestInstallation fresh;
        fresh.writeFile("t2sql.ini", QString::fromLatin1(c.line) + "\n");
        fresh.reload();
        const StartupSettings& s = fresh.importer().startup;
        EXPECT_EQ(s.chkSQL && s.chkAdmin && s.sqlPW.startsWith("S3cret"), c.server);
        LoadControlSettings(fresh.importer());
        EXPECT_TRUE(fresh.importer().SkipImport);
        QStringList shown = fresh.reporter().problems();
        QDir web(fresh.path("web"));
        for (const QString& name : web.entryList(QDir::Files)) {
            QFile f(web.filePath(name));
            f.open(QIODevice::ReadOnly);
            shown << QString::fromUtf8(f.readAll());
        }
        EXPECT_FALSE(shown.isEmpty());
        for (const QString& line : shown) EXPECT_FALSE(line.contains("S3cret")) << line.toStdString();
    }
}

}  // namespace
