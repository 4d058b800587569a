#pragma once

namespace autovelt::inline state { class CycleContext; }

namespace autovelt::inline import {

// A single-application run: when "id.txt" lies in the program's folder, its numeric
// content is the one application the pass imports, and the file is deleted, so the run
// happens once. Any problem with the file is ignored: 0, no application named.
long ReadApplicationIdFile(const CycleContext& cycle);

// An application id as a single-application run takes it: a whole number that fits the
// 32-bit key, else 0 (no id at all).
long ApplicationIdOrNone(double value);

}  // namespace autovelt::import
