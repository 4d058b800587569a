#include "state/ConnectionStrings.h"

#include <QDir>

namespace autovelt::inline state {

namespace {

bool endsInSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
}

QString jetString(const QString& folder, const QString& name) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder +
           (endsInSeparator(folder) ? QString() : QStringLiteral("/")) + name +
           QStringLiteral(".mdb;Persist Security Info=False");
}

}  // namespace

QString BuildConnectionString(QString& name, const StartupSettings& s, const QString& programFolder) {
    if (name.isEmpty()) name = QStringLiteral("TarvMain");
    const QString jet = jetString(s.txtDatabase, name);
    // The reports database always lies beside the program.
    if (jet.toUpper().contains(QLatin1String("VREPORTS.MDB")))
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               QDir(programFolder).filePath(QStringLiteral("Vreports.MDB;")) + QStringLiteral("Persist Security Info=False");
    if (!s.chkSQL) return jet;

    if (!s.SQLSubset.isEmpty()) name = s.SQLSubset + name;
    QString result = QStringLiteral("provider=SQLOLEDB.1;Persist Security Info=False;Initial Catalog=") + name +
                     QStringLiteral(";Data Source=") + s.txtDatabase + QStringLiteral(";");
    if (!s.chkAdmin) return result + QStringLiteral("Trusted_Connection=Yes;");
    result += QStringLiteral("User Id =") + (s.sqlUserName.isEmpty() ? QStringLiteral("sa") : s.sqlUserName) + QStringLiteral(";");
    return result + QStringLiteral("Password=") + s.sqlPW;
}

QString BuildOnlineConnectionString(const QString& webip, const QString& webun, const QString& webpw) {
    return QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};") + QStringLiteral(" PORT=3306;") +
           QStringLiteral(" SERVER=") + webip + QStringLiteral(";") + QStringLiteral(" DATABASE=") + webun +
           QStringLiteral(";") + QStringLiteral(" UID=") + webun + QStringLiteral(";") + QStringLiteral(" PWD=") +
           webpw + QStringLiteral(";") + QStringLiteral(" ENCRYPT=true;") + QStringLiteral(" OPTION=3");
}

}  // namespace autovelt::state
