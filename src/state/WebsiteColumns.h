#pragma once

namespace autovelt::inline state {

// The website's application columns (table_w field_n) by the place each takes in the
// application's field array: entry n holds the cleaned value of field_n. Only the
// columns the importer reads or writes by meaning are named; the rest are carried as read.
namespace tw {
inline constexpr int GivenMemberNumber = 1;  // 0 for a new applicant
inline constexpr int NationalInsuranceNumber = 2;
inline constexpr int Title = 3;
inline constexpr int Forename = 4;
inline constexpr int MiddleName = 5;
inline constexpr int Surname = 6;
inline constexpr int DateOfBirth = 7;
inline constexpr int Sex = 8;
inline constexpr int Dependants = 9;
inline constexpr int Ethnicity = 10;
inline constexpr int MembershipAskedFor = 11;
inline constexpr int ResidentialStatus = 12;
inline constexpr int StatementDelivery = 13;  // "do" = electronic
inline constexpr int MarketingChannels = 14;  // letters E, S, P
inline constexpr int TaxCountry = 16;
inline constexpr int TaxIdentifier = 17;
inline constexpr int PayRunNumber = 18;
inline constexpr int PayrollNumber = 19;
inline constexpr int EmploymentType = 20;
inline constexpr int DepositMethod = 24;
inline constexpr int SavingsValue = 25;
inline constexpr int CreditScore = 26;
inline constexpr int Decision = 27;  // "P", "R" or "F"; "ACCEPT" from the agency
inline constexpr int AgencyXml = 29;
inline constexpr int SearchReference = 30;
inline constexpr int IdentityStatus = 31;
inline constexpr int IdentityScore = 32;
inline constexpr int IdentityReference = 33;
inline constexpr int UserField1 = 34;  // user-defined values 1 to 10 are field_34 to field_43
inline constexpr int UserField2 = 35;
inline constexpr int RepaymentFrequency = 44;
inline constexpr int LoanProduct = 45;
inline constexpr int LoanAmount = 46;
inline constexpr int TermMonths = 47;
inline constexpr int Repayment = 48;
inline constexpr int LoanType = 49;
inline constexpr int OtherLoanPurpose = 50;
inline constexpr int FasterPayment = 51;
inline constexpr int PersonalIncome = 53;  // monthly incomes: field_53 to field_62
inline constexpr int PartnersIncome = 54;
inline constexpr int OtherIncome = 55;
inline constexpr int FourthIncome = 56;
inline constexpr int AnnualSalary = 63;
inline constexpr int DisposableIncome = 64;
inline constexpr int CreditCardBalance = 65;
inline constexpr int MortgageOrRent = 66;
inline constexpr int CouncilTax = 67;
inline constexpr int TravelCosts = 68;
inline constexpr int OtherCredit = 69;
inline constexpr int IncomeWillReduce = 86;
inline constexpr int PasswordQuestion = 88;
inline constexpr int AccountPassword = 89;
inline constexpr int DependantsBirthDates = 91;
inline constexpr int Email = 103;
inline constexpr int Note = 104;       // kept undecoded
inline constexpr int UploadKey = 105;  // the document upload key
inline constexpr int ContactPreference = 106;
inline constexpr int ImportedFlag = 107;  // "N" pending, "Y" imported
inline constexpr int ImportedAt = 108;
inline constexpr int ApplicationCode = 110;  // "2" join only, anything else join and borrow
}  // namespace tw

}  // namespace autovelt::inline state
