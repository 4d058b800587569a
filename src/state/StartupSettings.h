#pragma once

#include <QString>

namespace autovelt::inline platform { class Registry; }

namespace autovelt::inline state {

// The settings fields of the main window that the connection builder reads. They come from
// the machine registry and may be overridden by "t2sql.ini" in the program's folder.
struct StartupSettings {
    QString txtDatabase;   // file databases: their folder; SQL Server: the server
    bool chkSQL = false;   // connecting to SQL Server
    bool chkAdmin = false; // SQL Server login with name and password (else trusted login)
    QString sqlUserName;
    QString sqlPW;
    QString SQLSubset;     // prefix of every SQL Server database name
    QString SQLCursor = QStringLiteral("3");
    // Set when "t2sql.ini" exists but gives no usable first line; a cycle then does
    // nothing. It never quotes the line, which may hold a password.
    QString settingsFileProblem;
};


// Reads the installation settings from the registry (key Software\Varno\Tarvonel) and then
// applies the first line of "t2sql.ini" when that file exists in the program's folder.
StartupSettings ReadStartupSettings(const QString& programFolder);

// Applies one "t2sql.ini" line to the settings. A line holding "|" names an SQL Server
// unless its first part is a folder, so a password may hold ":" or "\\"; a folder with "|"
// in it is refused (settingsFileProblem).
void ApplySettingsFileLine(const QString& line, StartupSettings& settings);

}  // namespace autovelt::state
