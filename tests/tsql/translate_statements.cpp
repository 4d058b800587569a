// Writes the SQL Server translation of each Jet statement of a file, one per line, for the
// T-SQL syntax check (tests/tsql/check).

#include "common/SqlDialect.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>

using namespace autovelt;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <jet statements> <sql server statements>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    QTextStream reader(&in);
    QTextStream writer(&out);
    int count = 0;
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1String("--"))) continue;
        bool translateIsNull = false;
        writer << TranslateSQL(line, translateIsNull, true) << '\n';
        ++count;
    }
    std::printf("translated %d statements\n", count);
    return count > 0 ? 0 : 1;
}
