#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

namespace autovelt {

// The first line of a small settings file beside the program ("t2sql.ini", "scanpath.txt",
// "emailme.txt"); empty when the file cannot be read.
inline QString FirstLineOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    return in.readLine();
}

// The importer's test of a usable mail address (or list of them): it holds "@" and ".".
inline bool HoldsMailAddress(const QString& text) {
    return text.contains(QLatin1Char('@')) && text.contains(QLatin1Char('.'));
}

}  // namespace autovelt
