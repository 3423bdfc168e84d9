-- Kavrel service tables, embedded SQLite file. Times are "YYYY-MM-DD HH:MM:SS" text, which
-- SQLite compares byte by byte.
CREATE TABLE IF NOT EXISTS UserInfo (
    loginName  TEXT NOT NULL,
    userName   TEXT,
    parentName TEXT,
    pwd        TEXT,
    type       TEXT,
    payMoney   INTEGER NOT NULL DEFAULT 0,
    addDate    TEXT,
    status     INTEGER NOT NULL DEFAULT 0,
    recvs      TEXT,
    Address    TEXT,
    telephone  TEXT,
    daili      TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS UserInfo_loginName ON UserInfo (loginName);
-- Names are matched without trailing blanks, so "boss" and "boss " would be one account.
CREATE UNIQUE INDEX IF NOT EXISTS UserInfo_loginName_trimmed ON UserInfo (rtrim(loginName));
CREATE INDEX IF NOT EXISTS UserInfo_daili ON UserInfo (daili);
CREATE TABLE IF NOT EXISTS Messages (
    id        INTEGER PRIMARY KEY AUTOINCREMENT,
    loginName TEXT NOT NULL,
    message   TEXT,
    addDate   TEXT,
    status    TEXT,
    CountNum  TEXT
);
CREATE INDEX IF NOT EXISTS Messages_loginName ON Messages (loginName, addDate);
CREATE TABLE IF NOT EXISTS TelPhone (
    loginName TEXT NOT NULL,
    Num       TEXT,
    message   TEXT,
    telPhone  TEXT
);
CREATE TABLE IF NOT EXISTS UserRecv (
    id        INTEGER PRIMARY KEY AUTOINCREMENT,
    loginName TEXT NOT NULL,
    message   TEXT,
    Num       TEXT,
    recvs     TEXT,
    addDate   TEXT,
    tel       TEXT
);
CREATE INDEX IF NOT EXISTS UserRecv_addDate ON UserRecv (addDate);
CREATE TABLE IF NOT EXISTS Moneys (
    id         INTEGER PRIMARY KEY AUTOINCREMENT,
    loginName  TEXT NOT NULL,
    fullMoney  TEXT,
    addDate    TEXT,
    parentName TEXT
);
CREATE INDEX IF NOT EXISTS Moneys_loginName ON Moneys (loginName);
-- One row per written message part, under a key the client chose before writing: when the
-- answer to a commit is lost, the client asks here whether its part went in. Other clients
-- may ignore it.
CREATE TABLE IF NOT EXISTS SubmittedParts (
    partKey   TEXT PRIMARY KEY,
    loginName TEXT NOT NULL,
    addDate   TEXT
);
-- Numbers that asked to receive no more messages, kept by administrators; submissions leave
-- them out. Other clients may ignore it. Without rowid, the table is its own index on tel.
CREATE TABLE IF NOT EXISTS OptOut (
    tel     TEXT PRIMARY KEY,
    addDate TEXT
) WITHOUT ROWID;
