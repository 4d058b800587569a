#include "common/SqlDialect.h"
#include "common/VeltError.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

#define D2021 "CONVERT(DATETIME, '2021-01-02 00:00:00', 102)"

// Text an applicant typed sits in quoted literals and must arrive exactly as typed; hashes
// that do not open a date stay.
TEST(SqlDialectTranslate, SqlServerRewrites) {
    const struct { const char* name; const char* jet; const char* sqlServer; } cases[] = {
        {"date and boolean", "SELECT * FROM X WHERE D=#01/02/21# AND F=TRUE", "SELECT * FROM X WHERE D=" D2021 " AND F=1"},
        {"four-digit year", "WHERE DOB=#12/31/1975# ;", "WHERE DOB=CONVERT(DATETIME, '1975-12-31 00:00:00', 102) ;"},
        {"window upper end", "X=#01/01/29#", "X=CONVERT(DATETIME, '2029-01-01 00:00:00', 102)"},
        {"window lower end", "X=#01/01/30#", "X=CONVERT(DATETIME, '1930-01-01 00:00:00', 102)"},
        {"two dates", "VALUES(#02/03/21#,#04/05/2022#)",
         "VALUES(CONVERT(DATETIME, '2021-02-03 00:00:00', 102),CONVERT(DATETIME, '2022-04-05 00:00:00', 102))"},
        {"any case booleans", "SET a=True, b=false, c=tRuE", "SET a=1, b=0, c=1"},
        {"inside identifiers", "SELECT IsTrueValue, Falsehood FROM t", "SELECT Is1Value, 0hood FROM t"},
        {"delete star", "DELETE * FROM Changes WHERE MemberNo = 1", "DELETE FROM Changes WHERE MemberNo = 1"},
        {"delete star alone", "DELETE *", "DELETE"},
        {"delete star lower case", "delete * from x where a=false", "DELETE from x where a=0"},
        {"plain delete", "DELETE FROM member_docs WHERE id=5", "DELETE FROM member_docs WHERE id=5"},
        {"empty", "", ""},
        {"lone hash", "WHERE x=#5 AND y=3", "WHERE x=#5 AND y=3"},
        {"pair around a non-date", "#abc# #01/02/21#", "#abc# " D2021},
        {"single-digit parts", "D=#1/2/21#", "D=#1/2/21#"},         {"not a calendar date", "D=#02/30/21#", "D=#02/30/21#"},
        {"month 13", "D=#13/01/2021#", "D=#13/01/2021#"},            {"three-digit year", "D=#01/02/021#", "D=#01/02/021#"},
        {"day-first separators", "D=#01-02-21#", "D=#01-02-21#"},
        {"surname with true", "VALUES ('Truelove', TRUE)", "VALUES ('Truelove', 1)"},
        {"word false in text", "SET Notes='FALSE alarm', Flag=False", "SET Notes='FALSE alarm', Flag=0"},
        {"hash in text then a date", "SET Line1='No #5' WHERE D=#01/02/21#", "SET Line1='No #5' WHERE D=" D2021},
        {"date-shaped text", "VALUES ('#01/02/21#', #01/02/21#)", "VALUES ('#01/02/21#', " D2021 ")"},
        {"escaped quote", "VALUES ('O''True #1', FALSE, 'It''s #01/02/21# true')", "VALUES ('O''True #1', 0, 'It''s #01/02/21# true')"},
        {"empty literal", "VALUES ('', TRUE, '''')", "VALUES ('', 1, '''')"},
        {"unterminated literal", "SELECT 'abc TRUE #01/02/21#", "SELECT 'abc TRUE #01/02/21#"},
        {"existing convert", "VALUES (CONVERT(DATETIME, '2021-01-02 10:11:12', 102),False,'true')",
         "VALUES (CONVERT(DATETIME, '2021-01-02 10:11:12', 102),0,'true')"},
        {"delete with text", "DELETE * FROM t WHERE a='DELETE * TRUE'", "DELETE FROM t WHERE a='DELETE * TRUE'"},
    };
    for (const auto& c : cases) {
        bool translateIsNull = false;
        EXPECT_EQ(TranslateSQL(QString::fromUtf8(c.jet), translateIsNull, true), QString::fromUtf8(c.sqlServer)) << c.name;
    }
}

TEST(SqlDialectTranslate, JetStatementsPassUnchangedAndTheFlagRewritesIsNullInstead) {
    const QString statement = QStringLiteral("DELETE * FROM X WHERE D=#01/02/21# AND F=TRUE AND ISNULL(a,0)=1");
    bool flag = false;
    EXPECT_EQ(TranslateSQL(statement, flag, false), statement);
    EXPECT_FALSE(flag);
    flag = true;
    EXPECT_EQ(TranslateSQL(QStringLiteral("SELECT ISNULL(a,b) FROM t WHERE F=TRUE"), flag, true),
              QStringLiteral("SELECT IIF(ISNULL(a),b, a) FROM t WHERE F=TRUE"));
    EXPECT_EQ(SQLDate(QStringLiteral("a='#01/02/21#' AND b=#01/02/21# AND c=TRUE")),
              QStringLiteral("a='#01/02/21#' AND b=" D2021 " AND c=TRUE")) << "SQLDate skips literals and booleans";
}

TEST(SqlDialectIsNull, RewritesWhenFlagIsTrue) {
    const struct { const char* in; const char* out; } cases[] = {
        {"SELECT ISNULL(a, 0) FROM t", "SELECT IIF(ISNULL(a), 0, a) FROM t"},
        {"select isnull(x,1)", "select IIF(ISNULL(x),1, x)"},
        {"SELECT ISNULL(SUM(Balance), (1+2)) AS B", "SELECT IIF(ISNULL(SUM(Balance)), (1+2), SUM(Balance)) AS B"},
        {"ISNULL(ISNULL(x,1),2)", "IIF(ISNULL(IIF(ISNULL(x),1, x)),2, IIF(ISNULL(x),1, x))"},
        {"ISNULL(a,1)+ISNULL(b,2)", "IIF(ISNULL(a),1, a)+IIF(ISNULL(b),2, b)"},
        {"ISNULL(a,b,c)", "IIF(ISNULL(a),b,c, a)"},  // the extra comma belongs to b
        {"SELECT 1", "SELECT 1"},
    };
    for (const auto& c : cases) {
        bool flag = true;
        EXPECT_EQ(SQLISNULL(QString::fromUtf8(c.in), flag), QString::fromUtf8(c.out)) << c.in;
    }
    bool flag = false;
    EXPECT_EQ(SQLISNULL(QStringLiteral("ISNULL(a"), flag), QStringLiteral("ISNULL(a")) << "flag false leaves the statement";
}

TEST(SqlDialectIsNull, BadlyFormedRaisesTheDocumentedError) {
    const char* cases[] = {
        "ISNULL(a)", "ISNULL(a, b", "ISNULL(", "x ISNULL(f(a, b)", "ISNULL(a,1) + ISNULL(b",
        "ISNULL(ISNULL(ISNULL(ISNULL(ISNULL(ISNULL(x,1),1),1),1),1),1)",  // absurd nesting
    };
    for (const char* text : cases) {
        bool flag = true;
        try {
            SQLISNULL(QString::fromUtf8(text), flag);
            ADD_FAILURE() << "no error for " << text;
        } catch (const VeltError& e) {
            EXPECT_EQ(e.number(), -2147220979L) << text;
            EXPECT_EQ(e.source(), QStringLiteral("modTarvonel.SQLISNULL"));
            EXPECT_EQ(e.description(), QStringLiteral("modTarvonel.SQLISNULL\rBadly formatted ISNULL statement. "
                                                      "Should be of the form 'ISNULL(Field, 0)'"));
        }
    }
}

TEST(SqlDialectText, SubstituteAndCount) {
    const struct { const char* text; CompareMode mode; const char* find; const char* with; const char* out; } substitutions[] = {
        {"a TRUE b true", CompareMode::Database, "TRUE", "1", "a 1 b 1"},
        {"a TRUE b true", CompareMode::Binary, "TRUE", "1", "a 1 b true"},
        {"aaaa", CompareMode::Text, "aa", "a", "aa"},      // no rescanning of replaced text
        {"abc", CompareMode::Text, "", "x", "abc"},         // empty find changes nothing
        {"", CompareMode::Text, "a", "x", ""},
        {"x-y-z", CompareMode::Binary, "-", "", "xyz"},
    };
    for (const auto& c : substitutions) {
        EXPECT_EQ(SubstituteText(QString::fromUtf8(c.text), c.mode, QString::fromUtf8(c.find), QString::fromUtf8(c.with)),
                  QString::fromUtf8(c.out)) << c.text << " / " << c.find;
    }
    const struct { const char* text; const char* sub; CompareMode mode; int32_t count; } counts[] = {
        {"", "a", CompareMode::Binary, 0},       {"abc", "", CompareMode::Binary, 0},
        {"a,b,,c", ",", CompareMode::Binary, 3}, {"aaaa", "aa", CompareMode::Binary, 2},
        {"Mac mac MAC", "mac", CompareMode::Binary, 1}, {"Mac mac MAC", "mac", CompareMode::Text, 3},
        {"abc", "abcd", CompareMode::Text, 0},
    };
    for (const auto& c : counts) {
        EXPECT_EQ(CountOccurrences(QString::fromUtf8(c.text), QString::fromUtf8(c.sub), c.mode), c.count) << c.text << " / " << c.sub;
    }
}

}  // namespace
