#pragma once

// The single-byte character set of the original system (Windows-1252). Online values carry
// character codes in it; UTF-8 sent by the website therefore arrives one character per
// byte ("O’Neil" as "Oâ€™Neil"), which the intake's name cleaning relies on.

#include <QChar>
#include <optional>

namespace autovelt::inline common {

// The character of an ANSI code 0 to 255. The five codes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number.
QChar ansiCharacter(int code);

// The ANSI code of a character, when the character set holds it.
std::optional<int> ansiCode(QChar character);

}  // namespace autovelt::common
