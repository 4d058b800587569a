#pragma once

// Turns fuzz bytes into the text under test. The first byte picks how the rest is read,
// so that one corpus reaches UTF-8 (with invalid sequences), Latin-1 and raw UTF-16 (with
// lone surrogates); seed files start with '0', '1' or '2' for those three.

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace autovelt::fuzz {

inline QString textFrom(const uint8_t* data, size_t size) {
    if (size == 0) return QString();
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    switch (data[0] % 3) {
    case 0: return QString::fromUtf8(rest, length);
    case 1: return QString::fromLatin1(rest, length);
    default: {
        QString text;
        text.reserve(length / 2);
        for (qsizetype i = 0; i + 1 < length; i += 2) {
            text += QChar(char16_t(uint8_t(rest[i]) | (uint8_t(rest[i + 1]) << 8)));
        }
        return text;
    }
    }
}

// A broken property is a finding: stop the run the way a crash does.
inline void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

}  // namespace autovelt::fuzz
