-- Statements of the importer in the Jet dialect, each carrying a date literal, TRUE/FALSE
-- or "DELETE *", with sample values (some text values deliberately hold "#", TRUE and
-- quotes, which must reach SQL Server unchanged). One statement per line; lines starting
-- with "--" and blank lines are skipped. tests/tsql/check translates each for SQL Server
-- and parses the result as T-SQL.

-- Settings and credit rules
SELECT * FROM CRRules WHERE ruleactive=true and rulecode<>'CR10A' ;
SELECT * FROM CRRules WHERE rulecode='CR10A' and ruleactive=true ;
SELECT * FROM cupolicyrules WHERE rulecode='PR13A' and ruleactive=true
SELECT * FROM CRRules WHERE ruleactive=true and ruleset='STANDARD' order by rulecode ;
SELECT * FROM CRRules WHERE ruleactive=true order by rulecode ;
SELECT * FROM CUPolicyRules WHERE rulecode='PR13B' AND ruleactive=true ;

-- Application intake and member matching
SELECT * FROM MemberMain WHERE Surname='Truelove' AND Forename LIKE 'J%' ESCAPE '!' AND DOB=#06/30/1975# ;
SELECT * FROM MemberMain WHERE Surname='Falsetti' AND Forename LIKE '!%!_![%' ESCAPE '!' AND DOB=#02/29/2000# ;
SELECT ID, LoanNumber FROM LoanAllocation WHERE MemberNo=1234 AND Posted=False ;

-- Addresses and bank details
UPDATE MemberAddress SET YesNo=False WHERE AddressType='BANK1' AND MemberNo=1234 ;
DELETE * FROM MemberAddress WHERE Memberno=1234 AND AddressType LIKE 'HOME%' ;

-- Loan pass
Select SUM(Balance) as myLoanBal FROM MemberBalances WHERE MemberNo = 1234 AND AmILoan = TRUE ;
Select SUM(Balance) as myShareBal FROM MemberBalances WHERE MemberNo = 1234 AND AmILoan = FALSE ;
INSERT INTO LoanAllocation (Printed, Posted, MemberNo, MemberName, LoanNumber, LoanDate, LoanValue, ProductCode, LoanIntRate, IntAPR, LoanInterest, LoanTerm, OrigBal, OSInterest, RepayValue, LastPaymentValue, LoanTypeCode, LoanTypeDesc, RepayFreq, RepayDate, Teller, Comments, RepayAuto, Modified, Settled, InsuranceTaken, SecurityTaken, Approved, Tagged, ProductType, CRARef, CRAScore, InitStatus, NewStatus, InQ, DocsPref, OurStatus, DocKey, EmpBasis, Kids, OrigApplyDate, OrigApplyValue, Gender, BalanceID, MergeID1, MergeID2, MergeID3, MergeID4, StartTime, SharesM, RepayM, TotNewPay, OrigTeller, BorrowChannel, PostCodePart1, DoB, LastPaymentDate, HomeStatus) VALUES (False,False,1234,'MARY TRUELOVE','L00012', #01/02/21#, 1500,'LN1',12.9,13.7,203.45,24,0,0,70.98,70.9,20,'Car #2 true','M', #02/02/21#, 'VELT','Web app true',FALSE,False,False,False,False,False,False,3,'CRA-123',512,'PASS', '', True,'E','New','98765','F',2, #01/02/21#, 1500,'F',0,0,0,0,0,'10:11:12',25,70.98,95.98,'VELT','L', 'SW1A', #06/30/75#, #01/02/23#, 'HOME OWNER')
INSERT INTO MemberBalances (MemberNo, ProductCode, AMILOAN, LoanGranted, Balance, Rate, PaidOutPeriod, PaidOutYTD, ExcessLimit, ProductType, InterestPaidDate, RepaymentDueDate) VALUES(1234,'S1',False,#01/02/21#,0,0,0,0,0,4,#01/02/21#,#01/02/21#) ;
INSERT INTO AutoText (MemberNo, MobileNo, TheDate, TheTime, LoanID, TextNumber, Teller, TextType) VALUES(1234,'', #01/02/21#, '10:11',77,0,'VELT', 2) ;

-- Pay profiles
SELECT SUM(RepaymentAmount) AS AutoLoans from MemberBalances WHERE AMILOAN=True AND Balance>0 and AutoLoanRepay='A' AND Memberno=1234
DELETE * FROM PayAnalysisSchedule WHERE MemberNo=1234 AND EmploymentID=9 AND ProductCode='S1' ;
DELETE * FROM PayAnalysisSchedule WHERE MemberNo=1234 AND EmploymentID=9 AND ProductCode='LN1' ;
INSERT INTO PayAnalysisSchedule (MemberNo, [Date], ValueType, TargetMemberno, UsualValue, ActualValue, Priority,ProductCode, PayRunNo, AllocationID, BalanceID, EmploymentID, LoanID, Printed, SchedCreated, SavingInsured, ProductType) VALUES(1234,#02/02/21#,1,1234,70.98,0,1,'LN1',1,0,55,9,77,False,#01/02/21#,0,3) ;

-- Loan policy log
INSERT INTO LoanPolicyLog (MemberNo, LoanNo, LoanID, StartTime, RuleCode, RuleValue, ActualValue, InitStatus, NewStatus, LastUpdatedOn, LastUpdatedBy)VALUES (1234,'L00012',77,'10:11:12','CR01A','600','512','P','P',#01/02/21#, 'VELT') ;
INSERT INTO LoanPolicyLog (MemberNo, LoanNo, LoanID, StartTime, RuleCode, RuleValue, ActualValue, InitStatus, NewStatus, LastUpdatedOn, LastUpdatedBy, Reason)VALUES (1234,'L00012',77,'10:11:12','PR13B','1','1','R','R',#01/02/21#, 'VELT','Partner''s age is TRUE #01/02/21#') ;

-- Audit trail and documents
INSERT INTO WebLog (MemberNo, TheActivity, TheDate, TheTime, TheCategory, TheKeyword, TheSource, BeenEmailed, TheTeller) VALUES(1234,'New address supplied on application [No #5 True Street SW1A 1AA]',#01/02/21#,'10:11','BORROW','ADDRESS', 'VELT', False, 'VELT') ;
INSERT INTO Diary (Memberno, Teller, Priority, Msgdate, Msgtime, ActionReqd, ShelfLife, Keyword, Msgtext, FlagColour, CCItem, CCAction, DiaryGroup) VALUES (1234,'VELT',99, #01/02/21#, CONVERT(DATETIME, '2021-01-02 10:11:12', 102),False,'Never expires','VELT','VELT sent the following fail email','16776960',False,'',0)
INSERT INTO CHANGES (Operatorinit, OperatorName, ChangeDate, Description, OutOfPolicy, MemberNo) VALUES('VELT','VELT',#01/02/21#,'New member 1234 auto added via VeltImporter',False,1234) ;
UPDATE LoanAllocation SET OurStatus='POI received', InQ=True WHERE ID=77 ;
