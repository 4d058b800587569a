// Case-insensitive comparison of every letter on the embedded engine: the NOCASE columns
// and LIKE, with and without an escape character.

#include "common/SqlQuote.h"
#include "platform/db/Connection.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

TEST(TextComparison, NoCaseColumnsAndLikeFoldEveryLetterButKeepAccents) {
    test::TestInstallation inst;
    inst.openCoreConnections();
    db::Connection& main = inst.importer().connections.TarvMain;
    main.execute("CREATE TEMP TABLE Names (Name TEXT COLLATE NOCASE)");
    const auto equal = [](const QString& typed) { return "= " + sqlText(typed); };
    const auto like = [](const QString& pattern) { return "LIKE " + pattern; };
    const struct { QString stored; QString condition; bool found; } cases[] = {
        {"MÜLLER", equal("müller"), true},  {"müller", equal("MÜLLER"), true}, {"ÉLODIE", equal("élodie"), true},
        {"Smith", equal("SMITH"), true},    {"MULLER", equal("MÜLLER"), false}, {"Müller", equal("Mueller"), false},
        {"\U00010400x", equal("\U00010428X"), true},  // letters beyond the 16-bit range
        {"élodie", like("'É%'"), true},     {"ÉLODIE", like("'é%'"), true},       {"Élodie", like("'E%'"), false},
        {"John", like("'_ohn'"), true},     {"John", like(sqlLikeStartsWith("%")), false},
        {"%John", like(sqlLikeStartsWith("%")), true}, {"John", like(sqlLikeStartsWith("_")), false},
        {"a!b[c", like(sqlLikeStartsWith("A!B[C")), true}, {"abcabd", like("'%abd'"), true},
        {"ab", like("'a%b%'"), true},       {"ab", like("'a%c'"), false},         {"\U00010428x", like("'\U00010400_'"), true},
    };
    const auto count = [&](const QString& condition) {
        return main.openRecordset("SELECT COUNT(*) AS n FROM Names WHERE Name " + condition, db::clientReadOnlyCursor())
            .value("n").toInt();
    };
    for (const auto& c : cases) {
        main.execute("DELETE FROM Names");
        main.execute("INSERT INTO Names (Name) VALUES (" + sqlText(c.stored) + ")");
        EXPECT_EQ(count(c.condition), c.found ? 1 : 0) << c.stored.toStdString() << " " << c.condition.toStdString();
    }
    EXPECT_THROW(count("LIKE 'a' ESCAPE 'xy'"), VeltError);
}

}  // namespace
