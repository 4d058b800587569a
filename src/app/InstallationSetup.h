#pragma once

#include <QString>
#include <QStringList>

namespace autovelt::inline app {

// Runs a schema script (statements separated by ";", "--" comments) on an SQLite file,
// creating the file. Raises VeltError on the first statement that fails.
void CreateDatabaseFromScript(const QString& databaseFile, const QString& scriptFile);

// The folders of the schema scripts and the sample email templates: beside the executable
// ("schema", "templates"), else under "../share/autovelt/" from it (an installed package),
// else the source tree's.
QString SchemaFolder();

// The folder that holds the sample email templates: "templates" beside the executable,
// else the source tree's.
QString TemplateFolder();

// The email templates the importer fills in ("joinonly.html" and the others).
QStringList EmailTemplateNames();

// Copies each sample email template the folder lacks into it (private); a template that is
// there already is the credit union's own and is never replaced. False with a reason when
// a sample is missing or cannot be copied.
bool CopySampleTemplates(const QString& homeFolder, QString& reason);

// Creates a new installation folder: empty core banking databases in "data", an embedded
// online database, "t2sql.ini" naming the data folder, the scanned images folder "scans",
// a commented "autovelt.ini" and the sample email templates. Refuses (returns false with a
// reason, touching nothing) when the folder already holds an installation.
bool InitInstallation(const QString& homeFolder, QString& reason);

}  // namespace autovelt::app
