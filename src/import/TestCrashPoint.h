#pragma once

#include <QByteArray>
#include <cstdlib>

namespace autovelt {

// Test hook, inert in normal use: when the environment variable AUTOVELT_TEST_CRASH_AT
// names this point, the process ends on the spot (exit code 86, nothing flushed or
// closed), as a power cut or a killed process would end it. The crash-safety tests use
// it to check what an interrupted import leaves behind.
inline void TestCrashPoint(const char* name) {
    static const QByteArray wanted = qgetenv("AUTOVELT_TEST_CRASH_AT");
    if (!wanted.isEmpty() && wanted == name) std::_Exit(86);
}

}  // namespace autovelt
