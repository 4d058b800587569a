#include "common/NameCaps.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

struct CapsCase { const char* in; const char* out; };

TEST(NameCapsFirstLetters, NamePatterns) {
    const CapsCase cases[] = {
        {"mary   o'neil", "Mary O'Neil"}, {"MCDONALD", "McDonald"},         {"macdonald", "MacDonald"}, {"jamac", "Jamac"},
        {"mack", "MacK"},                 {"smith/JONES", "Smith/Jones"},   {"smith\\jones", "Smith\\Jones"}, {"jones's", "Jones's"},
        {"o'", "O'"},                     {"d'arcy-smith", "D'Arcy-smith"}, {"mc", "Mc"},               {"mcmc", "McMc"},
        {"ann/", "Ann/"},                 {"o'n", "O'n"},                   {"   ", ""},                {"macmacdo", "MacMacdo"},
        {"DR jOHN mCdONALD", "Dr John McDonald"}, {"o'neil's", "O'Neil's"}, {"N/A", ""},                {"n/a", ""},  // not applicable
        {"émile ZOLA", "émile Zola"},     {"JOSÉ", "JosÉ"},                 {"o'éire", "O'éire"},  // letters outside A to Z stay as typed
    };
    for (const auto& c : cases) {
        QString text = QString::fromUtf8(c.in);
        EXPECT_EQ(FirstLettersCaps(text), QString::fromUtf8(c.out)) << c.in;
    }
    QString argument = QStringLiteral("  mary   o'neil ");
    FirstLettersCaps(argument);
    EXPECT_EQ(argument, QStringLiteral("mary o'neil")) << "the argument is left with its spaces collapsed";
}

TEST(NameCapsProperCase, FirstLetterOfEachWordOnly) {
    const CapsCase proper[] = {  // the first letter of each word only, no inner capitals
        {"mcdonald road", "Mcdonald Road"}, {"o'neill court", "O'neill Court"}, {"st. john's WAY", "St. John's Way"},
        {"ash-grove/lane", "Ash-grove/lane"}, {"  two  blanks ", "  Two  Blanks "}, {"a\tb", "A\tB"}, {"ÉCOLE étang", "École Étang"},
    };
    for (const auto& c : proper) EXPECT_EQ(ProperCase(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

}  // namespace
