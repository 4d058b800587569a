#include "loans/PayProfiles.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/SqlQuote.h"
#include "common/VeltError.h"
#include "loans/FirstRepaymentDate.h"
#include "loans/LoanRecordStatements.h"

#include <algorithm>
#include <optional>

namespace autovelt::inline loans {

namespace {

struct PayrollEmployment {
    long id = 0;
    long payRunNumber = 0;
};

class PayProfile {
public:
    explicit PayProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                        LoanPassState& loan)
        : cycle_(cycle),
          session_(session),
          app_(app),
          loan_(loan),
          member_(QString::number(app.memberNumber)),
          repayment_(Currency::fromText(loan.LoanDetails.repayment)) {}

    // Nothing to schedule: profiles off, or a deposit method beginning "S" (paid by
    // standing order, not through the payroll).
    bool profilesApply() const {
        return cycle_.settings.DoProfile && !app_.field[tw::DepositMethod].startsWith(QLatin1Char('S'));
    }

    void buildSavings() {
        const Currency applied = Currency::fromText(loan_.savingsValue(app_));
        if (!profilesApply() || (repayment_ + applied).units() == 0) return;
        const std::optional<PayrollEmployment> employment = payrollEmployment();
        if (!employment) return;
        const std::optional<bool> autoLoan = payRunCollectsLoans(employment->payRunNumber);
        if (!autoLoan) return;

        const long shareBalanceId = balanceIdOf(cycle_.settings.OSProductCode);
        long allocationId = 0;
        Currency savings;
        if (shareBalanceId != 0) {
            if (const auto allocation = payAnalysis(employment->id, shareBalanceId)) {
                allocationId = allocation->first;
                savings = allocation->second;
                if (*autoLoan) savings = std::max(Currency(), savings - loansCollectedWithSavings());
            }
        }
        const bool newMember = app_.newMemberNumber != 0 && app_.newMemberNumber == app_.memberNumber;
        if (applied.units() == 0 || !newMember)
            loan_.scheduledSavings = currencyText(savings);
        else savings = applied;

        Currency usual = *autoLoan ? savings + repayment_ : savings;
        usual = Currency::fromText(formatNumber(usual, QStringLiteral("#0.00")));
        removeSchedule(employment->id, cycle_.settings.OSProductCode);
        if (usual.units() != 0) {
            PayScheduleRow row = scheduleRow(*employment);
            row.valueType = 1;
            row.usualValue = usual;
            row.priority = 3;
            row.productCode = cycle_.settings.OSProductCode;
            row.allocationId = allocationId;
            row.balanceId = shareBalanceId;
            row.productType = 4;
            if (insertSchedule(row) == 0)
                session_.ShowException(QStringLiteral("Unable to construct s1 pay profile for member ") + member_ +
                                       QStringLiteral(" for loan ") + loan_.loanNumber + app_.messageSuffix);
        }
        if (loan_.loanId != 0 && !app_.isJoinOnly()) recordSavingsOnLoan(savings);
    }

    void buildLoan() {
        // Without a loan row there is no repayment to collect.
        if (!profilesApply() || repayment_.units() == 0 || loan_.loanId == 0) return;
        const std::optional<PayrollEmployment> employment = payrollEmployment();
        if (!employment) return;
        const auto allocation = payAnalysis(employment->id, loan_.balanceRowId);
        removeSchedule(employment->id, loan_.productCode);
        PayScheduleRow row = scheduleRow(*employment);
        row.valueType = 2;
        row.usualValue = repayment_;
        row.priority = 1;
        row.productCode = loan_.productCode;
        row.allocationId = allocation ? allocation->first : 0;
        row.balanceId = loan_.balanceRowId;
        row.productType = 3;
        if (insertSchedule(row) == 0)
            session_.ShowException(QStringLiteral("Unable to construct loan pay profile for member ") + member_ +
                                   QStringLiteral(" for loan ") + loan_.loanNumber + app_.messageSuffix);
    }

private:
    db::Recordset query(const QString& jet) {
        return session_.connections.TarvMain.openRecordset(jet, db::clientReadOnlyCursor());
    }

    static long idOf(const db::Recordset& rs, const char* column) {
        return static_cast<long>(rs.value(QLatin1String(column)).toLongLong());
    }

    std::optional<PayrollEmployment> payrollEmployment() {
        const db::Recordset rs = query(QStringLiteral("SELECT ID, PayRunNo, PayrollFrequency FROM MemberEmployment "
                                                      "WHERE MemberNo=") +
                                       member_ + QStringLiteral(" AND PayType='PAY1';"));
        if (rs.eof()) return std::nullopt;
        return PayrollEmployment{idOf(rs, "ID"), idOf(rs, "PayRunNo")};
    }

    // Whether the pay run collects loan repayments with the savings; nothing when there is
    // no such pay run.
    std::optional<bool> payRunCollectsLoans(long payRunNumber) {
        const db::Recordset rs =
            query(QStringLiteral("SELECT * FROM PayRun WHERE Payrunno=") + QString::number(payRunNumber) + QStringLiteral(" ;"));
        if (rs.eof()) return std::nullopt;
        const QVariant value = rs.value(QStringLiteral("AutoLoan"));
        return !value.isNull() && value.toBool();
    }

    long balanceIdOf(const QString& productCode) {
        const db::Recordset rs = query(QStringLiteral("SELECT ID FROM MemberBalances WHERE Productcode=") +
                                       sqlText(productCode) + QStringLiteral(" AND MemberNo=") + member_ +
                                       QStringLiteral(" ;"));
        return rs.eof() ? 0 : idOf(rs, "ID");
    }

    // The pay analysis row of a balance: its ID and usual value.
    std::optional<std::pair<long, Currency>> payAnalysis(long employmentId, long balanceId) {
        const db::Recordset rs = query(QStringLiteral("SELECT ID, UsualValue FROM MemberPayAnalysis WHERE MemberNo=") +
                                       member_ + QStringLiteral(" AND EmploymentID=") + QString::number(employmentId) +
                                       QStringLiteral(" AND BalanceID=") + QString::number(balanceId) +
                                       QStringLiteral(" ;"));
        if (rs.eof()) return std::nullopt;
        return std::make_pair(idOf(rs, "ID"), Currency::fromDouble(rs.value(QStringLiteral("UsualValue")).toDouble()));
    }

    Currency loansCollectedWithSavings() {
        const db::Recordset rs =
            query(QStringLiteral("SELECT SUM(RepaymentAmount) AS AutoLoans from MemberBalances WHERE AMILOAN=True AND "
                                 "Balance>0 and AutoLoanRepay='A' AND Memberno=") +
                  member_);
        if (rs.eof()) return Currency();
        return Currency::fromDouble(rs.value(0).toDouble());
    }

    void removeSchedule(long employmentId, const QString& productCode) {
        session_.connections.TarvMain.execute(QStringLiteral("DELETE * FROM PayAnalysisSchedule WHERE MemberNo=") +
                                              member_ + QStringLiteral(" AND EmploymentID=") +
                                              QString::number(employmentId) + QStringLiteral(" AND ProductCode=") +
                                              sqlText(productCode) + QStringLiteral(" ;"));
    }

    long long insertSchedule(const PayScheduleRow& row) {
        try {
            return session_.connections.TarvMain.execute(PayScheduleStatement(row));
        } catch (const VeltError& e) {
            if (e.environmental()) throw;
            return 0;
        } catch (const std::exception&) {
            return 0;
        }
    }

    PayScheduleRow scheduleRow(const PayrollEmployment& employment) const {
        PayScheduleRow row;
        row.memberNumber = app_.memberNumber;
        row.date = firstDeductionDate();
        row.payRunNumber = employment.payRunNumber;
        row.employmentId = employment.id;
        row.loanId = loan_.loanId;
        row.scheduleCreated = applicationDate();
        return row;
    }

    QDate applicationDate() const {
        const QDate date = parseDayFirstDate(loan_.LoanDetails.applicationDate).value_or(QDate());
        return date.isValid() ? date : cycle_.passDate();
    }

    // The first repayment date of the loan; without a loan (a member joining only) the
    // deductions start a month after the application.
    QDate firstDeductionDate() const {
        const QDate date = parseDayFirstDate(loan_.LoanDetails.firstRepaymentDate).value_or(QDate());
        if (date.isValid() && date >= applicationDate()) return date;
        return FirstRepaymentDateFor(applicationDate(), QStringLiteral("M"));
    }

    void recordSavingsOnLoan(Currency savings) {
        const QString amount = currencyText(savings);
        long long changed = 0;
        try {
            changed = session_.connections.TarvTran.execute(
                QStringLiteral("UPDATE LoanAllocation SET SHARESM=") + amount + QStringLiteral(", SHARESWF=") + amount +
                QStringLiteral(", TotNewPay=") + currencyText(savings + repayment_) + QStringLiteral(" WHERE ID=") +
                QString::number(loan_.loanId) + QStringLiteral(" AND Memberno=") + member_ + QStringLiteral(" ;"));
        } catch (const VeltError& e) {
            if (e.environmental()) throw;
            changed = 0;
        } catch (const std::exception&) {
            changed = 0;
        }
        if (changed == 0)
            session_.ShowException(QStringLiteral("Unable to update loanallocation with s1 pay profile for member ") +
                                   member_ + QStringLiteral(" for loan ") + loan_.loanNumber + app_.messageSuffix);
    }

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    LoanPassState& loan_;
    QString member_;
    Currency repayment_;
};

}  // namespace

void BuildSavingsPayProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                            LoanPassState& loan) {
    try {
        PayProfile(cycle, session, app, loan).buildSavings();
    } catch (const VeltError& e) {
        // A failed read ends the step, as a missing employment or pay run row does; a lost
        // or locked database is the pass's to handle: the application stays pending.
        if (e.environmental()) throw;
    } catch (const std::exception&) {
    }
}

void BuildLoanPayProfile(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                         LoanPassState& loan) {
    try {
        PayProfile(cycle, session, app, loan).buildLoan();
    } catch (const VeltError& e) {
        if (e.environmental()) throw;
    } catch (const std::exception&) {
    }
}

}  // namespace autovelt::loans
