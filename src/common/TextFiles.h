#pragma once

#include <QFile>
#include <QString>
#include <QFileInfo>
#include <QTextStream>
#include <optional>

namespace autovelt::inline common {

// The first line of a small settings file beside the program ("t2sql.ini", "scanpath.txt",
// "emailme.txt"); empty when the file cannot be read.
inline QString FirstLineOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    return in.readLine();
}

// The first line of a file, or nothing (with the reason) when it cannot be read.
inline std::optional<QString> ReadFirstLine(const QString& path, QString* error) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        if (error) *error = QStringLiteral("it is a folder");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error) *error = file.errorString();
        return std::nullopt;
    }
    QTextStream in(&file);
    return in.readLine();
}

// The importer's test of a usable mail address (or list of them): it holds "@" and ".".
inline bool HoldsMailAddress(const QString& text) {
    return text.contains(QLatin1Char('@')) && text.contains(QLatin1Char('.'));
}

}  // namespace autovelt::common
