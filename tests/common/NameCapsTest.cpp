#include "common/NameCaps.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

struct CapsCase { const char* in; const char* out; };

TEST(NameCapsFirstLetters, NamePatterns) {
    const CapsCase cases[] = {
        {"mary   o'neil", "Mary O'Neil"}, {"  mary o'neil  ", "Mary O'Neil"}, {"MCDONALD", "McDonald"},
        {"macdonald", "MacDonald"},       {"jamac", "Jamac"},                 {"mack", "MacK"},
        {"smith/JONES", "Smith/Jones"},   {"smith\\jones", "Smith\\Jones"},   {"jones's", "Jones's"},
        {"o'", "O'"},                     {"d'arcy-smith", "D'Arcy-smith"},   {"SMITH", "Smith"},
        {"mc", "Mc"},                     {"mcmc", "McMc"},                   {"ann/", "Ann/"},
        {"a/b/c", "A/B/C"},               {"o'n", "O'n"},                     {"mr", "Mr"},
        {"", ""},                         {"   ", ""},                        {"x", "X"},
        {"DR jOHN mCdONALD", "Dr John McDonald"}, {"o'neil's", "O'Neil's"},  {"macmac", "MacMac"},
        {"N/A", ""}, {"n/a", ""}, {"N/a", ""},  // not applicable
        // letters outside A to Z stay as typed
        {"émile ZOLA", "émile Zola"},     {"JOSÉ", "JosÉ"},                   {"ÅSA o'ÿ", "Åsa O'ÿ"},
        {"9th ward", "9th Ward"},         {"o'éire", "O'éire"},
    };
    for (const auto& c : cases) {
        QString text = QString::fromUtf8(c.in);
        EXPECT_EQ(FirstLettersCaps(text), QString::fromUtf8(c.out)) << c.in;
    }
    QString argument = QStringLiteral("  mary   o'neil ");
    FirstLettersCaps(argument);
    EXPECT_EQ(argument, QStringLiteral("mary o'neil")) << "the argument is left with its spaces collapsed";
}

TEST(NameCapsUnusualCases, PatternsAndPositions) {
    struct Case { const char* word; const char* pattern; int endOffset; int only; CompareMode mode; const char* out; };
    const Case cases[] = {
        {"O'neil", "'", 1, 0, CompareMode::Binary, "O'Neil"},
        {"Jones's", "'", 1, 0, CompareMode::Binary, "Jones's"},     // one from the end: passed over
        {"Ann/", "/", 0, 0, CompareMode::Binary, "Ann/"},           // at the very end
        {"Mcdonald", "mc", 0, 1, CompareMode::Text, "McDonald"},
        {"Mcdonald", "mc", 0, 1, CompareMode::Binary, "Mcdonald"},  // case-sensitive: no match
        {"Jamac", "mac", 0, 1, CompareMode::Text, "Jamac"},          // not at the start: stops
        {"Macmacdo", "mac", 0, 1, CompareMode::Text, "MacMacdo"},    // second occurrence stops
        {"a/b/c", "/", 0, 0, CompareMode::Binary, "a/B/C"},
        {"a/1", "/", 0, 0, CompareMode::Binary, "a/1"},
        {"", "/", 0, 0, CompareMode::Binary, ""},
        {"abc", "", 0, 0, CompareMode::Binary, "abc"},
    };
    for (const auto& c : cases) {
        QString word = QString::fromUtf8(c.word);
        CapsUnusualCases(word, QString::fromUtf8(c.pattern), c.endOffset, c.only, c.mode);
        EXPECT_EQ(word, QString::fromUtf8(c.out)) << c.word << " / " << c.pattern;
    }
}

TEST(NameCapsProperCaseAndCollapse, Tables) {
    const CapsCase proper[] = {  // the first letter of each word only, no inner capitals
        {"MACCLESFIELD", "Macclesfield"},     {"mcdonald road", "Mcdonald Road"}, {"o'neill court", "O'neill Court"},
        {"st. john's WAY", "St. John's Way"}, {"ash-grove/lane", "Ash-grove/lane"}, {"n/a", "N/a"},
        {"  two  blanks ", "  Two  Blanks "}, {"a\tb", "A\tB"},                   {"12a high st", "12a High St"},
        {"", ""},                             {"ÉCOLE étang", "École Étang"},
    };
    for (const auto& c : proper) EXPECT_EQ(ProperCase(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    const CapsCase collapse[] = {
        {"", ""}, {"   ", ""}, {" a ", "a"}, {"a  b   c", "a b c"}, {"a\tb", "a\tb"}, {"\ta ", "\ta"},
    };
    for (const auto& c : collapse) EXPECT_EQ(CollapseSpaces(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

}  // namespace
