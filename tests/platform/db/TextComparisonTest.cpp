// Case-insensitive comparison of every letter on the embedded engine: the NOCASE columns
// and LIKE, with and without an escape character.

#include "common/SqlQuote.h"
#include "platform/db/Connection.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

struct Comparison {
    QString stored;
    QString typed;
    bool equal;
};

struct Pattern {
    QString text;
    QString pattern;  // a LIKE operand, ESCAPE clause included when wanted
    bool matches;
};

class TextComparisonTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.openCoreConnections();
        main().execute("CREATE TEMP TABLE Names (Name TEXT COLLATE NOCASE)");
    }
    db::Connection& main() { return inst.importer().connections.TarvMain; }
    int count(const QString& where) {
        return main().openRecordset("SELECT COUNT(*) AS n FROM Names WHERE " + where, db::clientReadOnlyCursor())
            .value("n").toInt();
    }
    void store(const QString& name) {
        main().execute("DELETE FROM Names");
        main().execute("INSERT INTO Names (Name) VALUES (" + sqlText(name) + ")");
    }

    test::TestInstallation inst;
};

TEST_F(TextComparisonTest, NoCaseColumnsFoldEveryLetterButKeepAccents) {
    const Comparison cases[] = {
        {"MÜLLER", "müller", true},  {"müller", "MÜLLER", true}, {"ÉLODIE", "élodie", true},
        {"Smith", "SMITH", true},    {"MULLER", "MÜLLER", false}, {"Müller", "Mueller", false},
        {"\U00010400x", "\U00010428X", true},  // letters beyond the 16-bit range
    };
    for (const Comparison& c : cases) {
        store(c.stored);
        EXPECT_EQ(count("Name=" + sqlText(c.typed)), c.equal ? 1 : 0) << c.stored.toStdString() << " = " << c.typed.toStdString();
    }
}

TEST_F(TextComparisonTest, LikeFoldsEveryLetterAndHonoursTheEscape) {
    const Pattern cases[] = {
        {"élodie", "'É%'", true},
        {"ÉLODIE", "'é%'", true},
        {"Élodie", "'E%'", false},
        {"John", "'_ohn'", true},
        {"John", sqlLikeStartsWith("%"), false},
        {"%John", sqlLikeStartsWith("%"), true},
        {"John", sqlLikeStartsWith("_"), false},
        {"a!b[c", sqlLikeStartsWith("A!B[C"), true},
        {"abcabd", "'%abd'", true},
        {"ab", "'a%b%'", true},
        {"ab", "'a%c'", false},
        {"\U00010428x", "'\U00010400_'", true},
    };
    for (const Pattern& p : cases) {
        store(p.text);
        EXPECT_EQ(count("Name LIKE " + p.pattern), p.matches ? 1 : 0) << p.text.toStdString() << " LIKE " << p.pattern.toStdString();
    }
    EXPECT_THROW(count("Name LIKE 'a' ESCAPE 'xy'"), VeltError);
}

}  // namespace
