#pragma once

#include "common/PrivateFiles.h"
#include "support/TestInstallation.h"

namespace autovelt::test {

// Points the temporary folder into the installation, so request copies go with it.
class InstallationTempFolder {
public:
    explicit InstallationTempFolder(const TestInstallation& inst) : saved_(qgetenv("TMPDIR")) {
        MakePrivateFolder(inst.path(QStringLiteral("tmp")));
        qputenv("TMPDIR", inst.path(QStringLiteral("tmp")).toUtf8());
    }
    ~InstallationTempFolder() { saved_.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved_); }

private:
    QByteArray saved_;
};

}  // namespace autovelt::test
