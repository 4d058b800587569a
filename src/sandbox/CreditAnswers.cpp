#include "sandbox/CreditAnswers.h"

#include "sandbox/CreditReportShape.h"

#include <QUuid>

namespace autovelt::sandbox {

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>");

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString envelope(const QString& body) {
    return kDeclaration +
           QStringLiteral("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                          "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
                          "<soap:Body>") +
           body + QStringLiteral("</soap:Body></soap:Envelope>");
}

QString jobDetails(const CreditRequest& r, const QDateTime& now) {
    return QStringLiteral("<jobdetails><searchid>%1</searchid><searchdate>%2</searchdate><yourreference>%3</yourreference>"
                          "<operatorid>SANDBOX</operatorid><purpose>CA</purpose><datasets>511</datasets></jobdetails>")
        .arg(QUuid::createUuid().toString(QUuid::WithBraces).toUpper(), now.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")),
             esc(r.reference));
}

QString searchResult(const QString& ns, const QString& inside) {
    return envelope(QStringLiteral("<Search07aResponse xmlns=\"%1\"><SearchResult>").arg(esc(ns)) + inside +
                    QStringLiteral("</SearchResult></Search07aResponse>"));
}

QString matchedName(const CreditRequest& r) {
    QStringList parts;
    for (const QString& part : {r.title, r.forename, r.surname})
        if (!part.isEmpty()) parts << part.toUpper();
    return parts.join(QLatin1Char(' '));
}

QDate yearsAgo(const QDate& today, int years, int months = 0) { return today.addYears(-years).addMonths(-months); }

// A current account, a credit card and a small loan, all kept up to date.
QList<ReportAccount> everydayAccounts(const QDate& today) {
    return {
        {QStringLiteral("SANDBOX BANK PLC"), QStringLiteral("CA"), 0, 500, 0, QStringLiteral("M"), yearsAgo(today, 9, 4), QStringLiteral("000000")},
        {QStringLiteral("SANDBOX CARDS LTD"), QStringLiteral("CC"), 640, 3000, 25, QStringLiteral("M"), yearsAgo(today, 4, 7), QStringLiteral("000000")},
        {QStringLiteral("SANDBOX FINANCE LTD"), QStringLiteral("UL"), 2150, 4000, 118, QStringLiteral("M"), yearsAgo(today, 1, 8), QStringLiteral("000000")},
    };
}

ReportFigures figuresFor(CreditPersona persona, const CreditRequest& r, const QDate& today) {
    ReportFigures f;
    f.title = matchedName(r);
    f.accounts = everydayAccounts(today);
    switch (persona) {
    case CreditPersona::Judged:
        f.activeJudgments = 2;
        f.activeJudgmentsAmount = 1865;
        f.score = 402;
        f.reasons = {QStringLiteral("J01"), QStringLiteral("S12")};
        break;
    case CreditPersona::Defaulter:
        f.delinquencies12Months = 3;
        f.defaults12Months = 1;
        f.defaults36Months = 2;
        f.score = 388;
        f.reasons = {QStringLiteral("D02"), QStringLiteral("D05"), QStringLiteral("S31")};
        f.accounts.append({QStringLiteral("SANDBOX MOBILE LTD"), QStringLiteral("TM"), 412, 0, 0, QStringLiteral("M"), yearsAgo(today, 3, 2),
                           QStringLiteral("888321")});
        f.accounts.append({QStringLiteral("SANDBOX CATALOGUE LTD"), QStringLiteral("MO"), 955, 1200, 0, QStringLiteral("M"),
                           yearsAgo(today, 5, 0), QStringLiteral("888888")});
        break;
    case CreditPersona::Searcher:
        f.searches3Months = 6;
        f.searches12Months = 11;
        f.score = 561;
        f.reasons = {QStringLiteral("Q03"), QStringLiteral("S12")};
        break;
    case CreditPersona::Fraudmark:
        f.fraudMarkers = 1;
        f.score = 597;
        break;
    case CreditPersona::Insolvent:
        f.currentlyInsolvent = 1;
        f.score = 254;
        f.reasons = {QStringLiteral("B01"), QStringLiteral("D02")};
        break;
    case CreditPersona::Homeowner:
        f.accounts.prepend({QStringLiteral("SANDBOX BUILDING SOCIETY"), QStringLiteral("MG"), 148250, 165000, 742, QStringLiteral("M"),
                            yearsAgo(today, 6, 3), QStringLiteral("000000")});
        f.score = 702;
        break;
    case CreditPersona::Noscore:
        f.score = 9999;
        f.reasons = {};
        break;
    case CreditPersona::Unmatched:
        f.title = QStringLiteral("Not matched");
        f.messageCode = 1;
        f.searches3Months = 0;
        f.searches12Months = 0;
        f.accounts = {};
        f.score = 455;
        f.reasons = {QStringLiteral("N01")};
        break;
    default: break;
    }
    return f;
}

SandboxAnswer xmlAnswer(int status, const QString& text) {
    SandboxAnswer a;
    a.status = status;
    a.body = text.toUtf8();
    return a;
}

QString report(const CreditRequest& r, CreditPersona persona, const QString& ns, const QDateTime& now) {
    return searchResult(ns, jobDetails(r, now) + r.requestEcho + writeCreditReport(figuresFor(persona, r, now.date()), now.date()));
}

}  // namespace

SandboxAnswer creditFault(const QString& ns, const QString& code, const QString& text, const QString& detailCode) {
    return xmlAnswer(500, envelope(QStringLiteral("<soap:Fault><faultcode>%1</faultcode><faultstring>%2</faultstring>"
                                                  "<detail><errors xmlns=\"%3\"><error code=\"%4\">%2</error></errors></detail>"
                                                  "</soap:Fault>")
                                       .arg(esc(code), esc(text), esc(ns), esc(detailCode))));
}

SandboxAnswer creditAnswer(const CreditRequest& r, CreditPersona persona, const QString& ns, int slowSeconds, const QDateTime& now) {
    switch (persona) {
    case CreditPersona::Faulted:
        return creditFault(ns, QStringLiteral("soap:Server"),
                           QStringLiteral("The search could not be completed: the credit data service is temporarily unavailable"),
                           QStringLiteral("SV503"));
    case CreditPersona::Errored:
        return xmlAnswer(200, searchResult(ns, jobDetails(r, now) +
                                                   QStringLiteral("<Error>Search refused: the subscriber is not licensed for "
                                                                  "search purpose CA on this account</Error>")));
    case CreditPersona::Emptyanswer: return SandboxAnswer{};
    case CreditPersona::Garbled: {
        // A report cut off in the middle of its summary figures.
        const QString whole = report(r, CreditPersona::Clean, ns, now);
        const qsizetype cut = whole.indexOf(QLatin1String("<share>"));
        return xmlAnswer(200, whole.left(cut) + QStringLiteral("<share><totalacc"));
    }
    default: break;
    }
    SandboxAnswer answer = xmlAnswer(200, report(r, persona, ns, now));
    if (persona == CreditPersona::Slowpoke) answer.delaySeconds = slowSeconds;
    return answer;
}

}  // namespace autovelt::sandbox
