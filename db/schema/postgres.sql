-- Kavrel service tables, PostgreSQL. Time columns use the "C" collation so that the
-- "YYYY-MM-DD HH:MM:SS" texts order and compare byte by byte under any server locale.
CREATE TABLE IF NOT EXISTS UserInfo (
    loginName  varchar(50) NOT NULL,
    userName   varchar(100),
    parentName varchar(100),
    pwd        varchar(50),
    type       varchar(20),
    payMoney   bigint NOT NULL DEFAULT 0,
    addDate    varchar(19) COLLATE "C",
    status     bigint NOT NULL DEFAULT 0,
    recvs      varchar(20),
    Address    varchar(200),
    telephone  varchar(50),
    daili      varchar(50)
);
CREATE UNIQUE INDEX IF NOT EXISTS UserInfo_loginName ON UserInfo (loginName);
-- Names are matched without trailing blanks, so "boss" and "boss " would be one account.
CREATE UNIQUE INDEX IF NOT EXISTS UserInfo_loginName_trimmed ON UserInfo (rtrim(loginName));
CREATE INDEX IF NOT EXISTS UserInfo_daili ON UserInfo (daili);
CREATE TABLE IF NOT EXISTS Messages (
    id        bigserial PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    message   text,
    addDate   varchar(19) COLLATE "C",
    status    varchar(20),
    CountNum  text
);
CREATE INDEX IF NOT EXISTS Messages_loginName ON Messages (loginName, addDate);
CREATE TABLE IF NOT EXISTS TelPhone (
    loginName varchar(50) NOT NULL,
    Num       varchar(20),
    message   varchar(20),
    telPhone  varchar(20)
);
CREATE TABLE IF NOT EXISTS UserRecv (
    id        bigserial PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    message   text,
    Num       varchar(20),
    recvs     varchar(20),
    addDate   varchar(19) COLLATE "C",
    tel       text
);
CREATE INDEX IF NOT EXISTS UserRecv_addDate ON UserRecv (addDate);
CREATE TABLE IF NOT EXISTS Moneys (
    id         bigserial PRIMARY KEY,
    loginName  varchar(50) NOT NULL,
    fullMoney  varchar(20),
    addDate    varchar(19) COLLATE "C",
    parentName varchar(50)
);
CREATE INDEX IF NOT EXISTS Moneys_loginName ON Moneys (loginName);
-- One row per written message part, under a key the client chose before writing: when the
-- answer to a commit is lost, the client asks here whether its part went in. Other clients
-- may ignore it.
CREATE TABLE IF NOT EXISTS SubmittedParts (
    partKey   varchar(40) PRIMARY KEY,
    loginName varchar(50) NOT NULL,
    addDate   varchar(19) COLLATE "C"
);
-- Every insert into Messages is announced on the channel that staff clients listen on, so that
-- they read the waiting batches at once rather than at their next poll (the same channel as a
-- guarded database's kavrel_api.alert_channel()). Other clients may ignore it.
CREATE OR REPLACE FUNCTION kavrel_announce_waiting() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('kavrel_waiting_batches', '');
    RETURN NULL;
END
$$;
DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = 'messages_announced'
                   AND tgrelid = 'messages'::regclass) THEN
        CREATE TRIGGER messages_announced AFTER INSERT ON Messages
            FOR EACH STATEMENT EXECUTE FUNCTION kavrel_announce_waiting();
    END IF;
END
$$;
-- Numbers that asked to receive no more messages, kept by administrators; submissions leave
-- them out. Other clients may ignore it. The "C" collation makes each lookup a byte comparison.
CREATE TABLE IF NOT EXISTS OptOut (
    tel     varchar(20) COLLATE "C" PRIMARY KEY,
    addDate varchar(19) COLLATE "C"
);
