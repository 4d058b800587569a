#include "sandbox/CreditReportShape.h"

#include <QSet>

namespace autovelt::sandbox {

namespace {

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString figure(const char* name, int value) { return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(name)).arg(value); }

bool isRevolving(const QString& typeCode) { return typeCode == QLatin1String("CC") || typeCode == QLatin1String("CA"); }
bool isMortgage(const QString& typeCode) { return typeCode == QLatin1String("MG") || typeCode == QLatin1String("FM"); }

QString summary(const ReportFigures& f) {
    int balances = 0, revolving = 0, revolvingLimits = 0, mortgages = 0;
    for (const ReportAccount& a : f.accounts) {
        balances += a.balance;
        if (isRevolving(a.typeCode)) {
            revolving += a.balance;
            revolvingLimits += a.limit;
        }
        if (isMortgage(a.typeCode)) mortgages += a.balance;
    }
    const int ratio = revolvingLimits > 0 ? (revolving * 100 + revolvingLimits / 2) / revolvingLimits : 0;
    return QStringLiteral("<summary>") +
           QStringLiteral("<searches>") + figure("totalsearches3months", f.searches3Months) +
           figure("totalsearches12months", f.searches12Months) + QStringLiteral("</searches>") +
           QStringLiteral("<judgments>") + figure("totalactive", f.activeJudgments) + figure("totalsatisfied", f.satisfiedJudgments) +
           figure("totalactiveamount", f.activeJudgmentsAmount) + QStringLiteral("</judgments>") +
           QStringLiteral("<bais>") + figure("totaldischarged", f.dischargedInsolvencies) +
           figure("currentlyinsolvent", f.currentlyInsolvent) + figure("restricted", f.restricted) + QStringLiteral("</bais>") +
           QStringLiteral("<notices>") + figure("nocflag", f.noticeOfCorrection) + figure("totaldisputes", f.disputes) +
           QStringLiteral("</notices>") +
           QStringLiteral("<cifas>") + figure("totalcifas", f.fraudMarkers) + QStringLiteral("</cifas>") +
           QStringLiteral("<share>") + figure("totalaccounts", int(f.accounts.size())) +
           figure("totaldelinqs12months", f.delinquencies12Months) + figure("totaldefaults12months", f.defaults12Months) +
           figure("totaldefaults36months", f.defaults36Months) + QStringLiteral("</share>") +
           QStringLiteral("<ich>") + figure("impairedcredit", f.impairedCredit) + figure("iva", f.iva) + figure("boss", f.boss) +
           QStringLiteral("</ich>") +
           QStringLiteral("<indebt>") + figure("totalbalancesactive", balances) + figure("totalbalancesrevolve", revolving) +
           figure("balancelimitratiorevolve", ratio) + figure("totalbalancesmortgages", mortgages) + QStringLiteral("</indebt>") +
           QStringLiteral("<summaryaddress>") + figure("messagecode", f.messageCode) +
           QStringLiteral("<address current=\"1\" level=\"%1\"/>").arg(f.messageCode == 1 ? QStringLiteral("individual") : QStringLiteral("none")) +
           QStringLiteral("</summaryaddress></summary>");
}

QString scores(const ReportFigures& f) {
    QString reasons;
    for (const QString& r : f.reasons) reasons += QStringLiteral("<reason>%1</reason>").arg(esc(r));
    return QStringLiteral("<creditscores><creditscore><score class=\"1\">%1</score><reasons>%2</reasons></creditscore></creditscores>")
        .arg(f.score)
        .arg(reasons);
}

// The balance `monthsAgo` months back: a loan was higher by the payments made since, a
// revolving balance wanders a little.
int pastBalance(const ReportAccount& a, int monthsAgo) {
    if (a.balance == 0 || monthsAgo == 0) return a.balance;
    if (isRevolving(a.typeCode)) return qMax(0, a.balance + (monthsAgo % 2 ? 35 : -20));
    return a.balance + a.regularPayment * monthsAgo;
}

// Six monthly entries, newest first; the newest carries the current balance.
QString history(const ReportAccount& a, const QDate& today) {
    QString entries;
    const QDate lastMonth = today.addMonths(-1);
    for (int i = 0; i < 6; ++i) {
        const QDate month = lastMonth.addMonths(-i);
        const int balance = pastBalance(a, i);
        const QChar status = i < a.recentStatus.size() ? a.recentStatus.at(i) : QLatin1Char('0');
        entries += QStringLiteral("<ah m=\"%1\" bal=\"%2\" status=\"%3\"/>").arg(month.toString(QStringLiteral("yyyy-MM"))).arg(balance).arg(status);
    }
    return QStringLiteral("<acchistory>") + entries + QStringLiteral("</acchistory>");
}

QString account(const ReportAccount& a, const QString& holder, int number, const QDate& today) {
    return QStringLiteral("<acc><accsupplier><name>%1</name><supplierref>SBX%2</supplierref></accsupplier>"
                          "<accholderdetails><name>%3</name></accholderdetails>")
               .arg(esc(a.supplier))
               .arg(4100 + number)
               .arg(esc(holder)) +
           history(a, today) +
           QStringLiteral("<accdetails><accno>****%1</accno><acctypecode>%2</acctypecode><startdate>%3</startdate>"
                          "<balance>%4</balance><limit>%5</limit><regpayment>%6</regpayment><repayfreqcode>%7</repayfreqcode>"
                          "<status>%8</status></accdetails></acc>")
               .arg(QString::number(2000 + number * 337).right(4), a.typeCode, a.started.toString(Qt::ISODate))
               .arg(a.balance)
               .arg(a.limit)
               .arg(a.regularPayment)
               .arg(a.repayFrequency, QString(a.recentStatus.isEmpty() ? QLatin1Char('0') : a.recentStatus.at(0)));
}

}  // namespace

QString writeCreditReport(const ReportFigures& f, const QDate& today) {
    QString accs;
    for (int i = 0; i < f.accounts.size(); ++i) accs += account(f.accounts.at(i), f.title, i + 1, today);
    return QStringLiteral("<creditreport><applicant reporttype=\"1\" reporttitle=\"%1\">").arg(esc(f.title)) + summary(f) + scores(f) +
           QStringLiteral("<accs>") + accs + QStringLiteral("</accs></applicant></creditreport>");
}

}  // namespace autovelt::sandbox
