// Control and format characters never reach a report line or a log file as they are.

#include "state/Importer.h"
#include "state/Reporter.h"
#include "support/ManualClock.h"
#include "comms/ImporterLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

// What a front end is handed to show.
class ShownLines : public ListReporter {
public:
    QStringList shown;

protected:
    void onProblem(const QString& line) override { shown << line; }
    void onSuccess(const QString& line) override { shown << line; }
};

TEST(ControlCharactersTest, ReportLinesAndTheImporterLogAreFlattenedBeforeAnyoneSeesThem) {
    const std::pair<QString, QString> cases[] = {
        {"Smith\nproblem: forged", "Smith problem: forged"},
        {"40-11-22\r\nsuccess: forged", "40-11-22 success: forged"},
        {QString("a") + QChar(0) + "b", "a b"},
        {"esc\x1b[2Jx", "esc [2Jx"},
        {"next\u0085line\u2028and\u2029more", "next line and more"},
        {"Smith \u202Egnp.exe\u202C paid", "Smith  gnp.exe  paid"},  // bidirectional overrides
        {"a\u2066b\u2069\u200E\u200Fc", "a b c"},                    // isolates and marks
        {"zero\u200Bwidth\uFEFF" + QString::fromUcs4(U"\U000E0041") + "tag", "zero width tag"},
        {"Müller, O\u2019Neill £5 \U0001F600", "Müller, O\u2019Neill £5 \U0001F600"},  // printable text is left alone
    };
    QTemporaryDir folder;
    for (const auto& [given, expected] : cases) {
        ShownLines reporter;
        reporter.showException(given);
        reporter.showSuccess(given);
        EXPECT_EQ(reporter.problems() + reporter.successes() + reporter.shown, QStringList(4, expected));
        QFile file(WriteImporterLogFile(folder.path(), QDateTime(QDate(2026, 3, 5), QTime(10, 0)), given));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(file.readAll()), expected + u'\n');
    }
}

// A password quoted in an error text (a database's, a server's, the agency's answer) never reaches a report line.
TEST(ControlCharactersTest, EveryKnownPasswordIsMaskedOutOfAProblemLine) {
    ListReporter reporter;
    test::ManualClock clock;
    Importer im(QDir::tempPath(), reporter, clock);
    im.config.smtpPassword = "Mail&Pass-9";
    im.settings.WEBPW = "Web-PW-3";
    im.startup.sqlPW = "Sql-PW-4";
    im.settings.agency.CreditReportPassword = "Agency<Pass>7";
    im.settings.agency.IdentityCheckPassword = "Id-PW-5";
    im.ShowException("answer: <password>Agency&lt;Pass&gt;7</password> Agency<Pass>7 Id-PW-5 Web-PW-3 Sql-PW-4 Mail&Pass-9");
    EXPECT_EQ(reporter.problems(), QStringList{"answer: <password>********</password> ******** ******** ******** ******** ********"});
}

}  // namespace
}  // namespace autovelt
