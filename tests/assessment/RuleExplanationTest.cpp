// The rule explanation run as the program: the import pass's letters, no database changed.

#include "assessment/PolicyLogFixture.h"
#include "support/TestPaths.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

using namespace autovelt;
using namespace autovelt::test;

namespace {

class RuleExplanationTest : public PolicyLogFixture {
protected:
    void SetUp() override {
        addRules();
        addMember();
        load();
    }

    QByteArray checksums() {
        QByteArray all;
        for (const char* name : {"TarvMain", "TarvTran", "TarvAudt", "TarvID", "online"}) {
            QFile f(inst.databaseFile(name));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            all += QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex() + ' ';
        }
        return all;
    }

    QString explain(const QString& reportFile) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("AUTOVELT_MACHINE_REGISTRY", inst.path("registry/machine.ini"));
        env.insert("AUTOVELT_USER_REGISTRY", inst.path("registry/user.ini"));
        p.setProcessEnvironment(env);
        p.start(AUTOVELT_EXECUTABLE, {"--explain-rules", reportFile, "--amount", "1500", "--member", "700", "--home", inst.home()});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

    // Rule code and letter of every table row that gave a letter.
    static QStringList lettersOf(const QString& table) {
        QStringList letters;
        for (const QString& line : table.split('\n')) {
            const QString letter = line.mid(54, 7).trimmed();
            if (line.startsWith("CR") || line.startsWith("PR"))
                if (letter != "-") letters << line.left(7).trimmed() + ':' + letter;
        }
        return letters;
    }
};

TEST_F(RuleExplanationTest, SameLettersAsTheImportPassAndNothingWritten) {
    CreditReportBuilder referred;
    referred.figures = {{"totalsearches3months", "4"}, {"totalcifas", "0"}};
    CreditReportBuilder failed;
    failed.figures = {{"totalsearches3months", "1"}, {"totalcifas", "2"}};
    failed.score = "9999";
    int n = 0;
    for (const CreditReportBuilder& b : {referred, failed}) {
        loadApplication(b.xml());
        CheckCRRules(im(), Currency::fromText("1500"));
        QStringList expected;
        for (const QString& entry : im().app.decisionSummary) expected << entry.section('|', 1, 1) + ':' + entry.section('|', 4, 4);
        expected << "PR10C:R" << "PR15A:R";
        const QString rating = im().app.field[27];
        CopyRulesLogToPolicyLog(im(), loan(90 + n));
        im().connections.closeAll();

        const QString file = inst.path(QStringLiteral("report%1.xml").arg(++n));
        inst.writeFile(file.section('/', -1), b.xml());
        const QByteArray before = checksums();
        const QString table = explain(file);
        EXPECT_EQ(checksums(), before);
        EXPECT_EQ(lettersOf(table), expected) << table.toStdString();
        EXPECT_TRUE(table.contains(QStringLiteral("Overall rating: ") + (rating == "F" ? "FAIL" : "REFER"))) << table.toStdString();
        load();
    }
}

}  // namespace
