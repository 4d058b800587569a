#include "platform/db/SqlLiterals.h"

#include <gtest/gtest.h>

namespace autovelt::db {
namespace {

struct LiftCase {
    const char* name;
    QString statement;
    QString text;  // empty: the statement comes back whole, with no values
    QVariantList values;
};

class LiftLiterals : public ::testing::TestWithParam<LiftCase> {};

// Statements that differ only in their values become one text to prepare; anything the
// lifting cannot read for certain is left to the engine as written.
TEST_P(LiftLiterals, TakesOutTheValues) {
    const LiftCase& c = GetParam();
    const LiftedStatement lifted = liftLiterals(c.statement);
    EXPECT_EQ(lifted.text, c.text.isEmpty() ? c.statement : c.text);
    EXPECT_EQ(lifted.values, c.values);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, LiftLiterals,
    ::testing::Values(
        LiftCase{"TextAndNumbers", "SELECT * FROM MemberMain WHERE Surname='O''Neil' AND MemberNo=1234 AND Rate=1.5e2 ;",
                 "SELECT * FROM MemberMain WHERE Surname=? AND MemberNo=? AND Rate=? ;", {"O'Neil", 1234LL, 150.0}},
        LiftCase{"NamesAndQuotedNamesStay", "  update [Loan 2] SET \"a'b\"=-5, col9=`x` WHERE T1.x2=.5",
                 "  update [Loan 2] SET \"a'b\"=-?, col9=`x` WHERE T1.x2=?", {5LL, 0.5}},
        LiftCase{"ColumnNumbersStay", "SELECT a FROM t WHERE b=2 ORDER BY 1 DESC", "SELECT a FROM t WHERE b=? ORDER BY 1 DESC", {2LL}},
        LiftCase{"HexAndTooLargeStay", "DELETE FROM t WHERE a=0x1F OR b=99999999999999999999 OR c='z'",
                 "DELETE FROM t WHERE a=0x1F OR b=99999999999999999999 OR c=?", {"z"}},
        LiftCase{"OwnParameters", "SELECT * FROM t WHERE a=? AND b=1", "", {}},
        LiftCase{"Comment", "SELECT 1 -- note", "", {}},
        LiftCase{"BlobLiteral", "INSERT INTO t VALUES (X'00FF')", "", {}},
        LiftCase{"UnclosedText", "SELECT * FROM t WHERE a='open", "", {}},
        LiftCase{"NotAStatementToLift", "CREATE TABLE t (a INTEGER DEFAULT 1)", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace autovelt::db
