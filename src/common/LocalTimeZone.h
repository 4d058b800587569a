#pragma once

namespace autovelt::inline common {

// Reads the system's time zone once for the whole run. Without TZ the C library looks at
// /etc/localtime again on every local time it works out (dozens per application); naming
// the file in TZ makes it read it once. A TZ already set is left as it is.
void ReadLocalTimeZoneOnce();

}  // namespace autovelt::common
