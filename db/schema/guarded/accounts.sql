-- Accounts: registration, changes of an account's details, type and existence.

-- Writes the UserInfo and TelPhone rows of a new account. code: ok, taken or invalid (detail:
-- the column at fault). The password goes through the UserInfo trigger into credentials.
CREATE OR REPLACE FUNCTION kavrel_private.add_account(p_name text, p_nickname text, p_company text,
                                                      p_password text, p_address text, p_telephone text,
                                                      p_type text, OUT code text, OUT detail text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
BEGIN
    code := 'invalid';
    detail := CASE
        WHEN NOT kavrel_private.plain_word(p_name) THEN 'loginName'
        WHEN NOT kavrel_private.plain_word(p_password) THEN 'pwd'
        WHEN NOT kavrel_private.fits(p_nickname, 100) THEN 'userName'
        WHEN NOT kavrel_private.fits(p_company, 100) THEN 'parentName'
        WHEN NOT kavrel_private.fits(p_address, 200) THEN 'Address'
        WHEN NOT kavrel_private.fits(p_telephone, 50) THEN 'telephone' END;
    IF detail IS NOT NULL THEN
        RETURN;
    END IF;
    IF EXISTS (SELECT 1 FROM UserInfo WHERE rtrim(loginName) = p_name) THEN
        code := 'taken';
        RETURN;
    END IF;
    BEGIN
        INSERT INTO UserInfo (loginName, userName, parentName, pwd, type, payMoney, addDate, status, recvs,
                              Address, telephone)
        VALUES (p_name, p_nickname, p_company, p_password, p_type, 0, kavrel_private.now_text(), 0, '0',
                p_address, p_telephone);
        INSERT INTO TelPhone (loginName, Num, message, telPhone) VALUES (p_name, '0', '0', '0');
    EXCEPTION WHEN unique_violation THEN
        code := 'taken'; -- registered by someone else a moment ago
        RETURN;
    END;
    code := 'ok';
END
$$;

-- Self-registration, without a session: always a "注册用户".
CREATE OR REPLACE FUNCTION kavrel_api.register_self(p_name text, p_nickname text, p_company text,
                                                    p_password text, p_address text, p_telephone text,
                                                    OUT code text, OUT detail text)
LANGUAGE sql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
    SELECT * FROM kavrel_private.add_account(p_name, p_nickname, p_company, p_password, p_address,
                                             p_telephone, '注册用户')
$$;

-- Staff adding an account: an administrator a "注册用户" or "代理用户", an agent or VIP user
-- a "VIP用户". code: ok, taken, invalid, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.register_account(p_token text, p_name text, p_nickname text,
                                                       p_company text, p_password text, p_address text,
                                                       p_telephone text, p_type text, OUT code text,
                                                       OUT detail text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'administer');
BEGIN
    code := v_caller.code;
    IF code = 'ok' AND NOT ((v_caller.kind = '管理员' AND p_type IN ('注册用户', '代理用户')) OR
                            (v_caller.kind IN ('代理用户', 'VIP用户') AND p_type = 'VIP用户')) THEN
        code := 'not_allowed';
    END IF;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    SELECT * INTO code, detail FROM kavrel_private.add_account(p_name, p_nickname, p_company, p_password,
                                                                p_address, p_telephone, p_type);
END
$$;

-- One detail of an account matched by name and current password; any account that may log in
-- may change an account whose password it knows. The account row is locked before the
-- password is checked. code: ok, wrong_password, too_many_failures (retry_at), invalid, or the
-- caller's refusal; token: a new session for the caller when it changed its own password.
CREATE OR REPLACE FUNCTION kavrel_private.change_detail(p_token text, p_name text, p_current text,
                                                        p_column text, p_value text, OUT code text,
                                                        OUT retry_at text, OUT token text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
    v_stored text;
    v_check record;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF NOT (CASE p_column WHEN 'pwd' THEN kavrel_private.plain_word(p_value)
                          ELSE kavrel_private.fits(p_value, 100) END) THEN
        code := 'invalid';
        RETURN;
    END IF;
    SELECT loginName INTO v_stored FROM UserInfo WHERE rtrim(loginName) = p_name FOR UPDATE;
    v_check := kavrel_private.check_password(v_stored, p_current);
    code := v_check.code;
    retry_at := v_check.retry_at;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF p_column = 'pwd' THEN
        UPDATE UserInfo SET pwd = p_value WHERE loginName = v_stored;
        -- Every session of the account has ended; the one that asked goes on under a new token.
        IF v_stored = v_caller.stored THEN
            PERFORM kavrel_api.end_session(p_token);
            token := kavrel_private.open_session(v_stored);
        END IF;
    ELSIF p_column = 'userName' THEN
        UPDATE UserInfo SET userName = p_value WHERE loginName = v_stored;
    ELSE
        UPDATE UserInfo SET parentName = p_value WHERE loginName = v_stored;
    END IF;
END
$$;

CREATE OR REPLACE FUNCTION kavrel_api.change_password(p_token text, p_name text, p_current text, p_new text,
                                                      OUT code text, OUT retry_at text, OUT token text)
LANGUAGE sql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$ SELECT * FROM kavrel_private.change_detail(p_token, p_name, p_current, 'pwd', p_new) $$;

CREATE OR REPLACE FUNCTION kavrel_api.change_nickname(p_token text, p_name text, p_current text, p_new text,
                                                      OUT code text, OUT retry_at text)
LANGUAGE sql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$ SELECT code, retry_at FROM kavrel_private.change_detail(p_token, p_name, p_current, 'userName', p_new) $$;

CREATE OR REPLACE FUNCTION kavrel_api.change_company(p_token text, p_name text, p_current text, p_new text,
                                                     OUT code text, OUT retry_at text)
LANGUAGE sql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$ SELECT code, retry_at FROM kavrel_private.change_detail(p_token, p_name, p_current, 'parentName', p_new) $$;

-- Before an administrator retypes or deletes an account: locks both rows in name order (so two
-- such units never wait on each other in a circle), then reads the caller's type from its
-- locked row. code: ok, own_account, not_allowed, disabled or the caller's refusal; stored:
-- the target's stored name, NULL when there is none.
CREATE OR REPLACE FUNCTION kavrel_private.guard_account_change(p_token text, p_name text, OUT code text,
                                                               OUT stored text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'administrator');
    v_row record;
    v_kind text;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    FOR v_row IN SELECT loginName, btrim(COALESCE(type, '')) AS kind FROM UserInfo
                 WHERE loginName = v_caller.stored OR rtrim(loginName) = p_name
                 ORDER BY loginName FOR UPDATE LOOP
        IF v_row.loginName = v_caller.stored THEN
            v_kind := v_row.kind;
        END IF;
        IF rtrim(v_row.loginName) = p_name THEN
            stored := v_row.loginName;
        END IF;
    END LOOP;
    IF v_kind IS NULL THEN
        code := 'no_session';
    ELSIF v_kind = '禁用' THEN
        code := 'disabled';
    ELSIF v_kind <> '管理员' THEN
        code := 'not_allowed';
    ELSIF stored = v_caller.stored THEN
        code := 'own_account';
    END IF;
END
$$;

-- Administrators only, never on their own account. code: ok, no_such_account, invalid (not a
-- known type), own_account, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.set_type(p_token text, p_name text, p_type text, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_guard record;
BEGIN
    IF p_type IS NULL OR p_type NOT IN ('管理员', '注册用户', '代理用户', 'VIP用户', '禁用') THEN
        code := (kavrel_private.caller(p_token, 'administrator')).code;
        IF code = 'ok' THEN
            code := 'invalid';
        END IF;
        RETURN;
    END IF;
    v_guard := kavrel_private.guard_account_change(p_token, p_name);
    code := v_guard.code;
    IF code = 'ok' AND v_guard.stored IS NULL THEN
        code := 'no_such_account';
    END IF;
    IF code = 'ok' THEN
        UPDATE UserInfo SET type = p_type WHERE loginName = v_guard.stored;
    END IF;
END
$$;

-- Removes the UserInfo row only; the account's other rows stay. An account already gone is
-- no failure. code: ok, own_account, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.delete_account(p_token text, p_name text, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_guard record := kavrel_private.guard_account_change(p_token, p_name);
BEGIN
    code := v_guard.code;
    IF code = 'ok' AND v_guard.stored IS NOT NULL THEN
        DELETE FROM UserInfo WHERE loginName = v_guard.stored;
    END IF;
END
$$;
