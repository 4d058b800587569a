// Whatever the website's side can encode, the importer decodes back exactly.

#include "FuzzInput.h"
#include "common/AnsiCodePage.h"
#include "common/OnlineDecoding.h"
#include "common/VeltError.h"
#include "support/OnlineEncoder.h"

using namespace autovelt;
using namespace autovelt::testing;

namespace {

void fieldRoundTrip(const uint8_t* data, size_t size, uint32_t seed) {
    QString plain;
    for (size_t i = 0; i < size; ++i) plain += ansiCharacter(data[i]);
    QString encoded;
    try {
        encoded = encodeOnlineField(plain, seed, SymbolUse(seed % 3));
    } catch (const OnlineEncodingError&) {
        return;  // no encoded form exists (too long, or codes too far apart)
    }
    fuzz::require(DecodeOnlineField(encoded) == plain, "text value decodes to what was encoded");
}

void numberRoundTrip(const uint8_t* data, size_t size, uint32_t seed) {
    if (size == 0 || size > 26) return;
    QString digits;
    for (size_t i = 0; i < size; ++i) digits += QChar(u'0' + data[i] % 10);
    const QString encoded = encodeOnlineNumber(digits, seed);
    bool fits = false;
    const qlonglong expected = digits.toLongLong(&fits);
    fits = fits && expected <= 2147483647;
    try {
        const QString decoded = DecodeOnlineNumber(encoded);
        fuzz::require(fits && decoded == QString::number(expected), "number decodes to what was encoded");
    } catch (const VeltError& e) {
        fuzz::require(!fits && e.number() == 6, "only numbers beyond 32 bits overflow");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint32_t seed = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
    fieldRoundTrip(data + 4, size - 4, seed);
    numberRoundTrip(data + 4, size - 4, seed);
    return 0;
}
