-- The lists of the pages, as set-returning functions. A refused list raises SQLSTATE KV001 with
-- the refusal code as its message, and returns no row. Text columns that may be NULL in older
-- rows come back empty. Date bounds are half-open: p_from <= addDate < p_until, each applied
-- when not NULL.

-- Accounts, all or the one whose name (without trailing blanks) is p_name. The password column
-- is always empty. Administrators only.
CREATE OR REPLACE FUNCTION kavrel_api.list_accounts(p_token text, p_name text, p_from text, p_until text)
RETURNS TABLE (loginName text, pwd text, userName text, parentName text, type text, payMoney bigint,
               addDate text, telephone text, Address text, daili text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
BEGIN
    PERFORM kavrel_private.caller_or_raise(p_token, 'administrator');
    RETURN QUERY
        SELECT u.loginName::text, ''::text, COALESCE(u.userName, '')::text, COALESCE(u.parentName, '')::text,
               COALESCE(u.type, '')::text, u.payMoney, COALESCE(u.addDate, '')::text,
               COALESCE(u.telephone, '')::text, COALESCE(u.Address, '')::text, COALESCE(u.daili, '')::text
        FROM UserInfo u
        WHERE (COALESCE(p_name, '') = '' OR rtrim(u.loginName) = p_name)
          AND (p_from IS NULL OR u.addDate >= p_from) AND (p_until IS NULL OR u.addDate < p_until);
END
$$;

-- The agents ("代理用户"), same columns. Administrators only.
CREATE OR REPLACE FUNCTION kavrel_api.list_agents(p_token text)
RETURNS TABLE (loginName text, pwd text, userName text, parentName text, type text, payMoney bigint,
               addDate text, telephone text, Address text, daili text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
BEGIN
    RETURN QUERY SELECT * FROM kavrel_api.list_accounts(p_token, NULL, NULL, NULL) a
                 WHERE a.type = '代理用户';
END
$$;

-- The accounts whose agent (daili) is p_agent, same columns: an administrator's for any agent,
-- an agent's or VIP user's for itself only.
CREATE OR REPLACE FUNCTION kavrel_api.list_sub_accounts(p_token text, p_agent text)
RETURNS TABLE (loginName text, pwd text, userName text, parentName text, type text, payMoney bigint,
               addDate text, telephone text, Address text, daili text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller_or_raise(p_token, 'administer');
BEGIN
    IF v_caller.kind <> '管理员' AND p_agent IS DISTINCT FROM v_caller.login THEN
        PERFORM kavrel_private.refuse('not_allowed');
    END IF;
    RETURN QUERY
        SELECT u.loginName::text, ''::text, COALESCE(u.userName, '')::text, COALESCE(u.parentName, '')::text,
               COALESCE(u.type, '')::text, u.payMoney, COALESCE(u.addDate, '')::text,
               COALESCE(u.telephone, '')::text, COALESCE(u.Address, '')::text, COALESCE(u.daili, '')::text
        FROM UserInfo u WHERE u.daili = p_agent;
END
$$;

-- Balance changes (Moneys), oldest first: all (both names NULL), those an operator made
-- (parentName = p_operator) or those of an account (loginName without trailing blanks =
-- p_account). Administrators see every list; an agent or VIP user only the changes it made.
CREATE OR REPLACE FUNCTION kavrel_api.list_balance_changes(p_token text, p_operator text, p_account text)
RETURNS TABLE (id bigint, parentName text, loginName text, fullMoney text, addDate text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller_or_raise(p_token, 'administer');
BEGIN
    IF v_caller.kind <> '管理员' AND (p_operator IS DISTINCT FROM v_caller.login OR p_account IS NOT NULL) THEN
        PERFORM kavrel_private.refuse('not_allowed');
    END IF;
    RETURN QUERY
        SELECT m.id, COALESCE(m.parentName, '')::text, m.loginName::text, COALESCE(m.fullMoney, '')::text,
               COALESCE(m.addDate, '')::text
        FROM Moneys m
        WHERE (p_operator IS NULL OR m.parentName = p_operator)
          AND (p_account IS NULL OR rtrim(m.loginName) = p_account)
        ORDER BY m.id;
END
$$;

-- Waiting batches (Messages), oldest first, at most p_limit rows (NULL: all). Administrators
-- only; the watches poll with it.
CREATE OR REPLACE FUNCTION kavrel_api.list_waiting(p_token text, p_from text, p_until text, p_limit integer)
RETURNS TABLE (id bigint, addDate text, loginName text, message text, status text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
BEGIN
    PERFORM kavrel_private.caller_or_raise(p_token, 'administrator');
    RETURN QUERY
        SELECT m.id, COALESCE(m.addDate, '')::text, m.loginName::text, COALESCE(m.message, ''),
               COALESCE(m.status, '')::text
        FROM Messages m
        WHERE (p_from IS NULL OR m.addDate >= p_from) AND (p_until IS NULL OR m.addDate < p_until)
        ORDER BY m.id LIMIT p_limit;
END
$$;

-- Audited records (UserRecv), oldest first: of one account (loginName = p_name exactly) or of
-- every account (p_name NULL). Every account may list its own; only administrators another's
-- or everyone's.
CREATE OR REPLACE FUNCTION kavrel_api.list_audited(p_token text, p_name text, p_from text, p_until text)
RETURNS TABLE (id bigint, loginName text, Num text, message text, recvs text, addDate text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller_or_raise(p_token, 'use');
BEGIN
    IF v_caller.kind <> '管理员' AND p_name IS DISTINCT FROM v_caller.login THEN
        PERFORM kavrel_private.refuse('not_allowed');
    END IF;
    RETURN QUERY
        SELECT r.id, r.loginName::text, COALESCE(r.Num, '')::text, COALESCE(r.message, ''),
               COALESCE(r.recvs, '')::text, COALESCE(r.addDate, '')::text
        FROM UserRecv r
        WHERE (p_name IS NULL OR r.loginName = p_name)
          AND (p_from IS NULL OR r.addDate >= p_from) AND (p_until IS NULL OR r.addDate < p_until)
        ORDER BY r.id;
END
$$;
