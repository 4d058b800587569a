#include "tools/LogSearch.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

TEST(TextMatcher, FindsTheTextWithoutCaseInEitherReading) {
    const struct { const char* text; QByteArray contents; bool found; } cases[] = {
        {"member", "MEMBER", true},                      // the whole file
        {"member", "xxmembe", false},                    // cut short at the end
        {"member", "a MeMbEr", true},                    // at the very end
        {"a", "xyzA", true},                             // one letter
        {"ab", "", false},
        {"12", "x1x12", true},                           // a false start before the match
        {"aab", "aaaab", true},                          // the jump must not pass a match
        {"refused", "REFUSE D refuse", false},
        {"[x]", "a [X] b", true},                        // no special characters
        {"Café", "caf\xC3\x89", true},                   // UTF-8 É
        {"café", "CAF\xC9 noir", true},                  // Windows-1252 É
        {"café", "cafe", false},
        {"crème brûlée", "CR\xC8ME BR\xDBL\xC9" "E", true},
        {"über", "xx \xDC" "ber", true},                 // no ASCII run before the letter
        {"é", "\xE9", true},
        {"é", "e", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextMatcher(QString::fromUtf8(c.text)).matches(c.contents), c.found) << c.text << " in " << c.contents.toStdString();
    }
}

TEST(LogSearchFiles, SkipsTildeNamesAndListedExtensions) {
    const struct { const char* name; bool skipped; } cases[] = {
        {"Eventlog.txt", false}, {"~Eventlog.txt", true}, {"a~b.txt", false}, {"REPORT.Pdf", true}, {"book.xlsx", true},
        {"log.zip.txt", false}, {"tmp", true}, {"picture.tiff", false}, {"picture.tif", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSkippedFile(QString::fromLatin1(c.name)), c.skipped) << c.name;
}

}  // namespace
}  // namespace autovelt
