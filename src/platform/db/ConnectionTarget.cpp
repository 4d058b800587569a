#include "platform/db/ConnectionTarget.h"

#include "common/VeltError.h"

#include <QHash>
#include <QStringList>

namespace autovelt::inline platform::db {

namespace {

// Connection strings are "key=value;" pairs; keys are compared without case or blanks.
QHash<QString, QString> readPairs(const QString& text) {
    QHash<QString, QString> pairs;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        QString key = part.left(eq).trimmed().toLower();
        key.remove(QLatin1Char(' '));
        pairs.insert(key, part.mid(eq + 1).trimmed());
    }
    return pairs;
}

ConnectionTarget fileDatabase(const QHash<QString, QString>& pairs) {
    ConnectionTarget t;
    t.engine = Engine::Embedded;
    QString path = pairs.value(QStringLiteral("datasource"));
    if (path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) path.chop(4);
    t.filePath = path + QLatin1String(".db");
    return t;
}

QString odbcValue(const QString& value) {
    // Braces protect values holding ";" or "}" in an ODBC string.
    QString v = value;
    v.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

ConnectionTarget sqlServer(const QHash<QString, QString>& pairs, const EngineSettings& settings) {
    ConnectionTarget t;
    t.engine = Engine::SqlServer;
    t.server = pairs.value(QStringLiteral("datasource"));
    t.database = pairs.value(QStringLiteral("initialcatalog"));
    t.trusted = pairs.value(QStringLiteral("trusted_connection")).compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    t.user = pairs.value(QStringLiteral("userid"));
    t.password = pairs.value(QStringLiteral("password"));
    QString s = QStringLiteral("DRIVER=%1;SERVER=%2;DATABASE=%3;")
                    .arg(odbcValue(settings.odbcDriver), odbcValue(t.server), odbcValue(t.database));
    if (t.trusted) s += QLatin1String("Trusted_Connection=Yes;");
    t.odbcConnectString = s;  // user and password are passed separately, never inside the string
    return t;
}

ConnectionTarget mySql(const QHash<QString, QString>& pairs, const EngineSettings& settings) {
    ConnectionTarget t;
    if (!settings.embeddedOnlineDatabase.isEmpty()) {
        t.engine = Engine::Embedded;
        t.filePath = settings.embeddedOnlineDatabase;
        return t;
    }
    t.engine = Engine::MySql;
    t.server = pairs.value(QStringLiteral("server"));
    t.database = pairs.value(QStringLiteral("database"));
    t.user = pairs.value(QStringLiteral("uid"));
    t.password = pairs.value(QStringLiteral("pwd"));
    t.port = settings.mysqlPort > 0 ? settings.mysqlPort : pairs.value(QStringLiteral("port"), QStringLiteral("3306")).toInt();
    return t;
}

}  // namespace

ConnectionTarget resolveConnectionString(const QString& connectionString, const EngineSettings& settings) {
    const auto pairs = readPairs(connectionString);
    const QString provider = pairs.value(QStringLiteral("provider")).toLower();
    const QString driver = pairs.value(QStringLiteral("driver")).toLower();
    if (provider.startsWith(QLatin1String("microsoft.jet"))) return fileDatabase(pairs);
    if (provider.startsWith(QLatin1String("sqloledb"))) return sqlServer(pairs, settings);
    if (driver.contains(QLatin1String("mysql"))) return mySql(pairs, settings);
    throw VeltError(3706, QStringLiteral("Connection"), QStringLiteral("Provider cannot be found. It may not be properly installed."));
}

}  // namespace autovelt::platform::db
