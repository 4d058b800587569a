#pragma once

// Whole documents the system must produce exactly (agency requests, activity-log mails), kept
// as reviewed files under tests/expected so a change to what is sent shows as a change there.

#include <QString>

namespace autovelt::test {

// The file's text, as stored (UTF-8, lines ending in a line feed).
QString ExpectedDocument(const QString& name);

// A document stored one element a line and indented for review, as the one line the system
// writes it: each line's indentation and its line feed go.
QString OnOneLine(const QString& document);

}  // namespace autovelt::test
