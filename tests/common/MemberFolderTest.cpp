#include "common/MemberFolder.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// A part of a file name keeps its first 100 characters; a dot or blank the cut leaves at the end goes.
TEST(CleanFileNamePart, KeepsAHundredCharacters) {
    EXPECT_EQ(CleanFileNamePart(QString(101, QLatin1Char('a')), QStringLiteral("x")), QString(100, QLatin1Char('a')));
    EXPECT_EQ(CleanFileNamePart(QString(99, QLatin1Char('b')) + QStringLiteral(". c"), QStringLiteral("x")), QString(99, QLatin1Char('b')));
}

}  // namespace
