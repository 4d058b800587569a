#include "sandbox/SandboxOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace autovelt::sandbox {

namespace {

bool number(const QCommandLineParser& parser, const QString& name, int lowest, int highest, int& value, QString* message) {
    if (!parser.isSet(name)) return true;
    bool ok = false;
    const int n = parser.value(name).toInt(&ok);
    if (!ok || n < lowest || n > highest) {
        *message = QStringLiteral("--%1 needs a whole number from %2 to %3").arg(name).arg(lowest).arg(highest);
        return false;
    }
    value = n;
    return true;
}

}  // namespace

bool readOptions(const QStringList& arguments, SandboxOptions& options, QString* message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in for the credit reference agency's identity check and credit search services, for test installations.\n"
        "Answers are chosen by the applicant's surname; see the README for the list."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("https-port"), QStringLiteral("HTTPS port on 127.0.0.1 (0: a free port)."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("http-port"), QStringLiteral("Plain HTTP port on 127.0.0.1 (0: a free port)."), QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("cert-dir"), QStringLiteral("Folder of the sandbox's CA and server certificate (made when missing)."), QStringLiteral("DIR")},
        {QStringLiteral("record-dir"), QStringLiteral("Folder that keeps every request received, passwords masked."), QStringLiteral("DIR")},
        {QStringLiteral("namespace"), QStringLiteral("The credit search's namespace URN."), QStringLiteral("URN")},
        {QStringLiteral("slow-seconds"), QStringLiteral("How long the Slowpoke applicant's answers take (default 10)."), QStringLiteral("N")},
    });
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *message = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
        return false;
    }
    if (!number(parser, QStringLiteral("https-port"), 0, 65535, options.httpsPort, message) ||
        !number(parser, QStringLiteral("http-port"), 0, 65535, options.httpPort, message) ||
        !number(parser, QStringLiteral("slow-seconds"), 0, 3600, options.slowSeconds, message))
        return false;
    options.certificateFolder = parser.value(QStringLiteral("cert-dir"));
    if (options.certificateFolder.isEmpty()) {
        *message = QStringLiteral("--cert-dir is needed: the folder that holds (or will hold) the sandbox's certificates");
        return false;
    }
    options.recordFolder = parser.value(QStringLiteral("record-dir"));
    if (parser.isSet(QStringLiteral("namespace"))) {
        static const QRegularExpression urn(QStringLiteral("^urn:[^\\s\"<>&']+$"));
        options.callReportNamespace = parser.value(QStringLiteral("namespace"));
        if (!urn.match(options.callReportNamespace).hasMatch()) {
            *message = QStringLiteral("--namespace needs a URN such as urn:sandbox.agency.test/soap:callreport7");
            return false;
        }
    }
    return true;
}

}  // namespace autovelt::sandbox
