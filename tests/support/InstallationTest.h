#pragma once

#include "support/TestInstallation.h"

#include <gtest/gtest.h>

namespace autovelt::test {

// A test over a temporary installation, with its importer and report lines at hand.
class InstallationTest : public ::testing::Test {
public:
    Importer& im() { return inst.importer(); }
    QStringList problems() { return inst.reporter().problems(); }
    QStringList successes() { return inst.reporter().successes(); }
    // Every report line, for a failure message.
    std::string report() { return (problems() + successes()).join(QLatin1Char('\n')).toStdString(); }

    TestInstallation inst;
};

}  // namespace autovelt::test
