#include "sandbox/IdentityAnswers.h"

namespace autovelt::sandbox {

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QString kApiVersion = QStringLiteral("5.3");

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString element(const QString& name, const QString& value) {
    if (value.isEmpty()) return QStringLiteral("<%1/>").arg(name);
    return QStringLiteral("<%1>%2</%1>").arg(name, esc(value));
}

// The agency's reference: always 30 characters, unique within a run.
QString referenceFor(const QString& rid, const QDateTime& now, int sequence) {
    QString digits;
    for (QChar c : rid)
        if (c.isDigit()) digits += c;
    digits = digits.right(8).rightJustified(8, QLatin1Char('0'));
    return QStringLiteral("SBX-UAT-%1-%2-%3").arg(now.toString(QStringLiteral("yyMMdd")), digits).arg(sequence % 1000000, 6, 10, QLatin1Char('0'));
}

QString resultOpening(const IdentityRequest& r, const QDateTime& now, int sequence) {
    return QStringLiteral("<Result RID=\"%1\" PID=\"%2\" DateTime=\"%3\">")
        .arg(esc(r.rid), referenceFor(r.rid, now, sequence), now.toString(QStringLiteral("dd-MM-yyyy hh:mm")));
}

// What each persona changes in an otherwise clean pass.
struct Verdict {
    QString result = QStringLiteral("Pass");
    int score = 68;
    QString matchLevel = QStringLiteral("IndividualReport");
    bool accountClosed = false;
    bool holderMatches = true;
    bool accountValid = true;
    QString enhancedResult = QStringLiteral("P");
    int peps = 0;
    int sanctions = 0;
};

Verdict verdictFor(IdentityPersona persona) {
    Verdict v;
    switch (persona) {
    case IdentityPersona::Idfail:
        v.result = QStringLiteral("Fail");
        v.score = 43;
        v.matchLevel = QStringLiteral("IndividualPartial");
        break;
    case IdentityPersona::Bankclosed: v.accountClosed = true; break;
    case IdentityPersona::Bankmismatch: v.holderMatches = false; break;
    case IdentityPersona::Bankinvalid: v.accountValid = false; break;
    case IdentityPersona::Bankenhanced: v.enhancedResult = QStringLiteral("F"); break;
    case IdentityPersona::Thinfile:
        v.score = 61;
        v.matchLevel = QStringLiteral("AddressOnly");
        break;
    case IdentityPersona::Politic: v.peps = 2; break;
    case IdentityPersona::Sanctioned: v.sanctions = 1; break;
    default: break;
    }
    return v;
}

QString checksCompleted(const IdentityRequest& r) {
    QString checks;
    for (const QString& check : r.checksRequested) checks += QStringLiteral("<%1>yes</%1>").arg(check);
    return QStringLiteral("<ChecksCompleted>") + checks + QStringLiteral("</ChecksCompleted>");
}

QString inputData(const IdentityRequest& r) {
    return QStringLiteral("<InputData><Individual>") + element(QStringLiteral("Dateofbirth"), r.dateOfBirth) +
           element(QStringLiteral("Title"), r.title) + element(QStringLiteral("Firstname"), r.forename) +
           element(QStringLiteral("Surname"), r.surname) + QStringLiteral("</Individual><Address>") +
           element(QStringLiteral("Postcode"), r.postcode) + QStringLiteral("</Address><Bank>") +
           element(QStringLiteral("Sortcode"), r.sortCode) + element(QStringLiteral("Accountnumber"), r.accountNumber) +
           QStringLiteral("</Bank></InputData>");
}

QString identityCheck(const Verdict& v) {
    const bool full = v.matchLevel == QLatin1String("IndividualReport");
    return QStringLiteral("<IdentityCheck><Dateofbirth>%1</Dateofbirth><matchlevel>%2</matchlevel>"
                          "<IdentityConfidence>%3</IdentityConfidence><NumPrimaryChecks>%4</NumPrimaryChecks>"
                          "<NumSecondaryChecks>%5</NumSecondaryChecks><CreditActive>%6</CreditActive>"
                          "<ElectoralRoll>%7</ElectoralRoll></IdentityCheck>")
        .arg(full ? QStringLiteral("Matched") : QStringLiteral("Not matched"), v.matchLevel)
        .arg(full ? 4 : 1)
        .arg(full ? 3 : 0)
        .arg(full ? 2 : 1)
        .arg(full ? QStringLiteral("Yes") : QStringLiteral("No"), full ? QStringLiteral("Current") : QStringLiteral("Not found"));
}

QString warnings(const Verdict& v) {
    return QStringLiteral("<Warnings><DeceasedWarning>false</DeceasedWarning><GoneAwayWarning>false</GoneAwayWarning>"
                          "<BankAccountClosedWarning>%1</BankAccountClosedWarning><AddressMismatchWarning>false</AddressMismatchWarning>"
                          "<FraudAlertWarning>false</FraudAlertWarning></Warnings>")
        .arg(v.accountClosed ? QStringLiteral("true") : QStringLiteral("false"));
}

QString bankChecks(const IdentityRequest& r, const Verdict& v) {
    const bool given = !r.sortCode.isEmpty() && !r.accountNumber.isEmpty();
    // A persona's bank finding holds whether or not details were sent: the importer decides
    // what a finding means for an application without them.
    const QString validation = !v.accountValid ? QStringLiteral("Validation Failure INVALID - Account Number")
                               : given         ? QStringLiteral("Validation Success VALID")
                                               : QStringLiteral("Not checked - no bank details supplied");
    const QString standard = QStringLiteral("<BankcheckStandard><BankValidationResult>%1</BankValidationResult>"
                                            "<BankName>SANDBOX BANK PLC</BankName><BankBranch>HIGH STREET</BankBranch>"
                                            "<AcceptsDirectDebits>%2</AcceptsDirectDebits></BankcheckStandard>")
                                 .arg(validation, given && v.accountValid ? QStringLiteral("true") : QStringLiteral("false"));
    const QString enhanced = QStringLiteral("<BankcheckEnhanced><RESULT>%1</RESULT><SCORE>%2</SCORE>"
                                            "<BankAccountPremiumIdentityMatch>%3</BankAccountPremiumIdentityMatch>"
                                            "<AccountStartDate>%4</AccountStartDate><AccountOwnerVerified>%3</AccountOwnerVerified>"
                                            "</BankcheckEnhanced>")
                                 .arg(v.enhancedResult)
                                 .arg(v.enhancedResult == QLatin1String("P") ? 9 : 2)
                                 .arg(v.holderMatches ? QStringLiteral("true") : QStringLiteral("false"), QStringLiteral("2014-03"));
    return standard + enhanced;
}

QString watchList(const Verdict& v) {
    return QStringLiteral("<WatchlistScreening><CountOfPEPs>%1</CountOfPEPs><CountOfSanctions>%2</CountOfSanctions>"
                          "<CountOfAdverseMedia>0</CountOfAdverseMedia></WatchlistScreening>")
        .arg(v.peps)
        .arg(v.sanctions);
}

QString displays(const IdentityRequest& r, const Verdict& v) {
    return QStringLiteral("<Displays>") + checksCompleted(r) + inputData(r) + identityCheck(v) +
           QStringLiteral("<AgeVerify><AgeVerified>%1</AgeVerified></AgeVerify>")
               .arg(v.result == QLatin1String("Pass") ? QStringLiteral("Yes") : QStringLiteral("No")) +
           QStringLiteral("<OtherChecks><IdentityResult>%1</IdentityResult><IdentityScore>%2</IdentityScore></OtherChecks>")
               .arg(v.result)
               .arg(v.score) +
           warnings(v) + bankChecks(r, v) + watchList(v) + QStringLiteral("</Displays>");
}

QString results(const QString& inside) {
    return kDeclaration + QStringLiteral("<Results APIVERSION=\"%1\">").arg(kApiVersion) + inside + QStringLiteral("</Results>");
}

SandboxAnswer xmlAnswer(const QString& text) {
    SandboxAnswer a;
    a.body = text.toUtf8();
    return a;
}

QString errors(const QString& module, const QString& text) {
    return QStringLiteral("<Errors><Error module=\"%1\">%2</Error></Errors>").arg(esc(module), esc(text));
}

}  // namespace

SandboxAnswer identityAnswer(const IdentityRequest& r, IdentityPersona persona, int slowSeconds, const QDateTime& now, int sequence) {
    switch (persona) {
    case IdentityPersona::Refused:
        return xmlAnswer(results(resultOpening(r, now, sequence) +
                                 errors(QStringLiteral("Authentication"),
                                        QStringLiteral("Access denied: the account is not enabled for application ") + r.applicationName) +
                                 QStringLiteral("</Result>")));
    case IdentityPersona::Fatal:
        return xmlAnswer(results(QStringLiteral("<FatalError>The request could not be processed: the search engine stopped "
                                                "unexpectedly (reference 5E1-0042)</FatalError>")));
    case IdentityPersona::Emptyanswer: return SandboxAnswer{};
    case IdentityPersona::Garbled:
        return xmlAnswer(kDeclaration + QStringLiteral("<Results APIVERSION=\"%1\">").arg(kApiVersion) + resultOpening(r, now, sequence) +
                         QStringLiteral("<Displays><ChecksCompleted><BankStandard>yes</BankStandard><BankEnh"));
    default: break;
    }
    SandboxAnswer answer = xmlAnswer(results(resultOpening(r, now, sequence) + displays(r, verdictFor(persona)) +
                                             QStringLiteral("<Errors/></Result>")));
    if (persona == IdentityPersona::Slowpoke) answer.delaySeconds = slowSeconds;
    return answer;
}

SandboxAnswer identityRefusal(const IdentityRequest& r, const QDateTime& now, int sequence) {
    return xmlAnswer(results(resultOpening(r, now, sequence) + errors(r.problemModule, r.problem) + QStringLiteral("</Result>")));
}

}  // namespace autovelt::sandbox
