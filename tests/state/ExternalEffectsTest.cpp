// Effects that cannot be undone: performed once after their application's commit, never repeated after a stop during
// the attempt; answers that must not be asked for twice are kept until the application commits.

#include "assessment/AgencyTrace.h"
#include "state/EffectOutbox.h"
#include "state/FileAfterCommit.h"
#include "state/ImportRecords.h"
#include "state/UnitOfWork.h"
#include "support/InstallationTempFolder.h"
#include "support/InstallationTest.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace autovelt;
using namespace autovelt::test;

namespace {

class ExternalEffectsTest : public InstallationTest {
protected:
    void SetUp() override {
        inst.openCoreConnections();
        EnsureImporterTables(audit());
    }

    db::Connection& audit() { return inst.importer().connections.TarvAudt; }
    QDateTime now() { return inst.clock().now(); }

    // One application's unit of work that records an effect, then keeps or undoes it.
    void application(const QString& key, bool keep) {
        unit.beginApplication(now());
        outbox.record(key, "test", "p", now());
        if (keep) unit.keepApplication(key);
        else unit.discardApplication();
    }

    // One pass's attempt, with an outbox of its own.
    QList<Effect> perform(const QHash<QString, EffectOutbox::Preparer>& preparers = {}) {
        return EffectOutbox(audit()).performPending({{"test", performer}}, now(), preparers);
    }
    QStringList states() { return inst.values("TarvAudt", "SELECT ApplicationKey || ':' || State || ':' || Attempts FROM VeltEffect ORDER BY ID"); }

    UnitOfWork unit{inst.importer().connections, inst.path("commit-window.txt")};
    EffectOutbox outbox{audit()};
    QStringList performed;
    bool succeed = true;
    EffectOutbox::Performer performer = [this](const Effect& e) {
        performed << e.applicationKey;
        return succeed;
    };
};

// Performed once after its application commits, never when it is undone; a run stopped during the attempt cannot know
// whether it happened: reported, never repeated.
TEST_F(ExternalEffectsTest, AnEffectIsPerformedOnceAfterItsCommitNeverWhenUndoneAndNeverAgainAfterAStopDuringIt) {
    application("1-a", true);
    application("2-b", false);
    application("3-c", true);
    unit.commitBatch();
    inst.exec("TarvAudt", "UPDATE VeltEffect SET State='sending', Attempts=1 WHERE ApplicationKey='3-c'");
    const QList<Effect> interrupted = outbox.settleInterrupted();
    ASSERT_EQ(interrupted.size(), 1);
    EXPECT_EQ(interrupted[0].applicationKey, "3-c");
    perform();
    perform();
    EXPECT_EQ(performed, QStringList{"1-a"});
    EXPECT_EQ(states(), (QStringList{"1-a:done:1", "3-c:uncertain:1"}));
}

// Given up on the third failed attempt, and reported then only: four passes over one failing effect, each as the
// number given up on and the outbox after it, then the attempts that reached the performer. A preparation that fails
// (an email that cannot be written out) counts as an attempt too.
TEST_F(ExternalEffectsTest, AFailingEffectIsTriedAgainInLaterRunsThenGivenUp) {
    for (const bool preparationFails : {false, true}) {
        inst.exec("TarvAudt", "DELETE FROM VeltEffect");
        performed.clear();
        succeed = preparationFails;  // a preparation that fails never reaches the performer
        QHash<QString, EffectOutbox::Preparer> preparers;
        if (preparationFails) preparers.insert("test", [](const Effect&) { return false; });
        application("1-a", true);
        unit.commitBatch();
        QStringList seen;
        for (int run = 1; run <= 4; ++run) {
            const QString givenUp = QString::number(perform(preparers).size());  // before the outbox is read
            seen << givenUp + " " + states().join(',');
        }
        EXPECT_EQ(seen << QString::number(performed.size()),
                  (QStringList{"0 1-a:pending:1", "0 1-a:pending:2", "1 1-a:failed:3", "0 1-a:failed:3", preparationFails ? "0" : "3"}))
            << preparationFails;
    }
}

// After a failure the rest of the pass waits, untried and uncounted: a dead mail server costs one timeout per pass.
TEST_F(ExternalEffectsTest, AfterAFailureTheRestWaitForTheNextPass) {
    succeed = false;
    application("1-a", true);
    application("2-b", true);
    unit.commitBatch();
    outbox.performPending({{"test", performer}}, now());
    outbox.performPending({{"test", performer}}, now());  // the next batch of the same pass
    EXPECT_EQ(states(), (QStringList{"1-a:pending:1", "2-b:pending:0"}));
    succeed = true;
    perform();
    EXPECT_EQ(performed, (QStringList{"1-a", "1-a", "2-b"}));
    EXPECT_EQ(states(), (QStringList{"1-a:done:2", "2-b:done:1"}));
}

// An application's file reaches the member's folder only after its commit, never when it is undone; a run stopped during
// the move has it finished by the next.
TEST_F(ExternalEffectsTest, AStagedFileIsFiledOnlyAfterItsApplicationCommits) {
    const QString member = inst.path("scans/LOANS/00/00/00/07");
    for (const QString key : {"1-a", "2-b"}) {
        im().app.identityKey = key;
        unit.beginApplication(now());
        FileAfterCommit(im().cycle(), im().session(), im().app,
                        {.root = inst.path("scans"), .kind = "LOANS", .member = 7, .name = key + ".txt"}, key.toUtf8(),
                        nullptr);
        if (key == "1-a") {
            unit.keepApplication(key);
        } else {
            unit.discardApplication();
            im().stagedFiles().discard(key);
        }
    }
    unit.commitBatch();
    EXPECT_FALSE(QFileInfo::exists(member));
    inst.exec("TarvAudt", "UPDATE VeltEffect SET State='sending'");
    EXPECT_TRUE(outbox.settleInterrupted({kFileEffect}).isEmpty());
    outbox.performPending({{kFileEffect, [this](const Effect& e) { return PerformFileEffect(im().session(), e.payload); }}}, now());
    EXPECT_EQ(QDir(member).entryList(QDir::Files), QStringList{"1-a.txt"});
    EXPECT_EQ(im().stagedFiles().files(), QStringList{});
    EXPECT_EQ(states(), QStringList{"1-a:done:1"});
}

// An answer is asked for once and kept until its application commits. A copy of a request holds personal data: it goes
// with its application's answers at the commit (unless a problem line refers staff to it), and whatever is older than the
// retention period goes at the start of a cycle, committed or not.
TEST_F(ExternalEffectsTest, AnswersAreKeptUntilTheCommitAndNothingOutlivesTheRetentionPeriod) {
    InstallationTempFolder temp(inst);  // a trace folder of this test's own
    RecordedResponses& kept = im().recordedResponses();
    int asked = 0;
    const auto ask = [&] { return QByteArray("search ") + QByteArray::number(++asked); };
    EXPECT_EQ(kept.askOnce("1-p", "credit report", ask), "search 1");
    EXPECT_EQ(kept.askOnce("1-p", "credit report", ask), "search 1");
    EXPECT_EQ(kept.askOnce("2-q", "credit report", ask), "search 2");
    // Private, and named so that no key or request text reaches outside the folder.
    const QFileInfoList folders = QDir(inst.path("recorded-responses")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(folders[0].permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    kept.forget("1-p");
    EXPECT_EQ(kept.askOnce("1-p", "credit report", ask), "search 3");
    const auto write = [&](const QString& key) {
        im().app.identityKey = key;
        kept.remember(key, "credit report", "answer");
        return WriteAgencyTrace(im().cycle(), im().session(), im().app, key + "_cc.xml", "<request/>");
    };
    const QString committed = write("5-x"), pending = write("6-y");
    const QString namedInAProblem = write("7-z");
    KeepAgencyTraceForStaff(im().session(), im().app, namedInAProblem);
    kept.forget("5-x");
    kept.forget("7-z");
    inst.clock().set(QDateTime::currentDateTime().addDays(29));
    RemoveExpiredAgencyCopies(im().cycle(), im().session());
    EXPECT_EQ(QList<bool>({QFile::exists(committed), QFile::exists(pending), kept.recall("6-y", "credit report").has_value(),
                           QFile::exists(namedInAProblem)}),
              QList<bool>({false, true, true, true}));
    inst.clock().set(QDateTime::currentDateTime().addDays(31));
    RemoveExpiredAgencyCopies(im().cycle(), im().session());
    EXPECT_EQ(QList<bool>({QFile::exists(pending), kept.recall("6-y", "credit report").has_value(), QFile::exists(namedInAProblem)}),
              QList<bool>({false, false, false}));
}

}  // namespace
