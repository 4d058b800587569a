#include "import/MemberRecords.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/Values.h"

namespace autovelt::inline import {

namespace {

db::Recordset openRow(UnitSession& session, const QString& jetQuery) {
    return session.connections.TarvMain.openRecordset(jetQuery, db::keysetCursor());
}

// The member's row of a table keyed by MemberNo, added when missing.
db::Recordset memberRow(UnitSession& session, const ApplicationState& app, const QString& table) {
    const QString member = QString::number(app.memberNumber);
    db::Recordset row = openRow(session, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE MemberNo=") +
                                             member + QStringLiteral(" ;"));
    if (row.eof()) {
        row.addNew();
        row.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(app.memberNumber));
    }
    return row;
}

void stamp(const CycleContext& cycle, db::Recordset& row) {
    row.setValue(QStringLiteral("LastUpdatedOn"), cycle.passDate());
    row.setValue(QStringLiteral("LastUpdatedBy"), cycle.txtTeller);
}

// The user-defined field number a web form field maps to; 0 when it maps to none. The
// map comes from UDFSetUp and names a column, so only 1 to 21 are taken.
int mappedUdf(const QString& webmap) {
    bool ok = false;
    const int number = webmap.trimmed().toInt(&ok);
    return ok && number >= 1 && number <= 21 ? number : 0;
}

QVariant whole(const QString& text) { return QVariant::fromValue<qlonglong>(roundHalfEven(leadingNumber(text))); }

}  // namespace

void WriteMemberUDF(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    const CycleSettings& settings = cycle.settings;
    db::Recordset row = memberRow(session, app, QStringLiteral("MemberUDF"));
    row.setValue(QStringLiteral("DWPEthnicity"), app.field[tw::Ethnicity].left(50));
    row.setValue(QStringLiteral("DWPEmpStatus"), app.field[tw::EmploymentType].left(50));
    row.setValue(QStringLiteral("DWPHouseholdStatus"), app.field[tw::ResidentialStatus].left(30));
    row.setValue(QStringLiteral("Taxcountry"), app.field[tw::TaxCountry].left(50));
    row.setValue(QStringLiteral("TAXID"), app.field[tw::TaxIdentifier].left(50));
    for (int k = 1; k <= 10; ++k) {
        const int udf = mappedUdf(settings.UDFWebmap[k]);
        const QString& value = app.field[33 + k];
        if (udf == 0 || value.isEmpty()) continue;
        row.setValue(QStringLiteral("UDF%1").arg(udf), value.left(255));
    }
    stamp(cycle, row);
    row.update();
}

void WriteMemberPassword(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    db::Recordset row = memberRow(session, app, QStringLiteral("MemberPassword"));
    row.setValue(QStringLiteral("OtherPassword"), app.field[tw::AccountPassword].left(30));
    row.setValue(QStringLiteral("ReminderQuestion"), app.field[tw::PasswordQuestion].left(50));
    stamp(cycle, row);
    row.update();
}

namespace {

QString depositMethodFor(const QString& given) {
    const QString method = given.left(1);
    if (method.isEmpty()) return QStringLiteral("C");
    if (method == QLatin1String("D")) return QStringLiteral("F");
    return method;
}

// A payroll deduction needs a payroll number; without one the surname and member number
// stand in, as staff would key it.
QString payrollNumberFor(const ApplicationState& app, const QString& depositMethod) {
    if (!app.field[tw::PayrollNumber].isEmpty() ||
        (depositMethod != QLatin1String("D") && depositMethod != QLatin1String("F")))
        return app.field[tw::PayrollNumber].left(50);
    QString number = app.field[tw::Surname].toUpper().left(10).trimmed() +
                     formatNumber(double(app.memberNumber), QStringLiteral("00000000"));
    return number.remove(QLatin1Char('\'')).left(50);
}

}  // namespace

void WriteMemberEmployment(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    db::Recordset row =
        openRow(session, QStringLiteral("SELECT * FROM MemberEmployment WHERE MemberNo=") +
                             QString::number(app.memberNumber) + QStringLiteral(" AND PayType='PAY1' ;"));
    if (!row.eof()) return;
    const QString depositMethod = depositMethodFor(app.field[tw::DepositMethod]);
    row.addNew();
    row.setValue(QStringLiteral("PayType"), QStringLiteral("PAY1"));
    row.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(app.memberNumber));
    row.setValue(QStringLiteral("UsualValTot"), 0);
    row.setValue(QStringLiteral("ActualValTot"), 0);
    row.setValue(QStringLiteral("DateNotified"), cycle.passDate());
    row.setValue(QStringLiteral("PayrollFrequency"), QStringLiteral("M"));
    row.setValue(QStringLiteral("PayRunNo"), whole(app.field[tw::PayRunNumber]));
    row.setValue(QStringLiteral("PayrollNo"), payrollNumberFor(app, depositMethod));
    row.setValue(QStringLiteral("SectionNo"), QString());
    row.setValue(QStringLiteral("DepositMethod"), depositMethod);
    row.setValue(QStringLiteral("InsuranceType"), QString());
    row.setValue(QStringLiteral("InsAmtOrPercent"), QString());
    row.setValue(QStringLiteral("InsChargeable"), 0);
    row.setValue(QStringLiteral("InsPayable"), 0);
    stamp(cycle, row);
    row.setValue(QStringLiteral("InsuredBalID"), 0);
    row.update();
}

namespace {

struct Income {
    int field;
    const char* value;
    const char* verified;
    const char* type = nullptr;  // the column of the income's kind, when the form asks it
    int typeField = 0;
};

void setIncome(db::Recordset& row, const ApplicationState& app, const Income& income, bool verified) {
    const double value = Currency::fromText(app.field[income.field]).toDouble();
    row.setValue(QLatin1String(income.value), value);
    if (income.type) row.setValue(QLatin1String(income.type), app.field[income.typeField].left(50));
    if (value > 0) row.setValue(QLatin1String(income.verified), verified);
}

void setExpense(db::Recordset& row, int number, double value) {
    row.setValue(QStringLiteral("Expense%1Value").arg(number), value);
    row.setValue(QStringLiteral("Expense%1Type").arg(number), QString());
    row.setValue(QStringLiteral("Expense%1Verified").arg(number), false);
}

}  // namespace

QString WriteMemberCircumstance(const CycleContext& cycle, UnitSession& session, const ApplicationState& app) {
    const bool verified = app.decisionLetter().toUpper() == QLatin1String("ACCEPT");
    db::Recordset row = memberRow(session, app, QStringLiteral("MemberCircumstance"));
    row.setValue(QStringLiteral("DomesticStatus"), 0);
    row.setValue(QStringLiteral("EmploymentStatus"), app.field[tw::EmploymentType].left(50));
    row.setValue(QStringLiteral("EmploymentNature"), QString());
    row.setValue(QStringLiteral("Department"), QString());
    const Income incomes[] = {
        {53, "PersonalIncome", "IncomeVerified"}, {53, "Income1Value", "Income1Verified"},
        {54, "PartnersIncome", "PartnersIncomeVerified"}, {54, "Income2Value", "Income2Verified"},
        {55, "OtherIncome", "OtherIncomeVerified"}, {55, "Income3Value", "Income3Verified"},
        {56, "Income4Value", "Income4Verified"},
        {57, "Income5Value", "Income5Verified", "Income5Type", 58},
        {59, "Income6Value", "Income6Verified", "Income6Type", 60},
        {61, "Income7Value", "Income7Verified", "Income7Type", 62},
    };
    for (const Income& income : incomes) setIncome(row, app, income, verified);

    const Currency otherMonthly = Currency::fromText(app.field[tw::PartnersIncome]) +
                                  Currency::fromText(app.field[tw::OtherIncome]) +
                                  Currency::fromText(app.field[tw::FourthIncome]);
    const Currency annualSalary = Currency::fromText(app.grossAnnualIncome()) + otherMonthly * 12;

    const Currency outstanding = Currency::fromText(app.field[tw::CreditCardBalance]);
    row.setValue(QStringLiteral("Outstanding8Value"), outstanding.toDouble());
    setExpense(row, 8, (outstanding * 0.03).toDouble());
    setExpense(row, 1, Currency::fromText(app.field[tw::MortgageOrRent]).toDouble());
    setExpense(row, 2, Currency::fromText(app.field[tw::CouncilTax]).toDouble());
    setExpense(row, 12, Currency::fromText(app.field[tw::TravelCosts]).toDouble());
    setExpense(row, 11, Currency::fromText(app.field[tw::OtherCredit]).toDouble());
    row.setValue(QStringLiteral("Dependants"), whole(app.field[tw::Dependants]));
    row.setValue(QStringLiteral("HomeStatus"), app.field[tw::ResidentialStatus].left(30));
    row.setValue(QStringLiteral("AnnualSalary"), annualSalary.toDouble());
    stamp(cycle, row);
    row.update();
    return QString::number(annualSalary.toDouble(), 'g', 15);
}

}  // namespace autovelt::import
