-- Core banking identity database.
-- Types: BOOLEAN 0/1, DATE text YYYY-MM-DD, DATETIME text YYYY-MM-DD HH:MM:SS, CURRENCY money,
-- REAL rates and percentages, INTEGER whole numbers, TEXT(n) texts (n documents the width).

-- Identity and address proof held for a member, one row per member. The electronic check
-- writes its result (TU IDV- result Score [n]) and the agency reference here.
CREATE TABLE IF NOT EXISTS IDProof (
    MemberNo INTEGER PRIMARY KEY,
    AddressID TEXT(50) COLLATE NOCASE,
    AddressRef TEXT(50) COLLATE NOCASE,
    AddressDate DATE,
    AddressBy TEXT(30) COLLATE NOCASE,
    PhotoID TEXT(50) COLLATE NOCASE,
    PhotoRef TEXT(50) COLLATE NOCASE,
    PhotoDate DATE,
    PhotoBy TEXT(30) COLLATE NOCASE
);

-- Identity documents seen by staff. The importer only removes them with the member.
CREATE TABLE IF NOT EXISTS ID (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    MemberNo INTEGER NOT NULL,
    IDType TEXT(20) COLLATE NOCASE,
    IDRef TEXT(50) COLLATE NOCASE,
    IDDate DATE,
    IDBy TEXT(30) COLLATE NOCASE
);
