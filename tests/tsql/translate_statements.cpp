// Writes each Jet statement of a file as a connection to SQL Server sends it (the
// connection's own adaptation), one per line, for the T-SQL syntax check
// (tests/tsql/check), followed by the statements of the loan record builders from sample rows.

#include "loans/LoanRecordStatements.h"
#include "platform/db/StatementDialect.h"

#include <QFile>
#include <QStringList>
#include <cstdio>

using namespace autovelt;

namespace {

// Sample rows whose texts hold quotes, "#" and the words TRUE/FALSE, which must reach the
// server as typed.
QStringList builtStatements() {
    LoanAllocationRow loan;
    loan.memberNumber = 1234;
    loan.memberName = QStringLiteral("MARY O'NEILL");
    loan.loanNumber = QStringLiteral("C1001");
    loan.loanDate = QDate(2026, 3, 5);
    loan.loanValue = Currency::fromDouble(1500);
    loan.productCode = QStringLiteral("LN1");
    loan.loanIntRate = Currency::fromDouble(12.9);
    loan.intApr = 13.7;
    loan.loanInterest = 203.45;
    loan.loanTerm = 24;
    loan.repayValue = 70.98;
    loan.lastPaymentValue = 70.9;
    loan.loanTypeDesc = QStringLiteral("Car #2 true");
    loan.repayFreq = QStringLiteral("M");
    loan.repayDate = QDate(2026, 4, 5);
    loan.teller = loan.origTeller = QStringLiteral("VELT");
    loan.comments = QStringLiteral("Web app FALSE");
    loan.craRef = QStringLiteral("CRA-'123");
    loan.startTime = QStringLiteral("05/03/26 10:15:00");
    loan.dateOfBirth = QDate(1925, 4, 15);
    loan.lastPaymentDate = QDate(2031, 3, 5);
    loan.homeStatus = QStringLiteral("Owner");
    LoanAllocationRow noDates = loan;
    noDates.dateOfBirth = QDate();
    noDates.lastPaymentDate = QDate();
    noDates.inQueue = false;

    LoanPayeeRow payee{77, 1234, QStringLiteral("F"), QStringLiteral("MARY O'NEILL"), QStringLiteral("123456"),
                       QStringLiteral("12345678"), Currency::fromDouble(1500)};
    AutoTextRow text{1234, QDate(2026, 3, 5), QStringLiteral("10:15"), 77, QStringLiteral("VELT")};
    PayScheduleRow schedule;
    schedule.memberNumber = 1234;
    schedule.date = QDate(2026, 4, 5);
    schedule.usualValue = Currency::fromDouble(40.5);
    schedule.productCode = QStringLiteral("S1");
    schedule.scheduleCreated = QDate(2026, 3, 5);
    return {LoanAllocationStatement(loan), LoanAllocationStatement(noDates),
            LoanIdLookupStatement(1234, QStringLiteral("C'1001")), LoanPayeeStatement(payee),
            AutoTextStatement(text), PayScheduleStatement(schedule)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <jet statements> <sql server statements>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text)) return 2;
    QStringList statements;
    for (const QString& line : QString::fromUtf8(in.readAll()).split('\n'))
        if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1String("--"))) statements << line;
    statements << builtStatements();
    for (QString& statement : statements) statement = db::adaptStatement(db::Engine::SqlServer, statement);
    out.write((statements.join('\n') + '\n').toUtf8());
    std::printf("translated %lld statements\n", static_cast<long long>(statements.size()));
    return statements.isEmpty() ? 1 : 0;
}
