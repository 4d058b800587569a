#include "tools/LogSearch.h"

#include "support/QtPrinters.h"
#include "support/TestInstallation.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace autovelt {
namespace {

TEST(TextMatcher, FindsTheTextWithoutCaseInEitherReading) {
    const struct { const char* text; QByteArray contents; bool found; } cases[] = {
        {"member", "MEMBER", true}, {"member", "xxmembe", false}, {"member", "a MeMbEr", true},  // the whole file, cut short, at the end
        {"ab", "", false}, {"12", "x1x12", true}, {"aab", "aaaab", true},  // a false start, a jump that must not pass a match
        {"[x]", "a [X] b", true},                          // no special characters
        {"Café", "caf\xC3\x89", true}, {"café", "CAF\xC9 noir", true}, {"café", "cafe", false},  // UTF-8 É, Windows-1252 É
        {"über", "xx \xDC" "ber", true},                   // no ASCII run before the letter
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextMatcher(QString::fromUtf8(c.text)).matches(c.contents), c.found) << c.text << " in " << c.contents.toStdString();
}

TEST(LogSearchFiles, SkipsTildeNamesAndListedExtensions) {
    const struct { const char* name; bool skipped; } cases[] = {
        {"~Eventlog.txt", true}, {"a~b.txt", false}, {"REPORT.Pdf", true}, {"log.zip.txt", false}, {"tmp", true},
        {"picture.tiff", false}, {"picture.tif", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSkippedFile(QString::fromLatin1(c.name)), c.skipped) << c.name;
}

// The command line and the window list what a search found newest first; files of the same
// modified time keep the order they were searched in, however many there are.
TEST(LogSearchFiles, FindsNewestFirstAndEqualTimesInListOrder) {
    QTemporaryDir dir;
    struct Log { QString name; int day; const char* contents; };
    QList<Log> logs{{"a.txt", 1, "member 7"}, {"b.txt", 4, "member 7"}, {"c.txt", 3, "member 8"}, {"d.txt", 2, "member 7"},
                    {"e.txt", 2, "MEMBER 7"}};
    for (int i = 10; i < 40; ++i) logs << Log{QStringLiteral("f%1.txt").arg(i), 2, "member 7"};
    QStringList names;
    for (const auto& log : logs) {
        test::WriteFileBytes(dir.filePath(log.name), log.contents, QDateTime(QDate(2026, 3, log.day), QTime(9, 0)));
        names << log.name;
    }
    QStringList found;
    for (const LogMatch& match : SearchLogFiles(dir.path(), names, "member 7", {}).matches) found << match.name;
    EXPECT_EQ(found, QStringList{"b.txt"} + names.filter(QRegularExpression("^[def]")) + QStringList{"a.txt"});
}

}  // namespace
}  // namespace autovelt
