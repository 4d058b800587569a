#pragma once

// The website's side of the online value encoding, written from the decoding rules, so
// that tests can build online rows ("table_w", "table_ad", "member_docs") holding any
// plain value. Every function is deterministic for a given seed; different seeds give
// different, equally valid encodings (free header and trailer digits, rounding slack,
// shift, and which digits are written as table symbols).

#include "common/OnlineDecoding.h"

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace autovelt::testing {

// Raised when a value has no encoded form: a character outside the ANSI character set,
// more than kMaxOnlineFieldCharacters characters, or character codes too far apart for
// every group to fit four digits (long texts of widely spread characters).
class OnlineEncodingError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

inline constexpr int kMaxOnlineFieldCharacters = 255;

// How many digits of an encoded text value are written as table symbols.
enum class SymbolUse { None, Some, All };

// An encoded text value whose DecodeOnlineField is exactly `plain`; each character is
// written as its ANSI (Windows-1252) code.
QString encodeOnlineField(const QString& plain, uint32_t seed, SymbolUse symbols = SymbolUse::Some,
                          const OnlineCodeTables& tables = OnlineCodeTables());

// As the website really sends text: one character per UTF-8 byte, so "O’Neil" decodes
// to "Oâ€™Neil".
QString encodeOnlineFieldUtf8(const QString& plain, uint32_t seed, SymbolUse symbols = SymbolUse::Some,
                              const OnlineCodeTables& tables = OnlineCodeTables());

// An encoded number value whose DecodeOnlineNumber reads the decimal digits `digits`
// (leading zeros allowed; they go on decoding). At most 26 digits fit the form; more
// than fit a 32-bit number make the decoder report an overflow, as a real row would.
QString encodeOnlineNumber(const QString& digits, uint32_t seed);

}  // namespace autovelt::testing
