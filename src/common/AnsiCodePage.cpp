#include "common/AnsiCodePage.h"

namespace autovelt::inline common {

namespace {

// Codes 0x80 to 0x9F; the rest of the range is the same as Unicode.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QChar ansiCharacter(int code) {
    if (code >= 0x80 && code <= 0x9F) return QChar(kHighControls[code - 0x80]);
    return QChar(char16_t(code & 0xFF));
}

std::optional<int> ansiCode(QChar character) {
    const char16_t u = character.unicode();
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == u) return 0x80 + i;
    }
    if (u <= 0xFF && !(u >= 0x80 && u <= 0x9F)) return int(u);
    return std::nullopt;
}

}  // namespace autovelt::common
