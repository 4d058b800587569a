#include "common/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <set>

using namespace autovelt;

namespace {

TEST(AnsiCodePage, KnownCharactersEveryCodeOnceAndNothingOutside) {
    const std::pair<int, char16_t> known[] = {
        {0x41, u'A'}, {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081}, {0x92, 0x2019}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xFF, 0x00FF},
    };
    for (const auto& [code, unicode] : known) EXPECT_EQ(ansiCharacter(code), QChar(unicode)) << code;
    std::set<char16_t> seen;
    for (int code = 0; code <= 255; ++code) {
        EXPECT_TRUE(seen.insert(ansiCharacter(code).unicode()).second) << code;
        EXPECT_EQ(ansiCode(ansiCharacter(code)), code) << code;
    }
    for (char16_t u : {char16_t(0x0100), char16_t(0xD800)}) EXPECT_FALSE(ansiCode(QChar(u)).has_value()) << int(u);
}

}  // namespace
