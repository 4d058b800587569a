// Control characters never reach a report line or a log file as they are.

#include "state/Reporter.h"
#include "comms/ImporterLog.h"

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
        {"Müller, O\u2019Neill", "Müller, O\u2019Neill"},  // printable text is left alone
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

}  // namespace
}  // namespace autovelt
