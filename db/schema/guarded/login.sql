-- Sessions: login, checks of a password, the figures of the logged-in account.

-- Its presence tells a client that the database is guarded.
CREATE OR REPLACE FUNCTION kavrel_api.api_version()
RETURNS integer LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$ SELECT 1 $$;

-- The channel a written message part is announced on (LISTEN to it).
CREATE OR REPLACE FUNCTION kavrel_api.alert_channel()
RETURNS text LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$ SELECT 'kavrel_waiting_batches'::text $$;

-- True while no account exists: the first administrator is then made with kavrel-setup.
CREATE OR REPLACE FUNCTION kavrel_api.needs_first_administrator()
RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER
SET search_path = pg_catalog, public, pg_temp
AS $$ SELECT NOT EXISTS (SELECT 1 FROM UserInfo) $$;

CREATE OR REPLACE FUNCTION kavrel_api.login(p_name text, p_password text, OUT code text, OUT token text,
                                            OUT retry_at text, OUT login_name text, OUT user_name text,
                                            OUT company text, OUT account_type text, OUT balance bigint,
                                            OUT sent bigint, OUT recharge_total bigint,
                                            OUT success_rate text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_account UserInfo;
    v_check record;
BEGIN
    SELECT * INTO v_account FROM UserInfo WHERE rtrim(loginName) = p_name;
    v_check := kavrel_private.check_password(v_account.loginName, p_password);
    code := v_check.code;
    retry_at := v_check.retry_at;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF btrim(COALESCE(v_account.type, '')) = '禁用' THEN
        code := 'disabled';
        RETURN;
    END IF;
    token := kavrel_private.open_session(v_account.loginName);
    login_name := replace(v_account.loginName, ' ', '');
    user_name := COALESCE(v_account.userName, '');
    company := COALESCE(v_account.parentName, '');
    account_type := COALESCE(v_account.type, '');
    balance := v_account.payMoney;
    sent := v_account.status;
    success_rate := COALESCE(v_account.recvs, '');
    SELECT GREATEST(COALESCE(sum(kavrel_private.leading_number(fullMoney)), 0), 0) INTO recharge_total
    FROM Moneys WHERE loginName = p_name;
END
$$;

-- Checks another account's name and password for the profile and user pages.
-- code: ok, wrong_password, too_many_failures, disabled, or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.verify_account(p_token text, p_name text, p_password text,
                                                     OUT code text, OUT retry_at text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
    v_account UserInfo;
    v_check record;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    SELECT * INTO v_account FROM UserInfo WHERE rtrim(loginName) = p_name;
    v_check := kavrel_private.check_password(v_account.loginName, p_password);
    code := v_check.code;
    retry_at := v_check.retry_at;
    IF code = 'ok' AND btrim(COALESCE(v_account.type, '')) = '禁用' THEN
        code := 'disabled';
    END IF;
END
$$;

-- Ends a session; an unknown token is no failure.
CREATE OR REPLACE FUNCTION kavrel_api.end_session(p_token text)
RETURNS void LANGUAGE sql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, @crypto@, pg_temp
AS $$
    DELETE FROM kavrel_private.sessions WHERE tokenHash = digest(COALESCE(p_token, ''), 'sha256')
$$;

-- The logged-in account's figures as the main window shows them.
CREATE OR REPLACE FUNCTION kavrel_api.account_figures(p_token text, OUT code text, OUT balance bigint,
                                                      OUT sent bigint, OUT recharge_total bigint,
                                                      OUT success_rate text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    SELECT payMoney, status, COALESCE(recvs, '') INTO balance, sent, success_rate
    FROM UserInfo WHERE loginName = v_caller.stored;
    SELECT GREATEST(COALESCE(sum(kavrel_private.leading_number(fullMoney)), 0), 0) INTO recharge_total
    FROM Moneys WHERE loginName = v_caller.login;
END
$$;
