#include "app/ControlSettings.h"
#include "app/InstallationSetup.h"
#include "comms/ActivityLog.h"
#include "comms/ImporterLog.h"
#include "common/MemberFolder.h"
#include "common/PrivateFiles.h"
#include "platform/Registry.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace autovelt;

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Everything the importer writes holds member data or secrets: it is for its owner alone, whatever the umask.
class PrivateFilesTest : public test::InstallationTest {
protected:
    void SetUp() override { previousUmask_ = ::umask(022); }
    void TearDown() override { ::umask(previousUmask_); }
    mode_t previousUmask_ = 0;
};

TEST_F(PrivateFilesTest, EveryWriterCreatesPrivateFoldersAndFiles) {
    const QString home = inst.path("new installation");
    QString reason;
    ASSERT_TRUE(InitInstallation(home, reason)) << reason.toStdString();
    const QString importerLog = WriteImporterLogFile(inst.home(), inst.clock().now(), "a problem");
    inst.importer().ShowException("a problem");
    const QString activityLog = RecordActivityLog(inst.importer().cycle(), inst.importer().session(), false);
    Registry machine;
    machine.SetLocation(Registry::HKEY_LOCAL_MACHINE, "Software\\Varno\\Tarvonel", "AdminPW");
    machine.setValue("pw");

    const struct { QString path; int mode; } expected[] = {
        {home, 0700}, {home + "/data", 0700}, {home + "/scans", 0700}, {home + "/data/TarvMain.db", 0600}, {home + "/data/online.db", 0600},
        {home + "/autovelt.ini", 0600}, {home + "/t2sql.ini", 0600}, {inst.path("web"), 0700}, {importerLog, 0600},
        {QFileInfo(activityLog).path(), 0700}, {activityLog, 0600},
        {inst.path("registry"), 0700}, {inst.path("registry/machine.ini"), 0600},
    };
    for (const auto& e : expected) EXPECT_EQ(modeOf(e.path), e.mode) << e.path.toStdString();
}

// A symbolic link inside the member store is never followed: the member's folder is refused and nothing lands where
// the link points.
TEST_F(PrivateFilesTest, ALinkInsideTheMemberStoreIsNeverFollowed) {
    const QString store = inst.path("store"), outside = inst.path("outside");
    ASSERT_TRUE(QDir().mkpath(store + "/Loans/00") && QDir().mkpath(outside));
    ASSERT_TRUE(QFile::link(outside, store + "/Loans/00/00") && QFile::link(outside, store + "/MemberID"));
    ASSERT_TRUE(QFile::link(inst.path("nowhere"), store + "/Docs"));  // a link to nothing
    inst.writeFile("store/Proofs", "a file where a folder belongs");
    EXPECT_EQ(QList<bool>({MakeMemberFolder(store, "Loans", 1234), MakeMemberFolder(store, "MemberID", 1234),
                           MakeMemberFolder(store, "Docs", 1234), MakeMemberFolder(store, "Proofs", 1234),
                           MakeMemberFolder(store, "CREDITCH", 1234), MakeMemberFolder(store, "CREDITCH", 1234)}),
              QList<bool>({false, false, false, false, true, true}));
    EXPECT_TRUE(QDir(outside).isEmpty());
}

// A new file is private whatever the umask, and never takes the place of a file or a link already there.
TEST_F(PrivateFilesTest, ANewFileIsPrivateAndReplacesNothing) {
    const QString fresh = inst.path("fresh.txt"), taken = inst.path("taken.txt"), link = inst.path("link.txt");
    inst.writeFile("taken.txt", "kept");
    ASSERT_TRUE(QFile::link(inst.path("elsewhere.txt"), link));
    QString reason;
    EXPECT_TRUE(WriteNewPrivateFile(fresh, "new", &reason)) << reason.toStdString();
    EXPECT_EQ(modeOf(fresh), 0600);
    EXPECT_EQ(QList<bool>({WriteNewPrivateFile(taken, "new"), WriteNewPrivateFile(link, "new")}), QList<bool>({false, false}));
    EXPECT_EQ(inst.readFile("taken.txt"), "kept");
    EXPECT_FALSE(QFile::exists(inst.path("elsewhere.txt")));
}

TEST_F(PrivateFilesTest, ConfigurationOrDataOpenToOthersIsWarnedAboutButStillRuns) {
    // A group permission alone opens a file as much as one for everybody.
    ::chmod(QFile::encodeName(inst.path("autovelt.ini")).constData(), 0640);
    ::chmod(QFile::encodeName(inst.path("data")).constData(), 0705);
    LoadControlSettings(inst.importer());
    EXPECT_FALSE(inst.importer().SkipImport);
    const QString warning = "Warning: %1 is open to other users of this computer; make it private (chmod %2)";
    EXPECT_EQ(problems(), (QStringList{warning.arg(inst.path("autovelt.ini"), "600"), warning.arg(inst.path("data"), "700")}));
}

}  // namespace
