#include "loans/LoanApplication.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "comms/AuditTrail.h"
#include "common/VeltError.h"
#include "loans/LoanRecordStatements.h"

namespace autovelt::inline loans {

namespace {

constexpr long kLoanIdNotFound = 99999999;
// The engine's "unspecified error": a database that wrote nothing and said nothing.
constexpr long kGenericError = -2147467259;

QDate dateOf(const QString& text) {
    return parseDayFirstDate(text).value_or(QDate());
}

// The decision status of the new application and whether it enters the officers' queue.
struct LoanStatus {
    QString initial;
    bool inQueue = true;
    QString ours = QStringLiteral("Started");
};

class LoanApplicationWriter {
public:
    explicit LoanApplicationWriter(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                   LoanPassState& loan)
        : cycle_(cycle), session_(session), app_(app), loan_(loan), member_(QString::number(app.memberNumber)) {}

    void run() {
        loan_.loanId = 0;
        const LoanStatus status = statusFor();
        if (leadingNumber(loan_.LoanDetails.lastRepayment) == 0)
            loan_.LoanDetails.lastRepayment = loan_.LoanDetails.repayment;
        insertLoan(status);
        loan_.loanId = newLoanId();
        // The payee says where the money goes: a loan row without it is half a loan, so a
        // failure here undoes the application with the loan row.
        writePayee();
        // Reported once the loan is whole, so a clerk never reads of a loan that was undone.
        reportCreated();
        trapped([this] { writeTextRequest(); });
        writeWebLog();
    }

private:
    template <typename Write>
    void trapped(Write write) {
        try {
            write();
        } catch (const VeltError& e) {
            // The text row carries no message of its own; staff see the loan. A lost or
            // locked database is the pass's to handle: the application stays pending.
            if (e.environmental()) throw;
        } catch (const std::exception&) {
        }
    }

    LoanStatus statusFor() const {
        LoanStatus status;
        status.initial = app_.decisionLetter();
        const CreditUnionProfile& profile = cycle_.settings.profile;
        if (!cycle_.settings.CreditChecksEnabled && profile.loansUnqueuedWithoutCreditChecks) {
            status.inQueue = false;
            status.initial.clear();
            status.ours.clear();
        }
        if (profile.loansAwaitProofOfIdentity) {
            status.inQueue = false;
            status.ours = QStringLiteral("Awaiting POI");
        }
        return status;
    }

    LoanAllocationRow loanRow(const LoanStatus& status) const {
        const auto& d = loan_.LoanDetails;
        const auto& f = app_.field;
        LoanAllocationRow row;
        row.memberNumber = app_.memberNumber;
        row.memberName = loan_.memberName;
        row.loanNumber = loan_.loanNumber;
        row.loanDate = applicationDate();
        row.loanValue = loan_.requestedAmount;
        row.productCode = loan_.productCode;
        row.loanIntRate = loan_.loanInterestRate;
        row.intApr = leadingNumber(d.apr);
        row.loanInterest = leadingNumber(d.totalInterest);
        row.loanTerm = leadingNumber(d.numberOfRepayments);
        row.origBal = loan_.totalBorrowing - loan_.requestedAmount;
        row.osInterest = loan_.accruedInterest;
        row.repayValue = leadingNumber(d.repayment);
        row.lastPaymentValue = leadingNumber(d.lastRepayment);
        row.loanTypeCode = loan_.loanPurposeCode;
        row.loanTypeDesc = f[tw::OtherLoanPurpose];
        row.repayFreq = d.repaymentFrequency;
        row.repayDate = dateOf(d.firstRepaymentDate);
        row.teller = cycle_.txtTeller;
        row.comments = QString(d.comments).remove(QLatin1Char('\''));
        row.productType = leadingNumber(loan_.productType);
        row.craRef = app_.searchReference();
        row.craScore = leadingNumber(app_.creditScore());
        row.initStatus = status.initial;
        row.inQueue = status.inQueue;
        row.docsPref = d.correspondence;
        row.ourStatus = status.ours;
        row.docKey = f[tw::UploadKey];
        row.empBasis = f[tw::EmploymentType].left(1);
        row.kids = leadingNumber(f[tw::Dependants]);
        row.origApplyDate = row.loanDate;
        row.origApplyValue = app_.loanAmount();
        row.gender = f[tw::Sex].left(1);
        row.balanceId = loan_.balanceRowId;
        row.mergeIds234 = {loan_.mergeIds[2], loan_.mergeIds[3], loan_.mergeIds[4]};
        row.startTime = loanStartTime(cycle_.clock().now());
        row.sharesM = leadingNumber(loan_.savingsValue(app_));
        row.repayM = leadingNumber(d.repayment);
        row.totNewPay = leadingNumber(loan_.savingsValue(app_)) + leadingNumber(d.repayment);
        row.origTeller = cycle_.txtTeller;
        row.postCodePart1 = app_.addresses.homeSlots[8].left(4).trimmed();
        row.dateOfBirth = app_.dateOfBirth().value_or(QDate());
        row.lastPaymentDate = dateOf(d.lastRepaymentDate);
        row.homeStatus = f[tw::ResidentialStatus];
        return row;
    }

    QDate applicationDate() const {
        const QDate date = dateOf(loan_.LoanDetails.applicationDate);
        return date.isValid() ? date : cycle_.passDate();
    }

    // A loan row that cannot be written is reported, and the error undoes the whole
    // application: the loan number it took is given back and nothing points at a missing row.
    void insertLoan(const LoanStatus& status) {
        long long written = 0;
        try {
            written = session_.connections.TarvTran.execute(LoanAllocationStatement(loanRow(status)), insertedKey_);
        } catch (const std::exception&) {
            reportNoLoanRow();
            throw;
        }
        if (written <= 0) {
            reportNoLoanRow();
            throw VeltError(kGenericError, QStringLiteral("Connection"),
                            QStringLiteral("The loan application row was not written"));
        }
    }

    void reportCreated() {
        session_.ShowSuccess(QStringLiteral("Created ") + loan_.productCode + QStringLiteral(" loan app ") +
                             loan_.loanNumber + QStringLiteral(" for member ") + member_ + QStringLiteral(" for £") +
                             currencyText(loan_.requestedAmount) + QStringLiteral(". Status ") +
                             app_.decisionLetter() + QLatin1Char('.') + app_.messageSuffix);
    }

    void reportNoLoanRow() {
        session_.ShowException(QStringLiteral("Unable to create loan app record for member ") + member_ +
                               QStringLiteral(" with loan no ") + loan_.loanNumber + QLatin1Char('.') +
                               app_.messageSuffix);
    }

    // The key the engine gave the row; the lookup by member and loan number only where the
    // engine cannot say.
    long newLoanId() {
        bool ok = false;
        const long key = insertedKey_.toLongLong(&ok);
        if (insertedKey_.isValid() && ok && key > 0) return key;
        cycle_.Pause(0.5);
        const long found = LoanIdLookup(cycle_, session_, app_.memberNumber, loan_.loanNumber);
        if (found != kLoanIdNotFound) return found;
        session_.ShowException(QStringLiteral("Unable to find the loan app record for member ") + member_ +
                               QStringLiteral(" with loan no ") + loan_.loanNumber + QLatin1Char('.') +
                               app_.messageSuffix);
        // Payee, pay profiles and policy log would point at nothing: undo the application.
        throw VeltError(kGenericError, QStringLiteral("Connection"),
                        QStringLiteral("The new loan application row could not be found"));
    }

    void writePayee() {
        const auto& d = loan_.LoanDetails;
        LoanPayeeRow payee;
        payee.loanId = loan_.loanId;
        payee.memberNumber = app_.memberNumber;
        payee.payee = loan_.memberName;
        payee.amount = loan_.requestedAmount;
        if (leadingNumber(d.sortCode) == 0 || leadingNumber(d.accountNumber) == 0) {
            payee.method = QStringLiteral("S");
        } else if (app_.addresses.bankDetailAnomaly || app_.identity.failedOnBank) {
            session_.ShowException(QStringLiteral("Review disbursement of loan app for member ") + member_ +
                                   QStringLiteral(" with loan no ") + loan_.loanNumber +
                                   QStringLiteral(" due to bank detail anomaly."));
            payee.method = cycle_.settings.DefaultLoanPayoutMethod;
            payee.sortCode = QStringLiteral("000000");
            payee.accountNumber = QStringLiteral("00000000");
        } else {
            payee.method = cycle_.settings.DefaultLoanPayoutMethod;
            payee.sortCode = d.sortCode;
            payee.accountNumber = d.accountNumber;
        }
        session_.connections.TarvTran.execute(LoanPayeeStatement(payee));
    }

    void writeTextRequest() {
        AutoTextRow text;
        text.memberNumber = app_.memberNumber;
        text.date = applicationDate();
        text.time = formatDate(cycle_.clock().now(), QStringLiteral("HH:MM"));
        text.loanId = loan_.loanId;
        text.teller = cycle_.txtTeller;
        session_.connections.TarvAudt.execute(AutoTextStatement(text));
    }

    void writeWebLog() {
        const QString decision = app_.decisionLetter();
        const QString word = decision == QLatin1String("P")   ? QStringLiteral("PASS")
                             : decision == QLatin1String("F") ? QStringLiteral("FAIL")
                                                              : QStringLiteral("REFER");
        AddWebLogEntry(cycle_, session_, app_,
                       QStringLiteral("Created loan application with initial status of ") + word,
                       QStringLiteral("BORROW"), QStringLiteral("LOAN ") + word, member_);
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    LoanPassState& loan_;
    QString member_;
    QVariant insertedKey_;
};

}  // namespace

QString loanStartTime(const QDateTime& now) {
    const int weekday = now.date().dayOfWeek();
    if (weekday == Qt::Saturday || weekday == Qt::Sunday) {
        const QDate monday = now.date().addDays(weekday == Qt::Saturday ? 2 : 1);
        return formatDate(monday, QStringLiteral("dd/mm/yy")) + QStringLiteral(" 08:00:00");
    }
    return formatDate(now, QStringLiteral("dd/mm/yy")) + QLatin1Char(' ') + formatDate(now, QStringLiteral("hh:mm:ss"));
}

long LoanIdLookup(const CycleContext& cycle, UnitSession& session, long memberNumber, const QString& loanNumber) {
    const QString query = LoanIdLookupStatement(memberNumber, loanNumber);
    for (int attempt = 0; attempt <= 10; ++attempt) {
        if (attempt > 0) cycle.Pause(1.0);
        const db::Recordset rs = session.connections.TarvTran.openRecordset(query, db::clientReadOnlyCursor());
        if (!rs.eof() && !rs.value(0).isNull()) return static_cast<long>(rs.value(0).toLongLong());
    }
    return kLoanIdNotFound;
}

QString LoanDecisionLetter(UnitSession& session, const ApplicationState& app) {
    const QString decision = app.decisionLetter();
    const QString upper = decision.toUpper();
    if (upper == QLatin1String("P") || upper == QLatin1String("R") || upper == QLatin1String("F")) return upper;
    session.ShowException(QStringLiteral("Our call to CRA has returned a Decision of ") + decision);
    session.ShowException(QStringLiteral("Converted to REFER for member ") + QString::number(app.memberNumber) +
                          QLatin1Char('.') + app.messageSuffix);
    return QStringLiteral("R");
}

void CreateLoanApplication(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                           LoanPassState& loan) {
    LoanApplicationWriter(cycle, session, app, loan).run();
}

}  // namespace autovelt::loans
