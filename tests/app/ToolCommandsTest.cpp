#include "app/InstanceLock.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ToolCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (long member : {123, 1234}) {
            inst.exec("TarvMain", QStringLiteral("INSERT INTO MemberMain (MemberNo, Forename, Surname) VALUES (%1, 'Ann', 'Lee')").arg(member));
            inst.exec("TarvID", QStringLiteral("INSERT INTO IDProof (MemberNo) VALUES (%1)").arg(member));
        }
    }

    struct Run {
        int exitCode = -1;
        QString out;
    };
    Run run(QStringList arguments) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("AUTOVELT_HOME");
        env.insert("AUTOVELT_MACHINE_REGISTRY", inst.path("registry/machine.ini"));
        env.insert("AUTOVELT_USER_REGISTRY", inst.path("registry/user.ini"));
        p.setProcessEnvironment(env);
        p.start(AUTOVELT_EXECUTABLE, arguments << "--home" << inst.home());
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    }
    int rowsOf123() { return inst.count("TarvMain", "SELECT * FROM MemberMain WHERE MemberNo=123") +
                             inst.count("TarvID", "SELECT * FROM IDProof WHERE MemberNo=123"); }

    test::TestInstallation inst;
};

TEST_F(ToolCommandsTest, DeleteMemberListsFirstAndDeletesOnlyWithYes) {
    const struct { QStringList arguments; int exitCode; int rowsLeft; const char* shows; } cases[] = {
        {{"--delete-member", "123abc", "--yes"}, 2, 2, "--delete-member needs a whole member number"},
        {{"--delete-member", "0", "--yes"}, 2, 2, "--delete-member needs a whole member number"},
        {{"--delete-member", "123"}, 8, 2, "Member 123 (Ann Lee) - rows to delete:\n  MemberMain: 1\n  IDProof: 1\nNothing deleted"},
        {{"--delete-member", "123", "--yes"}, 0, 0, "success: Deleted member 123"},
    };
    for (const auto& c : cases) {
        const Run r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out.toStdString();
        EXPECT_EQ(rowsOf123(), c.rowsLeft) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.out.contains(c.shows)) << r.out.toStdString();
    }
    EXPECT_EQ(inst.count("TarvMain", "SELECT * FROM MemberMain WHERE MemberNo=1234"), 1);
}

TEST_F(ToolCommandsTest, DeletionTakesTheInstallationLockAndSearchDoesNot) {
    QDir(inst.home()).mkpath("web");
    QFile log(inst.path("web/importer.txt"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("Member 123 refused\n");
    log.close();
    InstanceLock runningImporter(inst.home());
    ASSERT_TRUE(runningImporter.acquired());

    EXPECT_EQ(run({"--delete-member", "123", "--yes"}).exitCode, 4);
    EXPECT_EQ(rowsOf123(), 2);
    const Run found = run({"--search", "MEMBER 123"});
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_TRUE(found.out.endsWith("  " + inst.path("web/importer.txt") + "\n")) << found.out.toStdString();
    EXPECT_EQ(run({"--search", "member 999"}).exitCode, 1);
    EXPECT_EQ(run({"--search", "member", inst.path("no-such-folder")}).exitCode, 2);
}

}  // namespace
