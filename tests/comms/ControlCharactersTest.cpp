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

TEST(ControlCharactersTest, ReportLinesAreFlattenedBeforeAnyoneSeesThem) {
    const std::pair<QString, QString> cases[] = {
        {"Smith\nproblem: forged", "Smith problem: forged"},
        {"40-11-22\r\nsuccess: forged", "40-11-22 success: forged"},
        {QString("a") + QChar(0) + "b", "a b"},
        {"tab\there", "tab here"},
        {"esc\x1b[2Jx", "esc [2Jx"},
        {"next\u0085line\u2028and\u2029more", "next line and more"},
        {"Müller, O\u2019Neill", "Müller, O\u2019Neill"},  // printable text is left alone
    };
    for (const auto& [given, expected] : cases) {
        ShownLines reporter;
        reporter.showException(given);
        reporter.showSuccess(given);
        EXPECT_EQ(reporter.problems(), QStringList{expected});
        EXPECT_EQ(reporter.successes(), QStringList{expected});
        EXPECT_EQ(reporter.shown, (QStringList{expected, expected}));
    }
}

TEST(ControlCharactersTest, ImporterLogFileHoldsOneFlatLine) {
    QTemporaryDir folder;
    const QString path = WriteImporterLogFile(folder.path(), QDateTime(QDate(2026, 3, 5), QTime(10, 0)),
                                              QString("Member") + QChar(0) + "7\nproblem: forged");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Member 7 problem: forged\n"));
}

}  // namespace
}  // namespace autovelt
