#pragma once

#include <QString>

namespace autovelt {

// Runs a schema script (statements separated by ";", "--" comments) on an SQLite file,
// creating the file. Raises VeltError on the first statement that fails.
void CreateDatabaseFromScript(const QString& databaseFile, const QString& scriptFile);

// The folder that holds the schema scripts: "schema" beside the executable, else
// "../share/autovelt/schema" from it (an installed package), else the
// source tree's.
QString SchemaFolder();

// Creates a new installation folder: empty core banking databases in "data", an embedded
// online database, "t2sql.ini" naming the data folder, the scanned images folder "scans"
// and a commented "autovelt.ini". Refuses (returns false with a reason, touching nothing)
// when the folder already holds an installation.
bool InitInstallation(const QString& homeFolder, QString& reason);

}  // namespace autovelt
