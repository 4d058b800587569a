#pragma once

namespace autovelt {

class Importer;

// A single-application run: when "id.txt" lies in the program's folder, its numeric
// content becomes importer.applicationIdOverride and the file is deleted, so the run
// happens once. Any problem with the file is ignored.
void ReadApplicationIdFile(Importer& importer);

}  // namespace autovelt
