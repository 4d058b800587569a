#include "common/LocalTimeZone.h"

#include <cstdlib>
#include <ctime>

namespace autovelt::inline common {

void ReadLocalTimeZoneOnce() {
    const char* tz = std::getenv("TZ");
    if (!tz) setenv("TZ", ":/etc/localtime", 1);
    tzset();
}

}  // namespace autovelt::common
