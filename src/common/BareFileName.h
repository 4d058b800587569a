#pragma once

#include <QString>

namespace autovelt::inline common {

// The longest name a file of another system (an upload on the website's server) may have
// for the importer to use it.
constexpr int kMaxBareFileNameLength = 200;

// A name from outside that names a file of one folder and nothing else: not empty, at most
// kMaxBareFileNameLength characters, no separator of either kind, no "..", no drive or
// home prefix (":" anywhere, a leading "~"), no wildcard, and no control, format or line
// separating character. The same holds for its percent-decoded form, so a name such as
// "%2e%2e%2f" that a URL would turn into a path is refused too.
bool IsBareFileName(const QString& name);

}  // namespace autovelt::common
