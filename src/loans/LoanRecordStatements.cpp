#include "loans/LoanRecordStatements.h"

#include "common/SqlDialect.h"
#include "common/SqlQuote.h"

#include <QStringList>

namespace autovelt::inline loans {

namespace {

// Values of a VALUES list, each already in statement form.
class ValueList {
public:
    ValueList& text(const QString& value) { items_ << sqlText(value); return *this; }
    ValueList& number(double value) { items_ << numberText(value); return *this; }
    ValueList& whole(long long value) { items_ << QString::number(value); return *this; }
    ValueList& money(Currency value) { items_ << currencyText(value); return *this; }
    ValueList& flag(bool value) { items_ << (value ? QStringLiteral("True") : QStringLiteral("False")); return *this; }
    // Dates carry the full year, so no date leaves the two-digit window; invalid is Null.
    ValueList& date(const QDate& value) {
        items_ << (value.isValid() ? JetFullDateLiteral(value) : QStringLiteral("Null"));
        return *this;
    }
    QString joined() const { return items_.join(QStringLiteral(", ")); }

private:
    QStringList items_;
};

}  // namespace

QString LoanAllocationStatement(const LoanAllocationRow& row) {
    ValueList v;
    v.flag(false).flag(false).whole(row.memberNumber).text(row.memberName).text(row.loanNumber);
    v.date(row.loanDate).money(row.loanValue).text(row.productCode).money(row.loanIntRate).number(row.intApr);
    v.number(row.loanInterest).number(row.loanTerm).money(row.origBal).money(row.osInterest).number(row.repayValue);
    v.number(row.lastPaymentValue).whole(row.loanTypeCode).text(row.loanTypeDesc).text(row.repayFreq);
    v.date(row.repayDate).text(row.teller).text(row.comments);
    v.flag(false).flag(false).flag(false).flag(false).flag(false).flag(false).flag(false);  // RepayAuto .. Tagged
    v.number(row.productType).text(row.craRef).number(row.craScore).text(row.initStatus).text(QString());
    v.flag(row.inQueue).text(row.docsPref).text(row.ourStatus).text(row.docKey);
    v.text(row.empBasis).number(row.kids).date(row.origApplyDate).number(row.origApplyValue).text(row.gender);
    v.whole(row.balanceId).whole(row.balanceId).whole(row.mergeIds234[0]).whole(row.mergeIds234[1]);
    v.whole(row.mergeIds234[2]).text(row.startTime).number(row.sharesM).number(row.repayM).number(row.totNewPay);
    v.text(row.origTeller).text(QStringLiteral("L")).text(row.postCodePart1).date(row.dateOfBirth);
    v.date(row.lastPaymentDate).text(row.homeStatus);
    return QStringLiteral("INSERT INTO LoanAllocation (Printed, Posted, MemberNo, MemberName, LoanNumber, LoanDate, "
                          "LoanValue, ProductCode, LoanIntRate, IntAPR, LoanInterest, LoanTerm, OrigBal, OSInterest, "
                          "RepayValue, LastPaymentValue, LoanTypeCode, LoanTypeDesc, RepayFreq, RepayDate, Teller, "
                          "Comments, RepayAuto, Modified, Settled, InsuranceTaken, SecurityTaken, Approved, Tagged, "
                          "ProductType, CRARef, CRAScore, InitStatus, NewStatus, InQ, DocsPref, OurStatus, DocKey, "
                          "EmpBasis, Kids, OrigApplyDate, OrigApplyValue, Gender, BalanceID, MergeID1, MergeID2, "
                          "MergeID3, MergeID4, StartTime, SharesM, RepayM, TotNewPay, OrigTeller, BorrowChannel, "
                          "PostCodePart1, DoB, LastPaymentDate, HomeStatus) VALUES (") +
           v.joined() + QLatin1Char(')');
}

QString LoanIdLookupStatement(long memberNumber, const QString& loanNumber) {
    return QStringLiteral("Select Max(ID) from LoanAllocation WHERE Memberno=") + QString::number(memberNumber) +
           QStringLiteral(" AND LoanNumber=") + sqlText(loanNumber) + QStringLiteral(" ;");
}

QString LoanPayeeStatement(const LoanPayeeRow& row) {
    ValueList v;
    v.whole(row.loanId).whole(row.memberNumber).whole(1).text(row.method).text(row.payee);
    v.text(row.sortCode).text(row.accountNumber).text(QString()).money(row.amount).whole(0).flag(false);
    return QStringLiteral("INSERT INTO LoanPayee (LoanID, MemberNo, PayeeNo, Method, ChqPayee, SortCode, "
                          "AccNo, Ref, ChqVal, Chqnum, PrintedOrOutput) VALUES(") +
           v.joined() + QStringLiteral(") ;");
}

QString AutoTextStatement(const AutoTextRow& row) {
    ValueList v;
    v.whole(row.memberNumber).text(QString()).date(row.date).text(row.time).whole(row.loanId).whole(0);
    v.text(row.teller).whole(2);
    return QStringLiteral("INSERT INTO AutoText (MemberNo, MobileNo, TheDate, TheTime, LoanID, "
                          "TextNumber, Teller, TextType) VALUES(") +
           v.joined() + QStringLiteral(") ;");
}

QString PayScheduleStatement(const PayScheduleRow& row) {
    ValueList v;
    v.whole(row.memberNumber).date(row.date).whole(row.valueType).whole(0).money(row.usualValue).money(row.usualValue);
    v.whole(row.priority).text(row.productCode).whole(row.payRunNumber).whole(row.allocationId);
    v.whole(row.balanceId).whole(row.employmentId).whole(row.loanId).flag(false).date(row.scheduleCreated);
    v.whole(0).whole(row.productType);
    return QStringLiteral("INSERT INTO PayAnalysisSchedule (MemberNo, [Date], ValueType, TargetMemberno, "
                          "UsualValue, ActualValue, Priority, ProductCode, PayRunNo, AllocationID, "
                          "BalanceID, EmploymentID, LoanID, Printed, SchedCreated, SavingInsured, "
                          "ProductType) VALUES(") +
           v.joined() + QStringLiteral(") ;");
}

}  // namespace autovelt::loans
