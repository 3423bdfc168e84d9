-- Helpers of the API functions. No role but kavrel_owner may execute them.
-- String literals here hold no backslash: a caller's standard_conforming_strings must not
-- change what a body means.

CREATE OR REPLACE FUNCTION kavrel_private.setting(p_name text, p_fallback integer)
RETURNS integer LANGUAGE sql STABLE
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
    SELECT COALESCE((SELECT CASE WHEN value ~ '^[0-9]{1,6}$' THEN value::integer END
                     FROM kavrel_private.settings WHERE name = p_name), p_fallback)
$$;

CREATE OR REPLACE FUNCTION kavrel_private.bcrypt_cost()
RETURNS integer LANGUAGE sql STABLE
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
    SELECT LEAST(GREATEST(kavrel_private.setting('bcrypt_cost', 10), 4), 15)
$$;

-- The server's time as the service stores it: "YYYY-MM-DD HH:MM:SS".
CREATE OR REPLACE FUNCTION kavrel_private.now_text()
RETURNS text LANGUAGE sql STABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT to_char(localtimestamp, 'YYYY-MM-DD HH24:MI:SS')
$$;

-- Decimal value of a text's leading blanks, sign and digits; no digits gives 0.
CREATE OR REPLACE FUNCTION kavrel_private.leading_number(p_text text)
RETURNS bigint LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT COALESCE(substring(p_text FROM '^[[:blank:]]*([-+]?[0-9]{1,18})')::bigint, 0)
$$;

-- An amount as typed: whole messages from 0 to 999,999,999, blanks ignored; NULL otherwise.
CREATE OR REPLACE FUNCTION kavrel_private.amount(p_text text)
RETURNS bigint LANGUAGE plpgsql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_digits text := replace(COALESCE(p_text, ''), ' ', '');
BEGIN
    IF v_digits !~ '^[0-9]{1,18}$' OR v_digits::bigint > 999999999 THEN
        RETURN NULL;
    END IF;
    RETURN v_digits::bigint;
END
$$;

-- A text the account columns can hold: at most p_max characters, no control character.
CREATE OR REPLACE FUNCTION kavrel_private.fits(p_text text, p_max integer)
RETURNS boolean LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT p_text IS NOT NULL AND length(p_text) <= p_max AND p_text !~ '[[:cntrl:]]'
$$;

-- Login names and passwords: 1 to 25 printable ASCII characters without blanks, as the forms allow.
CREATE OR REPLACE FUNCTION kavrel_private.plain_word(p_text text)
RETURNS boolean LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT COALESCE(p_text ~ '^[!-~]{1,25}$', false)
$$;

-- Whether an account type grants a right: 'use' (every type but disabled), 'administer'
-- (administrator, agent, VIP user) or 'administrator'.
CREATE OR REPLACE FUNCTION kavrel_private.grants(p_type text, p_right text)
RETURNS boolean LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT CASE p_right
        WHEN 'use' THEN COALESCE(btrim(p_type), '') <> '禁用'
        WHEN 'administer' THEN btrim(p_type) IN ('管理员', '代理用户', 'VIP用户')
        WHEN 'administrator' THEN btrim(p_type) = '管理员'
        ELSE false END
$$;

-- Resolves the account behind a token and checks that its current type grants p_right.
-- code: ok, no_session, session_expired, disabled, account_changed or not_allowed.
-- login is the stored name without trailing blanks, as the client names the account.
CREATE OR REPLACE FUNCTION kavrel_private.caller(p_token text, p_right text, OUT code text,
                                                 OUT login text, OUT stored text, OUT kind text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, @crypto@, pg_temp
AS $$
DECLARE
    v_session kavrel_private.sessions;
    v_generation bigint;
    v_hash bytea;
BEGIN
    code := 'no_session';
    IF p_token IS NULL OR p_token !~ '^[0-9a-f]{64}$' THEN
        RETURN;
    END IF;
    v_hash := digest(p_token, 'sha256');
    SELECT * INTO v_session FROM kavrel_private.sessions WHERE tokenHash = v_hash;
    IF NOT FOUND THEN
        RETURN;
    END IF;
    IF v_session.lastUsed < now() - make_interval(hours => kavrel_private.setting('session_idle_hours', 12)) THEN
        code := 'session_expired';
        RETURN;
    END IF;
    SELECT u.loginName, COALESCE(btrim(u.type), ''), c.generation INTO stored, kind, v_generation
    FROM UserInfo u LEFT JOIN kavrel_private.credentials c ON c.loginName = u.loginName
    WHERE u.loginName = v_session.loginName;
    IF NOT FOUND THEN
        RETURN; -- deleted since the login
    END IF;
    IF kind = '禁用' THEN
        code := 'disabled';
        RETURN;
    END IF;
    IF v_generation IS DISTINCT FROM v_session.generation THEN
        code := 'account_changed';
        RETURN;
    END IF;
    -- Once a minute is precise enough for a 12-hour limit and spares a write per call.
    IF v_session.lastUsed < now() - interval '1 minute' THEN
        UPDATE kavrel_private.sessions SET lastUsed = now() WHERE tokenHash = v_hash;
    END IF;
    login := rtrim(stored);
    code := CASE WHEN kavrel_private.grants(kind, p_right) THEN 'ok' ELSE 'not_allowed' END;
END
$$;

-- The same for the lists, which have no row to carry a refusal: raises SQLSTATE KV001 with
-- the code as its message.
CREATE OR REPLACE FUNCTION kavrel_private.caller_or_raise(p_token text, p_right text, OUT login text,
                                                          OUT kind text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record;
BEGIN
    v_caller := kavrel_private.caller(p_token, p_right);
    IF v_caller.code <> 'ok' THEN
        RAISE EXCEPTION USING ERRCODE = 'KV001', MESSAGE = v_caller.code;
    END IF;
    login := v_caller.login;
    kind := v_caller.kind;
END
$$;

CREATE OR REPLACE FUNCTION kavrel_private.refuse(p_code text)
RETURNS void LANGUAGE plpgsql
SET search_path = pg_catalog, pg_temp
AS $$
BEGIN
    RAISE EXCEPTION USING ERRCODE = 'KV001', MESSAGE = p_code;
END
$$;

-- Checks an account's password under the limit of failed attempts, counting a failure.
-- The caller locks the UserInfo row first when it will change the account, so that every
-- unit takes the account row before its credentials row. p_stored may be NULL (no such
-- account): the same work is done so that the answer takes as long.
-- code: ok, wrong_password or too_many_failures (retry_at: when to try again).
CREATE OR REPLACE FUNCTION kavrel_private.check_password(p_stored text, p_password text, OUT code text,
                                                         OUT retry_at text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, @crypto@, pg_temp
AS $$
DECLARE
    v_hash text;
    v_window interval := make_interval(mins => kavrel_private.setting('failed_login_minutes', 15));
    v_failures bigint;
    v_oldest timestamptz;
BEGIN
    IF p_stored IS NOT NULL THEN
        SELECT hash INTO v_hash FROM kavrel_private.credentials WHERE loginName = p_stored FOR UPDATE;
        SELECT count(*), min(at) INTO v_failures, v_oldest FROM kavrel_private.failed_logins
        WHERE loginName = p_stored AND at > now() - v_window;
        IF v_failures >= kavrel_private.setting('failed_login_limit', 10) THEN
            code := 'too_many_failures';
            retry_at := to_char(v_oldest + v_window, 'YYYY-MM-DD HH24:MI:SS');
            RETURN;
        END IF;
    END IF;
    IF v_hash IS NULL THEN
        PERFORM crypt(COALESCE(p_password, ''), gen_salt('bf', kavrel_private.bcrypt_cost()));
    ELSIF p_password IS NOT NULL AND crypt(p_password, v_hash) = v_hash THEN
        DELETE FROM kavrel_private.failed_logins WHERE loginName = p_stored;
        -- A hash made at a lower cost than today's is replaced while the password is at hand.
        IF v_hash ~ '^[$]2[abxy][$][0-9][0-9][$]'
           AND substring(v_hash FROM 5 FOR 2)::integer < kavrel_private.bcrypt_cost() THEN
            UPDATE kavrel_private.credentials SET hash = crypt(p_password, gen_salt('bf', kavrel_private.bcrypt_cost()))
            WHERE loginName = p_stored;
        END IF;
        code := 'ok';
        RETURN;
    END IF;
    IF p_stored IS NOT NULL THEN
        DELETE FROM kavrel_private.failed_logins WHERE loginName = p_stored AND at <= now() - v_window;
        INSERT INTO kavrel_private.failed_logins (loginName, at) VALUES (p_stored, now());
    END IF;
    code := 'wrong_password';
END
$$;

-- A new session of an account; returns its token.
CREATE OR REPLACE FUNCTION kavrel_private.open_session(p_stored text)
RETURNS text LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, @crypto@, pg_temp
AS $$
DECLARE
    v_token text := encode(gen_random_bytes(32), 'hex');
BEGIN
    DELETE FROM kavrel_private.sessions
    WHERE lastUsed < now() - make_interval(hours => kavrel_private.setting('session_idle_hours', 12));
    INSERT INTO kavrel_private.sessions (tokenHash, loginName, generation)
    SELECT digest(v_token, 'sha256'), p_stored, generation FROM kavrel_private.credentials
    WHERE loginName = p_stored;
    RETURN v_token;
END
$$;

-- Whatever route writes UserInfo: a password written in plain text becomes a bcrypt hash in
-- credentials and leaves pwd empty; a new password, type or name ends the account's sessions.
CREATE OR REPLACE FUNCTION kavrel_private.userinfo_written()
RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, @crypto@, pg_temp
AS $$
BEGIN
    IF TG_OP = 'DELETE' THEN
        DELETE FROM kavrel_private.credentials WHERE loginName = OLD.loginName;
        RETURN OLD;
    END IF;
    IF TG_OP = 'UPDATE' AND NEW.loginName IS DISTINCT FROM OLD.loginName THEN
        DELETE FROM kavrel_private.credentials WHERE loginName = NEW.loginName;
        UPDATE kavrel_private.credentials SET loginName = NEW.loginName,
                                              generation = nextval('kavrel_private.generations')
        WHERE loginName = OLD.loginName;
    END IF;
    IF COALESCE(NEW.pwd, '') <> '' THEN
        INSERT INTO kavrel_private.credentials (loginName, hash, generation)
        VALUES (NEW.loginName, crypt(rtrim(NEW.pwd), gen_salt('bf', kavrel_private.bcrypt_cost())),
                nextval('kavrel_private.generations'))
        ON CONFLICT (loginName) DO UPDATE SET hash = EXCLUDED.hash, generation = EXCLUDED.generation;
        NEW.pwd := '';
    ELSIF TG_OP = 'UPDATE' AND NEW.type IS DISTINCT FROM OLD.type THEN
        UPDATE kavrel_private.credentials SET generation = nextval('kavrel_private.generations')
        WHERE loginName = NEW.loginName;
    END IF;
    RETURN NEW;
END
$$;

DROP TRIGGER IF EXISTS userinfo_written ON public.UserInfo;
CREATE TRIGGER userinfo_written BEFORE INSERT OR UPDATE OF loginName, pwd, type ON public.UserInfo
    FOR EACH ROW EXECUTE FUNCTION kavrel_private.userinfo_written();
DROP TRIGGER IF EXISTS userinfo_deleted ON public.UserInfo;
CREATE TRIGGER userinfo_deleted BEFORE DELETE ON public.UserInfo
    FOR EACH ROW EXECUTE FUNCTION kavrel_private.userinfo_written();
