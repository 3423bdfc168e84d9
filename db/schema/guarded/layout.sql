-- Private tables of a guarded database, owned by kavrel_owner, reachable by no other role.
-- Run again on every set-up: nothing here replaces what is already there.

-- Tunables, read by the functions on each call.
CREATE TABLE IF NOT EXISTS kavrel_private.settings (
    name  text PRIMARY KEY,
    value text NOT NULL
);
INSERT INTO kavrel_private.settings (name, value) VALUES
    ('session_idle_hours', '12'),
    ('failed_login_limit', '10'),
    ('failed_login_minutes', '15'),
    ('bcrypt_cost', '10')
ON CONFLICT (name) DO NOTHING;

-- One bcrypt hash per account, kept apart from UserInfo so that roles allowed to read accounts
-- (the service's back end) never see it. generation takes a new value of the sequence with
-- every change of password, type or name, which ends the account's sessions; being never
-- reused, it also ends them for a new account that takes a deleted one's name.
CREATE SEQUENCE IF NOT EXISTS kavrel_private.generations;
CREATE TABLE IF NOT EXISTS kavrel_private.credentials (
    loginName  varchar(50) PRIMARY KEY,
    hash       text NOT NULL,
    generation bigint NOT NULL
);

-- Only the SHA-256 of a token is kept: a copy of this table opens no session.
CREATE TABLE IF NOT EXISTS kavrel_private.sessions (
    tokenHash  bytea PRIMARY KEY,
    loginName  varchar(50) NOT NULL,
    generation bigint NOT NULL,
    created    timestamptz NOT NULL DEFAULT now(),
    lastUsed   timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS sessions_lastUsed ON kavrel_private.sessions (lastUsed);

-- Wrong passwords of existing accounts within the counting window.
CREATE TABLE IF NOT EXISTS kavrel_private.failed_logins (
    loginName varchar(50) NOT NULL,
    at        timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS failed_logins_account ON kavrel_private.failed_logins (loginName, at);

-- How many statements put numbers on the opt-out list (a trigger on OptOut counts them).
CREATE TABLE IF NOT EXISTS kavrel_private.opt_out_changes (
    only_row boolean PRIMARY KEY DEFAULT true CHECK (only_row),
    changes  bigint NOT NULL DEFAULT 0
);
INSERT INTO kavrel_private.opt_out_changes (only_row) VALUES (true) ON CONFLICT (only_row) DO NOTHING;

-- Number lists an account had screened against the opt-out list, by the SHA-256 of the list
-- without its listed numbers, with the change count of the screening: write_part takes such a
-- list as it is while the count stands. Kept a day.
CREATE TABLE IF NOT EXISTS kavrel_private.screened_lists (
    loginName varchar(50) NOT NULL,
    digest    bytea NOT NULL,
    changes   bigint NOT NULL,
    at        timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (loginName, digest)
);
