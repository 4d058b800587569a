#include "sandbox/RequestRecorder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace autovelt::sandbox {

namespace {

constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kPrivateFolder = kPrivateFile | QFileDevice::ExeOwner;

// Header values are written on one line each.
QByteArray oneLine(QByteArray value) {
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    return value;
}

}  // namespace

QByteArray maskPasswords(const QByteArray& body) {
    static const QByteArray kMask = QByteArrayLiteral("********");
    QByteArray masked = body;
    qsizetype from = 0;
    while (true) {
        const qsizetype open = masked.indexOf("<password", from);
        if (open < 0) break;
        const qsizetype tagEnd = masked.indexOf('>', open);
        if (tagEnd < 0) {
            masked = masked.left(open) + "<password>" + kMask;
            break;
        }
        const QByteArray name = masked.mid(open + 1, tagEnd - open - 1);
        const bool isPasswordTag = name == "password" || name.startsWith("password ") || name.startsWith("password\t") ||
                                   name.startsWith("password\r") || name.startsWith("password\n");
        if (!isPasswordTag || masked.at(tagEnd - 1) == '/') {  // <passwordhint>, <password/>
            from = tagEnd + 1;
            continue;
        }
        const qsizetype close = masked.indexOf("</password>", tagEnd + 1);
        if (close < 0) {
            masked = masked.left(tagEnd + 1) + kMask;
            break;
        }
        masked.replace(tagEnd + 1, close - tagEnd - 1, kMask);
        from = tagEnd + 1 + kMask.size() + qsizetype(sizeof("</password>") - 1);
    }
    return masked;
}

RequestRecorder::RequestRecorder(QString folder) : folder_(std::move(folder)) {}

bool RequestRecorder::prepare(QString* error) {
    if (folder_.isEmpty()) return true;
    if (!QDir().mkpath(folder_) || !QFile::setPermissions(folder_, kPrivateFolder)) {
        *error = QStringLiteral("cannot make the record folder %1 private").arg(folder_);
        return false;
    }
    // Numbering carries on after files an earlier run left.
    next_ = int(QDir(folder_).entryList({QStringLiteral("request-*.txt")}, QDir::Files).size()) + 1;
    return true;
}

void RequestRecorder::record(const QByteArray& path, const QByteArray& soapAction, const QByteArray& contentType,
                             const QByteArray& body) {
    if (folder_.isEmpty()) return;
    const QString name = QDir(folder_).filePath(QStringLiteral("request-%1.txt").arg(next_++, 6, 10, QLatin1Char('0')));
    // Written whole under a temporary name, so a reader never sees half a request.
    QSaveFile file(name);
    const QByteArray text = "Path: " + oneLine(path) + "\nSOAPAction: " + oneLine(soapAction) + "\nContent-Type: " +
                            oneLine(contentType) + "\n\n" + maskPasswords(body);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kPrivateFile) || file.write(text) != text.size() || !file.commit())
        std::fprintf(stderr, "agency sandbox: cannot record a request in %s\n", qPrintable(name));
}

}  // namespace autovelt::sandbox
