-- Core banking transactions database: loan applications and loans, diary and change audit.
-- Types: BOOLEAN 0/1, DATE text YYYY-MM-DD, DATETIME text YYYY-MM-DD HH:MM:SS, CURRENCY money,
-- REAL rates and percentages, INTEGER whole numbers, TEXT(n) texts (n documents the width).

-- Loan applications and loans. ID is the key the engine assigns on insert (found again by
-- the highest ID for the member and loan number only where the engine cannot say) and keys
-- LoanPayee, LoanPolicyLog, AutoText and the pay profile rows.
-- BorrowChannel is the marker of a current build: without it the importer refuses to run.
-- DocKey is the document upload key of the web application.
CREATE TABLE IF NOT EXISTS LoanAllocation (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Printed BOOLEAN,
    Posted BOOLEAN,
    MemberNo INTEGER NOT NULL,
    MemberName TEXT(30) COLLATE NOCASE,
    LoanNumber TEXT(20) COLLATE NOCASE,
    LoanDate DATE,
    LoanValue CURRENCY,
    ProductCode TEXT(10) COLLATE NOCASE,
    LoanIntRate REAL,
    IntAPR REAL,
    LoanInterest CURRENCY,
    LoanTerm INTEGER,
    OrigBal CURRENCY,
    OSInterest CURRENCY,
    RepayValue CURRENCY,
    LastPaymentValue CURRENCY,
    LoanTypeCode INTEGER,
    LoanTypeDesc TEXT(255) COLLATE NOCASE,
    RepayFreq TEXT(1) COLLATE NOCASE,
    RepayDate DATE,
    Teller TEXT(30) COLLATE NOCASE,
    Comments TEXT(255) COLLATE NOCASE,
    RepayAuto BOOLEAN,
    Modified BOOLEAN,
    Settled BOOLEAN,
    InsuranceTaken BOOLEAN,
    SecurityTaken BOOLEAN,
    Approved BOOLEAN,
    Tagged BOOLEAN,
    ProductType INTEGER,
    CRARef TEXT(50) COLLATE NOCASE,
    CRAScore INTEGER,
    InitStatus TEXT(10) COLLATE NOCASE,
    NewStatus TEXT(10) COLLATE NOCASE,
    InQ BOOLEAN,
    DocsPref TEXT(1) COLLATE NOCASE,
    OurStatus TEXT(50) COLLATE NOCASE,
    DocKey TEXT(50) COLLATE NOCASE,
    EmpBasis TEXT(1) COLLATE NOCASE,
    Kids INTEGER,
    OrigApplyDate DATE,
    OrigApplyValue CURRENCY,
    Gender TEXT(1) COLLATE NOCASE,
    BalanceID INTEGER,
    MergeID1 INTEGER,
    MergeID2 INTEGER,
    MergeID3 INTEGER,
    MergeID4 INTEGER,
    StartTime TEXT(20) COLLATE NOCASE,
    SharesM CURRENCY,
    SharesWF CURRENCY,
    RepayM CURRENCY,
    TotNewPay CURRENCY,
    OrigTeller TEXT(30) COLLATE NOCASE,
    BorrowChannel TEXT(1) COLLATE NOCASE,
    PostCodePart1 TEXT(4) COLLATE NOCASE,
    DoB DATE,
    LastPaymentDate DATE,
    HomeStatus TEXT(30) COLLATE NOCASE
);

-- How the money of a loan application is paid out. Method S = to shares, otherwise the
-- payout method of ControlSwitches with the bank details.
CREATE TABLE IF NOT EXISTS LoanPayee (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    LoanID INTEGER NOT NULL,
    MemberNo INTEGER NOT NULL,
    PayeeNo INTEGER,
    Method TEXT(1) COLLATE NOCASE,
    ChqPayee TEXT(50) COLLATE NOCASE,
    SortCode TEXT(10) COLLATE NOCASE,
    AccNo TEXT(20) COLLATE NOCASE,
    Ref TEXT(50) COLLATE NOCASE,
    ChqVal CURRENCY,
    Chqnum INTEGER,
    PrintedOrOutput BOOLEAN
);

-- Staff notes on a loan application. The importer only removes them with the member.
CREATE TABLE IF NOT EXISTS LoanNotepad (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    LoanID INTEGER,
    NoteText TEXT COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- One row per credit or policy rule and loan application: the rule value, the value of the
-- applicant and the initial status letter. NewStatus is later changed by loan officers.
-- StartTime is text dd/mm/yy hh:mm:ss. Reason holds the dependants text of rule PR13B.
CREATE TABLE IF NOT EXISTS LoanPolicyLog (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    LoanNo TEXT(20) COLLATE NOCASE,
    LoanID INTEGER,
    StartTime TEXT(20) COLLATE NOCASE,
    RuleCode TEXT(10) COLLATE NOCASE,
    RuleValue TEXT(50) COLLATE NOCASE,
    ActualValue TEXT(50) COLLATE NOCASE,
    InitStatus TEXT(10) COLLATE NOCASE,
    NewStatus TEXT(10) COLLATE NOCASE,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE,
    Reason TEXT COLLATE NOCASE
);

-- Notes on the member record that staff see. Msgtime carries date and time.
CREATE TABLE IF NOT EXISTS Diary (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Memberno INTEGER NOT NULL,
    Teller TEXT(30) COLLATE NOCASE,
    Priority INTEGER,
    Msgdate DATE,
    Msgtime DATETIME,
    ActionReqd BOOLEAN,
    ShelfLife TEXT(20) COLLATE NOCASE,
    Keyword TEXT(20) COLLATE NOCASE,
    Msgtext TEXT COLLATE NOCASE,
    FlagColour TEXT(10) COLLATE NOCASE,
    CCItem BOOLEAN,
    CCAction TEXT(50) COLLATE NOCASE,
    DiaryGroup INTEGER
);

-- Audit of changes made to a member record. Description is cut to 100 characters by the writer.
CREATE TABLE IF NOT EXISTS Changes (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Operatorinit TEXT(30) COLLATE NOCASE,
    OperatorName TEXT(30) COLLATE NOCASE,
    ChangeDate DATE,
    Description TEXT(100) COLLATE NOCASE,
    OutOfPolicy BOOLEAN,
    MemberNo INTEGER
);

-- Transactions under trustee arrangements. Keyed to the member as MemberNumber, not MemberNo.
CREATE TABLE IF NOT EXISTS TrusteeTran (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNumber INTEGER NOT NULL,
    TranDate DATE,
    Amount CURRENCY,
    Teller TEXT(30) COLLATE NOCASE
);

-- Security held against lending. The importer only removes it with the member.
CREATE TABLE IF NOT EXISTS MemberSecurity (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    SecurityType TEXT(20) COLLATE NOCASE,
    SecurityValue CURRENCY,
    LastUpdatedOn DATE,
    LastUpdatedBy TEXT(30) COLLATE NOCASE
);

-- Per-member lookups (pending loan check, member deletion).
CREATE INDEX IF NOT EXISTS idx_LoanAllocation_MemberNo ON LoanAllocation (MemberNo);
CREATE INDEX IF NOT EXISTS idx_Diary_Memberno ON Diary (Memberno);
CREATE INDEX IF NOT EXISTS idx_Changes_MemberNo ON Changes (MemberNo);
