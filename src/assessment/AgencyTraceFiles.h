#pragma once

#include <QString>

namespace autovelt {

// The folder where the importer leaves its traces of agency requests (the last request
// sent for a member): the temporary folder + "/autovelt-" + the user's id, created for the
// owner alone (0700). The traces hold personal data, so a folder that cannot be made
// private (it belongs to another user, or is a link) is never used: the result is then
// empty.
QString AgencyTraceFolder();

}  // namespace autovelt
