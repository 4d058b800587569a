#pragma once

#include "state/Importer.h"
#include "state/Reporter.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace autovelt::test {

// A member already on the books: their MemberMain row and, unless `home` is false, a home address.
struct StoredMember {
    long number = 500;
    QString title = QStringLiteral("Mr");
    QString forename = QStringLiteral("John");
    QString midname = QString();
    QString surname = QStringLiteral("Smith");
    QString dob = QStringLiteral("1985-04-15");  // empty: Null
    QString ni = QStringLiteral("AB123456C");
    QString status = QStringLiteral("A");
    QString sex = QStringLiteral("M");
    QString homeEmail = QStringLiteral("john.smith@example.com");
    bool home = true;  // 12 High Street, Leeds LS1 4AB: the sample application's address
};

// A complete installation in a temporary folder: the four core banking databases and an
// embedded online database built from the schema scripts, "t2sql.ini" naming the data
// folder, an "autovelt.ini" pointing the online database at the embedded file, a scanned
// images folder, the sample email templates, and sample Control, ControlSwitches and
// UDFSetUp rows. The registry files
// are pointed into the folder too, so nothing outside it is read.
class TestInstallation {
public:
    TestInstallation();
    ~TestInstallation();

    const QString& home() const { return home_; }
    QString path(const QString& relative) const;
    QString databaseFile(const QString& name) const;  // "TarvMain", ..., "online"

    Importer& importer() { return *importer_; }
    ListReporter& reporter() { return reporter_; }
    ManualClock& clock() { return clock_; }

    // Runs a statement directly on one of the databases (bypassing the importer).
    void exec(const QString& database, const QString& sqlText);
    // The first column of the first row of a query, or an invalid value when no row.
    QVariant scalar(const QString& database, const QString& sqlText);
    // Number of rows a query returns.
    int count(const QString& database, const QString& sqlText);
    // The first column of every row of a query, as texts.
    QStringList values(const QString& database, const QString& sqlText);
    // The rows of a table that match, in storage order, each as the columns (or expressions)
    // joined by "|", Null shown as "<null>".
    QStringList rows(const QString& database, const QString& table, const QStringList& columns,
                     const QString& where = QStringLiteral("1=1"));
    // Every row of every table of the database, in storage order, as "table:col|col|...".
    QStringList everyRow(const QString& database);
    void addMember(const StoredMember& member);

    // Appends lines to autovelt.ini and reloads the installation settings.
    void appendConfig(const QString& iniText);
    void writeFile(const QString& relative, const QString& text);
    // A file's text (UTF-8); empty when it cannot be read. A relative path is inside the installation.
    QString readFile(const QString& path) const;
    // The texts of the files in the program's "web" folder whose names match (the importer log files unless told
    // otherwise), in name order, each trimmed.
    QStringList importerLogs(const QString& names = QStringLiteral("autovelt_*.txt")) const;
    // Opens the four core banking connections on the importer.
    void openCoreConnections();
    // Points the online connection at the MariaDB server the test script started
    // (AUTOVELT_TEST_MYSQL_* variables), emptying its tables. False when there is none.
    bool useMariaDbOnline();
    // Opens the website's own connection to that MariaDB database, quoting as the importer's connections quote.
    void openWebsite(db::Connection& website);
    // Runs a statement on that MariaDB database (as the website would).
    void execOnlineMySql(const QString& sqlText);

    // Recreates the importer (after changing files), keeping the reporter and clock.
    void reload();

private:
    QTemporaryDir dir_;
    QString home_;
    ListReporter reporter_;
    ManualClock clock_;
    std::unique_ptr<Importer> importer_;
};

// A file's bytes, empty when it cannot be read.
QByteArray FileBytes(const QString& path);
// Writes the file (its folder made as needed), then gives it the modified time when one is given; throws when it cannot.
void WriteFileBytes(const QString& path, const QByteArray& bytes, const QDateTime& modified = {});

// Every file under a folder (hidden ones too) by its path from there, sorted, each followed by "=" and its bytes (one
// character each, so that any file compares exactly) when asked.
QStringList FilesUnder(const QString& folder, bool withContent = false);

// Every row a query reads on a connection, its columns joined by "|".
QStringList RecordsetRows(db::Connection& connection, const QString& sqlText);

}  // namespace autovelt::test
