#pragma once

#include <QString>
#include <QVariantList>

namespace autovelt::inline platform::db {

// A statement with its literal values taken out: the text the engine prepares once, with a
// "?" where each value was, and the values to bind, in order.
struct LiftedStatement {
    QString text;
    QVariantList values;
};

// Takes the text and number literals out of a SELECT, INSERT, UPDATE, DELETE or REPLACE, so
// that statements differing only in their values share one prepared statement. Numbers
// after ORDER BY or GROUP BY stay (they name columns there), and so does a statement that
// already has parameters; any other statement comes back whole, with no values.
LiftedStatement liftLiterals(const QString& statement);

}  // namespace autovelt::platform::db
