-- SQL Server
INSERT INTO WebLog (MemberNo, TheActivity, TheDate, TheTime, TheCategory, TheKeyword, TheSource, BeenEmailed, TheTeller) VALUES(1234,'Loan for O Brien',CONVERT(DATETIME, '2024-03-05 00:00:00', 102),'14:07','BORROW','LOAN PASS', 'VELT', 0, 'VELT') ;
INSERT INTO Diary (Memberno, Teller, Priority, Msgdate, Msgtime, ActionReqd, ShelfLife, Keyword, Msgtext, FlagColour, CCItem, CCAction, DiaryGroup) VALUES (4321,'VELT',99, CONVERT(DATETIME, '2024-03-04 00:00:00', 102), CONVERT(DATETIME, '2024-03-05 14:07:09', 102),0,'Never expires','VELT','a\r\n b','16776960',0,'',0)
INSERT INTO CHANGES (Operatorinit, OperatorName, ChangeDate, Description, OutOfPolicy, MemberNo) VALUES('Web importer','VELT',CONVERT(DATETIME, '2024-03-05 00:00:00', 102),'New member 1234 auto added',1,1234) ;
INSERT INTO VELTTimings (MemberNo, LoanNo, EventTime, EventType, DurationSecs, Description, Teller) VALUES (1234, 'C17', '2024-03-05 14:07:09', 'POIIN', 125, 'It''s in', 'VELT') ;
-- Jet
INSERT INTO WebLog (MemberNo, TheActivity, TheDate, TheTime, TheCategory, TheKeyword, TheSource, BeenEmailed, TheTeller) VALUES(1234,'Loan for O Brien',#03/05/24#,'14:07','BORROW','LOAN PASS', 'VELT', False, 'VELT') ;
INSERT INTO Diary (Memberno, Teller, Priority, Msgdate, Msgtime, ActionReqd, ShelfLife, Keyword, Msgtext, FlagColour, CCItem, CCAction, DiaryGroup) VALUES (4321,'VELT',99, #03/04/24#, CONVERT(DATETIME, '2024-03-05 14:07:09', 102),False,'Never expires','VELT','a\r\n b','16776960',False,'',0)
INSERT INTO CHANGES (Operatorinit, OperatorName, ChangeDate, Description, OutOfPolicy, MemberNo) VALUES('Web importer','VELT',#03/05/24#,'New member 1234 auto added',True,1234) ;
INSERT INTO VELTTimings (MemberNo, LoanNo, EventTime, EventType, DurationSecs, Description, Teller) VALUES (1234, 'C17', '2024-03-05 14:07:09', 'POIIN', 125, 'It''s in', 'VELT') ;
