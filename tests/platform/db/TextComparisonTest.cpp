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
        {"MÜLLER", equal("müller"), true}, {"ÉLODIE", equal("élodie"), true}, {"MULLER", equal("MÜLLER"), false},
        {"\U00010400x", equal("\U00010428X"), true},  // letters beyond the 16-bit range
        {"ÉLODIE", like("'é%'"), true},    {"Élodie", like("'E%'"), false},   {"John", like("'_ohn'"), true},
        {"John", like(sqlLikeStartsWith("%")), false}, {"%John", like(sqlLikeStartsWith("%")), true},
        {"a!b[c", like(sqlLikeStartsWith("A!B[C")), true}, {"abcabd", like("'%abd'"), true}, {"ab", like("'a%c'"), false},
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
