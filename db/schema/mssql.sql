-- Kavrel service tables, SQL Server. Chinese texts are nvarchar; number lists and messages
-- are (n)varchar(max) because ODBC sends long texts as long parameters. Time columns use a
-- binary collation so that text comparison orders them by time.
IF OBJECT_ID(N'UserInfo', N'U') IS NULL CREATE TABLE UserInfo (
    loginName  varchar(50) NOT NULL,
    userName   nvarchar(100),
    parentName nvarchar(100),
    pwd        varchar(50),
    type       nvarchar(20),
    payMoney   bigint NOT NULL DEFAULT 0,
    addDate    varchar(19) COLLATE Latin1_General_BIN2,
    status     bigint NOT NULL DEFAULT 0,
    recvs      varchar(20),
    Address    nvarchar(200),
    telephone  varchar(50),
    daili      varchar(50),
    -- SQL Server compares without trailing blanks, so this key also refuses "boss" beside "boss ".
    CONSTRAINT UserInfo_loginName UNIQUE (loginName)
);
IF OBJECT_ID(N'Messages', N'U') IS NULL CREATE TABLE Messages (
    id        bigint IDENTITY(1,1) PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    message   nvarchar(max),
    addDate   varchar(19) COLLATE Latin1_General_BIN2,
    status    varchar(20),
    CountNum  varchar(max)
);
IF OBJECT_ID(N'TelPhone', N'U') IS NULL CREATE TABLE TelPhone (
    loginName varchar(50) NOT NULL,
    Num       varchar(20),
    message   varchar(20),
    telPhone  varchar(20)
);
IF OBJECT_ID(N'UserRecv', N'U') IS NULL CREATE TABLE UserRecv (
    id        bigint IDENTITY(1,1) PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    message   nvarchar(max),
    Num       varchar(20),
    recvs     varchar(20),
    addDate   varchar(19) COLLATE Latin1_General_BIN2,
    tel       varchar(max)
);
IF OBJECT_ID(N'Moneys', N'U') IS NULL CREATE TABLE Moneys (
    id         bigint IDENTITY(1,1) PRIMARY KEY,
    loginName  varchar(50) NOT NULL,
    fullMoney  varchar(20),
    addDate    varchar(19) COLLATE Latin1_General_BIN2,
    parentName varchar(50)
);
-- One row per written message part, under a key the client chose before writing: when the
-- answer to a commit is lost, the client asks here whether its part went in. Other clients
-- may ignore it.
IF OBJECT_ID(N'SubmittedParts', N'U') IS NULL CREATE TABLE SubmittedParts (
    partKey   varchar(40) NOT NULL PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    addDate   varchar(19) COLLATE Latin1_General_BIN2
);
-- Numbers that asked to receive no more messages, kept by administrators; submissions leave
-- them out. Other clients may ignore it.
IF OBJECT_ID(N'OptOut', N'U') IS NULL CREATE TABLE OptOut (
    tel     varchar(20) COLLATE Latin1_General_BIN2 NOT NULL PRIMARY KEY,
    addDate varchar(19) COLLATE Latin1_General_BIN2
);
