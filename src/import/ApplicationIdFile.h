#pragma once

namespace autovelt {

class Importer;

// A single-application run: when "id.txt" lies in the program's folder, its numeric
// content becomes importer.applicationIdOverride and the file is deleted, so the run
// happens once. Any problem with the file is ignored.
void ReadApplicationIdFile(Importer& importer);

// An application id as a single-application run takes it: a whole number that fits the
// 32-bit key, else 0 (no id at all).
long ApplicationIdOrNone(double value);

}  // namespace autovelt
