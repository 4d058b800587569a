// DecodeOnlineNumber may only return a whole number, an empty text, or raise one of its
// documented run-time errors.

#include "FuzzInput.h"
#include "common/OnlineDecoding.h"
#include "common/VeltError.h"

using namespace autovelt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString value = fuzz::textFrom(data, size);
    try {
        const QString number = DecodeOnlineNumber(value);
        if (number.isEmpty()) return 0;
        bool ok = false;
        number.toInt(&ok);
        fuzz::require(ok, "a 32-bit whole number");
    } catch (const VeltError& e) {
        fuzz::require(e.number() == 5 || e.number() == 6 || e.number() == 13, "a documented error number");
    }
    return 0;
}
