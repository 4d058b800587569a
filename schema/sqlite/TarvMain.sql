-- Core banking main database: members, products and the operating settings tables.
-- Types: BOOLEAN 0/1, DATE text YYYY-MM-DD, DATETIME text YYYY-MM-DD HH:MM:SS, CURRENCY money,
-- REAL rates and percentages, INTEGER whole numbers, TEXT(n) texts (n documents the width).

-- One row per member. The importer allocates MemberNo as the highest number plus one.
-- JoinChannel is the marker of a current build: without it the importer refuses to run.
-- No address or contact columns here: they live in MemberAddress, and the identity and
-- credit report queries join both tables on unqualified column names.
CREATE TABLE IF NOT EXISTS MemberMain (
    MemberNo INTEGER PRIMARY KEY,
    MemberStatus TEXT(1) COLLATE NOCASE,
    MemberStatus2 TEXT(1) COLLATE NOCASE,
    MemberStatus3 TEXT(1) COLLATE NOCASE,
    Title TEXT(10) COLLATE NOCASE,
    Forename TEXT(50) COLLATE NOCASE,
    MidName TEXT(50) COLLATE NOCASE,
    Surname TEXT(50) COLLATE NOCASE,
    PrevSurname TEXT(50) COLLATE NOCASE,
    NINumber TEXT(15) COLLATE NOCASE,
    DOB DATE,
    Sex TEXT(1) COLLATE NOCASE,
    DOJ DATE,
    DOL DATE,
    stopcashin BOOLEAN,
    StopCashOut BOOLEAN,
    NewMember BOOLEAN,
    LotteryValue CURRENCY,
    OutOfCommonBond BOOLEAN,
    StatementFreq TEXT(1) COLLATE NOCASE,
    Statementdest TEXT(1) COLLATE NOCASE,
    NextStatement DATE,
    MarketingDate DATE,
    AcceptMarketing BOOLEAN,
    DeclineMarketing BOOLEAN,
    BySMS BOOLEAN,
    ByEmail BOOLEAN,
    ByPost BOOLEAN,
    JoinChannel TEXT(1) COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- One row per member and address type: HOME, HOMEPREV1, HOMEPREV2, BANK1, BANK3, WORK1, BENE1 and so on.
-- BANK rows keep the sort code in Code1, the account in Code2 and the roll number in Code3.
-- Column order matters: the pre-import snapshot in the diary lists every column from the
-- seventh (Line1) onward, so the key, flag and codes stay in the first six places.
CREATE TABLE IF NOT EXISTS MemberAddress (
    MemberNo INTEGER NOT NULL,
    AddressType TEXT(20) COLLATE NOCASE NOT NULL,
    YesNo BOOLEAN,
    Code1 TEXT(50) COLLATE NOCASE,
    Code2 TEXT(50) COLLATE NOCASE,
    Code3 TEXT(50) COLLATE NOCASE,
    Line1 TEXT(50) COLLATE NOCASE,
    Line2 TEXT(50) COLLATE NOCASE,
    Line3 TEXT(50) COLLATE NOCASE,
    Line4 TEXT(50) COLLATE NOCASE,
    Line5 TEXT(50) COLLATE NOCASE,
    Postcode TEXT(30) COLLATE NOCASE,
    PAFFlatnumber TEXT(30) COLLATE NOCASE,
    PAFBuildingNumber TEXT(5) COLLATE NOCASE,
    PAFBuildingName TEXT(50) COLLATE NOCASE,
    PAFStreet1 TEXT(50) COLLATE NOCASE,
    PAFStreet2 TEXT(50) COLLATE NOCASE,
    PAFTown TEXT(50) COLLATE NOCASE,
    PAFCounty TEXT(50) COLLATE NOCASE,
    PAFPostCode TEXT(30) COLLATE NOCASE,
    PhoneNumber TEXT(50) COLLATE NOCASE,
    PhoneExtension TEXT(50) COLLATE NOCASE,
    MobileNumber TEXT(50) COLLATE NOCASE,
    FaxNumber TEXT(50) COLLATE NOCASE,
    EmailAddress TEXT(100) COLLATE NOCASE,
    EffectiveFrom DATE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE,
    PRIMARY KEY (MemberNo, AddressType)
);

-- User-defined fields of a member (UDF1 to UDF21, mapped from the web form through UDFSetUp)
-- and the DWP and tax reporting columns.
CREATE TABLE IF NOT EXISTS MemberUDF (
    MemberNo INTEGER PRIMARY KEY,
    DWPEthnicity TEXT(50) COLLATE NOCASE,
    DWPEmpStatus TEXT(50) COLLATE NOCASE,
    DWPHouseholdStatus TEXT(30) COLLATE NOCASE,
    Taxcountry TEXT(50) COLLATE NOCASE,
    TAXID TEXT(50) COLLATE NOCASE,
    UDF1 TEXT(255) COLLATE NOCASE,
    UDF2 TEXT(255) COLLATE NOCASE,
    UDF3 TEXT(255) COLLATE NOCASE,
    UDF4 TEXT(255) COLLATE NOCASE,
    UDF5 TEXT(255) COLLATE NOCASE,
    UDF6 TEXT(255) COLLATE NOCASE,
    UDF7 TEXT(255) COLLATE NOCASE,
    UDF8 TEXT(255) COLLATE NOCASE,
    UDF9 TEXT(255) COLLATE NOCASE,
    UDF10 TEXT(255) COLLATE NOCASE,
    UDF11 TEXT(255) COLLATE NOCASE,
    UDF12 TEXT(255) COLLATE NOCASE,
    UDF13 TEXT(255) COLLATE NOCASE,
    UDF14 TEXT(255) COLLATE NOCASE,
    UDF15 TEXT(255) COLLATE NOCASE,
    UDF16 TEXT(255) COLLATE NOCASE,
    UDF17 TEXT(255) COLLATE NOCASE,
    UDF18 TEXT(255) COLLATE NOCASE,
    UDF19 TEXT(255) COLLATE NOCASE,
    UDF20 TEXT(255) COLLATE NOCASE,
    UDF21 TEXT(255) COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- Telephone and counter password of a member and the reminder question.
CREATE TABLE IF NOT EXISTS MemberPassword (
    MemberNo INTEGER PRIMARY KEY,
    OtherPassword TEXT(30) COLLATE NOCASE,
    ReminderQuestion TEXT(50) COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- Pay arrangements of a member, one row per pay type (PAY1 is the payroll deduction profile).
-- The natural key is (MemberNo, PayType). ID is the surrogate that pay analysis and pay
-- profile rows refer to as EmploymentID, so it is assigned by the database.
CREATE TABLE IF NOT EXISTS MemberEmployment (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    PayType TEXT(10) COLLATE NOCASE NOT NULL,
    UsualValTot CURRENCY,
    ActualValTot CURRENCY,
    DateNotified DATE,
    PayrollFrequency TEXT(1) COLLATE NOCASE,
    PayRunNo INTEGER,
    PayrollNo TEXT(50) COLLATE NOCASE,
    SectionNo TEXT(10) COLLATE NOCASE,
    DepositMethod TEXT(1) COLLATE NOCASE,
    InsuranceType TEXT(10) COLLATE NOCASE,
    InsAmtOrPercent TEXT(10) COLLATE NOCASE,
    InsChargeable CURRENCY,
    InsPayable CURRENCY,
    InsuredBalID INTEGER,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE,
    UNIQUE (MemberNo, PayType)
);

-- Income and expenditure of a member as declared on a loan application (monthly figures).
-- The importer writes incomes 1 to 7, expenses 1, 2, 8, 11 and 12 and outstanding 8.
-- The remaining numbered columns complete the series that staff fill in by hand.
CREATE TABLE IF NOT EXISTS MemberCircumstance (
    MemberNo INTEGER PRIMARY KEY,
    DomesticStatus INTEGER,
    EmploymentStatus TEXT(50) COLLATE NOCASE,
    EmploymentNature TEXT(50) COLLATE NOCASE,
    Department TEXT(50) COLLATE NOCASE,
    PersonalIncome CURRENCY,
    IncomeVerified BOOLEAN,
    PartnersIncome CURRENCY,
    PartnersIncomeVerified BOOLEAN,
    OtherIncome CURRENCY,
    OtherIncomeVerified BOOLEAN,
    Income1Value CURRENCY,
    Income1Type TEXT(50) COLLATE NOCASE,
    Income1Verified BOOLEAN,
    Income2Value CURRENCY,
    Income2Type TEXT(50) COLLATE NOCASE,
    Income2Verified BOOLEAN,
    Income3Value CURRENCY,
    Income3Type TEXT(50) COLLATE NOCASE,
    Income3Verified BOOLEAN,
    Income4Value CURRENCY,
    Income4Type TEXT(50) COLLATE NOCASE,
    Income4Verified BOOLEAN,
    Income5Value CURRENCY,
    Income5Type TEXT(50) COLLATE NOCASE,
    Income5Verified BOOLEAN,
    Income6Value CURRENCY,
    Income6Type TEXT(50) COLLATE NOCASE,
    Income6Verified BOOLEAN,
    Income7Value CURRENCY,
    Income7Type TEXT(50) COLLATE NOCASE,
    Income7Verified BOOLEAN,
    Expense1Value CURRENCY,
    Expense1Type TEXT(50) COLLATE NOCASE,
    Expense1Verified BOOLEAN,
    Expense2Value CURRENCY,
    Expense2Type TEXT(50) COLLATE NOCASE,
    Expense2Verified BOOLEAN,
    Expense3Value CURRENCY,
    Expense3Type TEXT(50) COLLATE NOCASE,
    Expense3Verified BOOLEAN,
    Expense4Value CURRENCY,
    Expense4Type TEXT(50) COLLATE NOCASE,
    Expense4Verified BOOLEAN,
    Expense5Value CURRENCY,
    Expense5Type TEXT(50) COLLATE NOCASE,
    Expense5Verified BOOLEAN,
    Expense6Value CURRENCY,
    Expense6Type TEXT(50) COLLATE NOCASE,
    Expense6Verified BOOLEAN,
    Expense7Value CURRENCY,
    Expense7Type TEXT(50) COLLATE NOCASE,
    Expense7Verified BOOLEAN,
    Expense8Value CURRENCY,
    Expense8Type TEXT(50) COLLATE NOCASE,
    Expense8Verified BOOLEAN,
    Expense9Value CURRENCY,
    Expense9Type TEXT(50) COLLATE NOCASE,
    Expense9Verified BOOLEAN,
    Expense10Value CURRENCY,
    Expense10Type TEXT(50) COLLATE NOCASE,
    Expense10Verified BOOLEAN,
    Expense11Value CURRENCY,
    Expense11Type TEXT(50) COLLATE NOCASE,
    Expense11Verified BOOLEAN,
    Expense12Value CURRENCY,
    Expense12Type TEXT(50) COLLATE NOCASE,
    Expense12Verified BOOLEAN,
    Outstanding1Value CURRENCY,
    Outstanding2Value CURRENCY,
    Outstanding3Value CURRENCY,
    Outstanding4Value CURRENCY,
    Outstanding5Value CURRENCY,
    Outstanding6Value CURRENCY,
    Outstanding7Value CURRENCY,
    Outstanding8Value CURRENCY,
    Outstanding9Value CURRENCY,
    Outstanding10Value CURRENCY,
    Outstanding11Value CURRENCY,
    Outstanding12Value CURRENCY,
    Dependants INTEGER,
    HomeStatus TEXT(30) COLLATE NOCASE,
    AnnualSalary CURRENCY,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- One row per member and product held: shares (AmILoan false) and loans (AmILoan true).
CREATE TABLE IF NOT EXISTS MemberBalances (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    ProductCode TEXT(10) COLLATE NOCASE,
    AMILOAN BOOLEAN,
    ProductType INTEGER,
    LoanGranted DATE,
    Balance CURRENCY,
    Rate REAL,
    InterestPaidDate DATE,
    InterestOwing CURRENCY,
    RepaymentAmount CURRENCY,
    RepaymentDueDate DATE,
    AutoLoanRepay TEXT(1) COLLATE NOCASE,
    PaidOutPeriod CURRENCY,
    PaidOutYTD CURRENCY,
    ExcessLimit CURRENCY
);

-- Free notes on a member kept by staff. The importer only removes them with the member.
CREATE TABLE IF NOT EXISTS MemberNotes (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    NoteText TEXT COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- How much of each pay goes to one balance of a member (per employment row).
CREATE TABLE IF NOT EXISTS MemberPayAnalysis (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    EmploymentID INTEGER,
    BalanceID INTEGER,
    UsualValue CURRENCY
);

-- Deductions the core system is to set up, written by the savings and loan pay profiles.
-- ValueType 1 = savings, 2 = loan repayment. Date is a reserved word in Jet and is
-- always written in brackets by the statements (quoted here).
CREATE TABLE IF NOT EXISTS PayAnalysisSchedule (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    "Date" DATE,
    ValueType INTEGER,
    TargetMemberno INTEGER,
    UsualValue CURRENCY,
    ActualValue CURRENCY,
    Priority INTEGER,
    ProductCode TEXT(10) COLLATE NOCASE,
    PayRunNo INTEGER,
    AllocationID INTEGER,
    BalanceID INTEGER,
    EmploymentID INTEGER,
    LoanID INTEGER,
    Printed BOOLEAN,
    SchedCreated DATE,
    SavingInsured INTEGER,
    ProductType INTEGER
);

-- Payroll deduction runs. AutoLoan true means loan repayments are collected with the savings.
CREATE TABLE IF NOT EXISTS PayRun (
    Payrunno INTEGER PRIMARY KEY,
    AutoLoan BOOLEAN
);

-- Trustee arrangements (junior accounts). Keyed to the member as MemberNumber, not MemberNo.
CREATE TABLE IF NOT EXISTS TrusteeAgreement (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNumber INTEGER NOT NULL,
    TrusteeMemberNo INTEGER,
    AgreementDate DATE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- Share and loan products. IntTo1 to IntTo8 are the upper borrowing bounds of the rate tiers
-- (Null when unused), IntRate1 to IntRate8 the annual percentage rates of those tiers.
CREATE TABLE IF NOT EXISTS Product (
    ProductCode TEXT(10) COLLATE NOCASE PRIMARY KEY,
    ProductType INTEGER,
    MaxLoanAvailable CURRENCY,
    IntTo1 CURRENCY,
    IntRate1 REAL,
    IntTo2 CURRENCY,
    IntRate2 REAL,
    IntTo3 CURRENCY,
    IntRate3 REAL,
    IntTo4 CURRENCY,
    IntRate4 REAL,
    IntTo5 CURRENCY,
    IntRate5 REAL,
    IntTo6 CURRENCY,
    IntRate6 REAL,
    IntTo7 CURRENCY,
    IntRate7 REAL,
    IntTo8 CURRENCY,
    IntRate8 REAL
);

-- Bank branch directory, looked up by sort code to fill the lines of imported bank rows.
CREATE TABLE IF NOT EXISTS Banks (
    Banksort TEXT(10) COLLATE NOCASE PRIMARY KEY,
    BankName TEXT(50) COLLATE NOCASE,
    BankBranch TEXT(50) COLLATE NOCASE,
    BankAdd1 TEXT(50) COLLATE NOCASE,
    BankAdd2 TEXT(50) COLLATE NOCASE,
    BankAdd3 TEXT(50) COLLATE NOCASE
);

-- Operating settings of the credit union, single row, re-read every cycle.
-- Null in MixedCase means mixed case names, so no defaults are declared here.
-- NewLoanCount and TopUpCount are the loan number counters (OneLoanCount selects the scheme).
CREATE TABLE IF NOT EXISTS Control (
    ID INTEGER PRIMARY KEY,
    FSARefNo TEXT(10) COLLATE NOCASE,
    cuname TEXT(50) COLLATE NOCASE,
    YearEndDate DATE,
    ScanLocation TEXT(255) COLLATE NOCASE,
    AutoLR BOOLEAN,
    OSProductCode TEXT(10) COLLATE NOCASE,
    JSProductCode TEXT(10) COLLATE NOCASE,
    OLProductCode TEXT(10) COLLATE NOCASE,
    FreeCashMargin CURRENCY,
    Email TEXT(100) COLLATE NOCASE,
    MixedCase BOOLEAN,
    DoProfile BOOLEAN,
    OneLoanCount BOOLEAN,
    NewLoanCount INTEGER,
    TopUpCount INTEGER
);

-- Website and mail switches, single row. webip, webun and WEBPW reach the online database
-- (the database name equals the user name). WEBPORT carries the FTP password of the
-- document upload server. Rpost routes the sender address through RPostEmail.
CREATE TABLE IF NOT EXISTS ControlSwitches (
    ID INTEGER PRIMARY KEY,
    webip TEXT(50) COLLATE NOCASE,
    webun TEXT(50) COLLATE NOCASE,
    WEBPW TEXT(50) COLLATE NOCASE,
    WEBPORT TEXT(50) COLLATE NOCASE,
    DefaultLoanPayoutMethod TEXT(1) COLLATE NOCASE,
    CreateLogs BOOLEAN,
    Rpost BOOLEAN,
    RPostEmail TEXT(100) COLLATE NOCASE
);

-- Captions of the 21 user-defined member fields, single row. Webmap1 to Webmap10 give, for
-- web form answers 1 to 10, the number of the UDF column they go to (0 or Null = not mapped).
CREATE TABLE IF NOT EXISTS UDFSetUp (
    ID INTEGER PRIMARY KEY,
    UDF1Caption TEXT(50) COLLATE NOCASE,
    UDF2Caption TEXT(50) COLLATE NOCASE,
    UDF3Caption TEXT(50) COLLATE NOCASE,
    UDF4Caption TEXT(50) COLLATE NOCASE,
    UDF5Caption TEXT(50) COLLATE NOCASE,
    UDF6Caption TEXT(50) COLLATE NOCASE,
    UDF7Caption TEXT(50) COLLATE NOCASE,
    UDF8Caption TEXT(50) COLLATE NOCASE,
    UDF9Caption TEXT(50) COLLATE NOCASE,
    UDF10Caption TEXT(50) COLLATE NOCASE,
    UDF11Caption TEXT(50) COLLATE NOCASE,
    UDF12Caption TEXT(50) COLLATE NOCASE,
    UDF13Caption TEXT(50) COLLATE NOCASE,
    UDF14Caption TEXT(50) COLLATE NOCASE,
    UDF15Caption TEXT(50) COLLATE NOCASE,
    UDF16Caption TEXT(50) COLLATE NOCASE,
    UDF17Caption TEXT(50) COLLATE NOCASE,
    UDF18Caption TEXT(50) COLLATE NOCASE,
    UDF19Caption TEXT(50) COLLATE NOCASE,
    UDF20Caption TEXT(50) COLLATE NOCASE,
    UDF21Caption TEXT(50) COLLATE NOCASE,
    Webmap1 INTEGER,
    Webmap2 INTEGER,
    Webmap3 INTEGER,
    Webmap4 INTEGER,
    Webmap5 INTEGER,
    Webmap6 INTEGER,
    Webmap7 INTEGER,
    Webmap8 INTEGER,
    Webmap9 INTEGER,
    Webmap10 INTEGER
);

-- Lookups of the import pass: matching by National Insurance number and by name and date
-- of birth, and the duplicate bank details check.
CREATE INDEX IF NOT EXISTS idx_MemberMain_NINumber ON MemberMain (NINumber);
CREATE INDEX IF NOT EXISTS idx_MemberMain_Surname_DOB ON MemberMain (Surname, DOB);
CREATE INDEX IF NOT EXISTS idx_MemberAddress_Bank ON MemberAddress (Code1, Code2);
CREATE INDEX IF NOT EXISTS idx_MemberBalances_MemberNo ON MemberBalances (MemberNo);
