#include "tools/LogSearch.h"

#include "support/QtPrinters.h"

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

}  // namespace
}  // namespace autovelt
