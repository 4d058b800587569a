#include "support/CreditReportBuilder.h"

namespace autovelt::test {

namespace {

QString figure(const QMap<QString, QString>& figures, const char* name) {
    const QString key = QLatin1String(name);
    if (!figures.contains(key)) return QString();
    return QStringLiteral("<%1>%2</%1>").arg(key, figures.value(key));
}

QString group(const QMap<QString, QString>& figures, const char* name, std::initializer_list<const char*> children) {
    QString inner;
    for (const char* child : children) inner += figure(figures, child);
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(name), inner);
}

}  // namespace

QString CreditReportBuilder::xml() const {
    const QMap<QString, QString>& f = figures;
    QString summary = group(f, "searches", {"totalsearches3months", "totalsearches12months"}) +
                      group(f, "judgments", {"totalactive", "totalsatisfied", "totalactiveamount"}) +
                      group(f, "bais", {"totaldischarged", "currentlyinsolvent", "restricted"}) +
                      group(f, "notices", {"nocflag", "totaldisputes"}) + group(f, "cifas", {"totalcifas"}) +
                      group(f, "share", {"totalaccounts", "totaldelinqs12months", "totaldefaults12months", "totaldefaults36months"}) +
                      group(f, "ich", {"impairedcredit", "iva", "boss"}) +
                      group(f, "indebt", {"totalbalancesactive", "totalbalancesrevolve", "balancelimitratiorevolve",
                                          "totalbalancesmortgages"});
    summary += QStringLiteral("<summaryaddress>") + figure(f, "messagecode") +
               (undeclaredAddress ? QStringLiteral("<address undeclaredaddresstype=\"2\">12 MILL LANE</address>") : QString()) +
               QStringLiteral("</summaryaddress>");
    QString scores;
    if (!score.isEmpty()) {
        scores = scoreBeforeReasonsOnly
                     ? QStringLiteral("<score class=\"1\"></score><score class=\"2\">%1</score><reasons><reason>C4</reason></reasons>").arg(score)
                     : QStringLiteral("<score class=\"1\">%1</score><reasons><reason>C4</reason></reasons>").arg(score);
        scores = QStringLiteral("<creditscores><creditscore>") + scores + QStringLiteral("</creditscore></creditscores>");
    }
    QString accs;
    for (const ReportAccount& a : accounts)
        accs += QStringLiteral("<acc><accholderdetails><name>MR A TESTER</name></accholderdetails>"
                               "<acchistory><ah m=\"2026-11\" bal=\"%1\" status=\"0\"/><ah m=\"2026-10\" bal=\"999\" status=\"0\"/></acchistory>"
                               "<accdetails><acctypecode>%2</acctypecode><balance>%1</balance><regpayment>%3</regpayment>"
                               "<repayfreqcode>M</repayfreqcode></accdetails></acc>")
                    .arg(a.balance, a.typeCode, a.regularPayment);
    if (!accs.isEmpty()) accs = QStringLiteral("<accs>") + accs + QStringLiteral("</accs>");
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                          "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                          "<Search07aResponse xmlns=\"urn:agency.example/soap:callreport7\"><SearchResult>"
                          "<jobdetails><searchid>%1</searchid><jobtype>CR</jobtype></jobdetails>"
                          "<creditrequest><applicant><name><surname>TESTER</surname></name></applicant></creditrequest>"
                          "<creditreport><applicant reporttype=\"1\" reporttitle=\"%2\"><summary>%3</summary>%4%5</applicant>"
                          "</creditreport></SearchResult></Search07aResponse></soap:Body></soap:Envelope>")
        .arg(searchId, reportTitle, summary, scores, accs);
}

}  // namespace autovelt::test
