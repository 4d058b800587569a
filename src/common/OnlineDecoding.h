#pragma once

// The website stores personal values of the online database in an encoded text form;
// these two pure functions turn them back into plain text wherever an online row is read.

#include <QString>

namespace autovelt::inline common {

// The two 20-character tables shared with the website that encodes the online rows (ten
// distinct characters written twice). Deployment values: these defaults serve until the
// installation's configuration supplies the deployed ones.
struct OnlineCodeTables {
    QString digits = QStringLiteral("58039271465803927146");
    QString symbols = QStringLiteral("Qk!Tm&zR$bQk!Tm&zR$b");
};

// The plain text of an encoded text value: a 22-character header whose positions 11-14
// and 15-18 hold two numbers, one four-digit group per character, a 10-character trailer;
// digits may be written as table symbols. Any error (too short, a group that is not a
// number, overflow, a character code outside 0-255, tables too short) gives "".
QString DecodeOnlineField(const QString& value, const OnlineCodeTables& tables = OnlineCodeTables());

// The decimal text of an encoded whole number; "" for an empty or text-encoded value (one
// holding "^", ")" or "#"). Errors reach the caller as VeltError: 13 "Type mismatch" for
// a part that is not a number, 6 "Overflow" for a counter above 255 or a 16/32-bit
// overflow, 5 "Invalid procedure call or argument" for the root of a negative number.
// Numbers carry no symbols, so the tables do not change the result; they are accepted so
// that both decoders are called alike.
QString DecodeOnlineNumber(const QString& value, const OnlineCodeTables& tables = OnlineCodeTables());

}  // namespace autovelt::common
