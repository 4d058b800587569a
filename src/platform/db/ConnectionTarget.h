#pragma once

#include <QString>

namespace autovelt::inline platform::db {

// Deployment choices that decide how a connection string is served here.
struct EngineSettings {
    QString odbcDriver = QStringLiteral("ODBC Driver 18 for SQL Server");
    QString embeddedOnlineDatabase;  // an SQLite file that stands in for the online database
    QString mysqlTls = QStringLiteral("required");  // required | auto | off
    QString mysqlCaFile;  // certificates the MySQL server's must chain to (empty: the system's)
    int connectTimeoutSeconds = 15;
    int mysqlReadTimeoutSeconds = 60;   // a server that stops answering never holds a cycle longer
    int mysqlWriteTimeoutSeconds = 60;
    int mysqlPort = 0;  // overrides the port of the online string (0 keeps it)
    bool readOnly = false;  // embedded files opened for reading only, journal mode untouched
};

enum class Engine { Embedded, SqlServer, MySql };

// What a connection string names, resolved onto an engine available here.
struct ConnectionTarget {
    Engine engine = Engine::Embedded;
    QString filePath;   // embedded engine: the SQLite file
    QString server;
    QString database;
    QString user;
    QString password;
    int port = 0;
    bool trusted = false;
    QString odbcConnectString;  // SQL Server: the ODBC string handed to the driver
};

// Reads the file-database, SQL Server and online MySQL strings the settings code builds.
// A file-database string naming "<folder>/<name>.mdb" is served by "<folder>/<name>.db".
// Raises VeltError for a string it cannot read.
ConnectionTarget resolveConnectionString(const QString& connectionString, const EngineSettings& settings);

}  // namespace autovelt::platform::db
