-- Core banking audit database: web and timing logs, text requests and the lending rules.
-- Types: BOOLEAN 0/1, DATE text YYYY-MM-DD, DATETIME text YYYY-MM-DD HH:MM:SS, CURRENCY money,
-- REAL rates and percentages, INTEGER whole numbers, TEXT(n) texts (n documents the width).

-- One row per notable event of a web application. TheTime is text HH:MM.
CREATE TABLE IF NOT EXISTS WebLog (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER,
    TheActivity TEXT COLLATE NOCASE,
    TheDate DATE,
    TheTime TEXT(5) COLLATE NOCASE,
    TheCategory TEXT(20) COLLATE NOCASE,
    TheKeyword TEXT(20) COLLATE NOCASE,
    TheSource TEXT(10) COLLATE NOCASE,
    BeenEmailed BOOLEAN,
    TheTeller TEXT(30) COLLATE NOCASE
);

-- Timed events of the importer (for example POIIN when a proof of identity arrives).
-- EventTime is text yyyy-mm-dd hh:mm:ss. The importer writes here only when the table
-- exists with a MemberNo column.
CREATE TABLE IF NOT EXISTS VELTTimings (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER,
    LoanNo TEXT(20) COLLATE NOCASE,
    EventTime TEXT(20) COLLATE NOCASE,
    EventType TEXT(20) COLLATE NOCASE,
    DurationSecs INTEGER,
    Description TEXT(255) COLLATE NOCASE,
    Teller TEXT(30) COLLATE NOCASE
);

-- Text message requests, one per new loan application (TextType 2). TheTime is text HH:MM.
CREATE TABLE IF NOT EXISTS AutoText (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER,
    MobileNo TEXT(20) COLLATE NOCASE,
    TheDate DATE,
    TheTime TEXT(5) COLLATE NOCASE,
    LoanID INTEGER,
    TextNumber INTEGER,
    Teller TEXT(30) COLLATE NOCASE,
    TextType INTEGER
);

-- Lending policy rules PR10A to PR15A, one row per rule. RuleValue is a number held as text.
-- ruleyes and ruleno are the decision letters given when the rule applies or not.
-- Credit checks are enabled only when this table exists with a rulecode column.
CREATE TABLE IF NOT EXISTS CUPolicyRules (
    rulecode TEXT(10) COLLATE NOCASE PRIMARY KEY,
    ruledesc TEXT(255) COLLATE NOCASE,
    ruleactive BOOLEAN,
    RuleValue TEXT(50) COLLATE NOCASE,
    ruleyes TEXT(1) COLLATE NOCASE,
    ruleno TEXT(1) COLLATE NOCASE
);

-- Credit report rules CR01A to CR11A. The same rule code may appear once per rule set, so the
-- rows carry a surrogate ID. A report value between rulevaluemin and rulevaluemax (both
-- included) gives the letter RuleBand (F or R).
CREATE TABLE IF NOT EXISTS CRRules (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    RuleCode TEXT(10) COLLATE NOCASE NOT NULL,
    ruleactive BOOLEAN,
    ruleset TEXT(20) COLLATE NOCASE,
    rulevaluemin REAL,
    rulevaluemax REAL,
    RuleBand TEXT(1) COLLATE NOCASE
);

-- Optional: chooses the credit rule set by total borrowing (used only when it exists with
-- an id column).
CREATE TABLE IF NOT EXISTS CRRuleset (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    FromValue CURRENCY,
    ToValue CURRENCY,
    ruleset TEXT(20) COLLATE NOCASE
);

-- Score profiles of one credit union: interest rate, product and share cover by credit score,
-- member kind (N new, E existing) and repayment type (S faster payment, P otherwise).
CREATE TABLE IF NOT EXISTS PSLnRules (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    NewMember TEXT(1) COLLATE NOCASE,
    RepayType TEXT(1) COLLATE NOCASE,
    FromScore INTEGER,
    ToScore INTEGER,
    IntRate REAL,
    ProdCode TEXT(10) COLLATE NOCASE,
    MaxOverShares CURRENCY
);

CREATE INDEX IF NOT EXISTS idx_WebLog_MemberNo ON WebLog (MemberNo);

-- The importer's own records. VeltImport: one row per application that ended (imported
-- or refused), written in the same transaction as the application's other rows.
CREATE TABLE IF NOT EXISTS VeltImport (
  ApplicationKey VARCHAR(80) NOT NULL PRIMARY KEY,
  FieldId VARCHAR(20),
  MemberNo INTEGER,
  Outcome VARCHAR(12),
  ImportedOn VARCHAR(19)
);

-- VeltEffect: effects that cannot be undone (emails, deletions on the web server),
-- recorded with the application and performed after it has committed.
CREATE TABLE IF NOT EXISTS VeltEffect (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ApplicationKey VARCHAR(80),
  Kind VARCHAR(20),
  Payload TEXT,
  State VARCHAR(10),
  Attempts INTEGER,
  CreatedOn VARCHAR(19),
  DoneOn VARCHAR(19)
);
CREATE INDEX IF NOT EXISTS VeltEffect_State ON VeltEffect (State);

-- VeltCreditSearch: every credit search the importer drew, for whom, and the report's
-- file with a digest of its content; a report is used again only through this record.
CREATE TABLE IF NOT EXISTS VeltCreditSearch (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ApplicationKey VARCHAR(80),
  MemberNo INTEGER,
  DOB VARCHAR(10),
  Surname VARCHAR(255),
  NINumber VARCHAR(20),
  SearchedOn VARCHAR(19),
  SearchRef VARCHAR(60),
  FilePath VARCHAR(1024),
  Sha256 VARCHAR(64)
);
CREATE INDEX IF NOT EXISTS VeltCreditSearch_Member ON VeltCreditSearch (MemberNo);

-- VeltDocument: one row per uploaded document filed in the scanned images store, written
-- in the same transaction as its receipt rows (keyed by member_docs id and a fingerprint).
CREATE TABLE IF NOT EXISTS VeltDocument (
  DocumentKey VARCHAR(80) NOT NULL PRIMARY KEY,
  MemberDocsId INTEGER,
  MemberNo INTEGER,
  FiledAs VARCHAR(1000),
  FiledOn VARCHAR(19)
);
