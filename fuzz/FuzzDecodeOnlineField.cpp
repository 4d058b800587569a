// DecodeOnlineField must return, never crash, on any text; it never raises.

#include "FuzzInput.h"
#include "common/OnlineDecoding.h"

using namespace autovelt;

namespace {

const OnlineCodeTables kDefaultTables;
const OnlineCodeTables kSplitTables{QStringLiteral("01234567890123456789"), QStringLiteral("ABCDEFGHIJKLMNOPQRST")};
const OnlineCodeTables kShortTables{QStringLiteral("0123"), QString()};

void decodeWith(const QString& value, const OnlineCodeTables& tables) {
    const QString plain = DecodeOnlineField(value, tables);
    // One character per four-digit group, at most 255 of them.
    fuzz::require(plain.size() <= 255, "at most 255 characters");
    fuzz::require(plain.isEmpty() || value.size() >= 32 + 4 * plain.size() - 2, "one group per character");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString value = fuzz::textFrom(data, size);
    decodeWith(value, kDefaultTables);
    decodeWith(value, kSplitTables);
    decodeWith(value, kShortTables);
    return 0;
}
