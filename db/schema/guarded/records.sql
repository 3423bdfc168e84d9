-- Waiting batches (Messages) and audited records (UserRecv).

-- An administrator approves a waiting batch: its UserRecv record with the typed count and rate
-- and the batch's own account, content and number list as stored, the account's rate, and its
-- removal from Messages, as one unit. The batch row is locked first: of two staff members
-- approving at once, the second finds nothing. code: ok, batch_gone, count_first (the batch
-- lists no number), invalid (detail: Num or recvs), not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.approve(p_token text, p_id bigint, p_count text, p_rate text,
                                              OUT code text, OUT detail text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'administrator');
    v_batch record;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    detail := CASE WHEN NOT kavrel_private.fits(p_count, 20) THEN 'Num'
                   WHEN NOT kavrel_private.fits(p_rate, 20) THEN 'recvs' END;
    IF detail IS NOT NULL THEN
        code := 'invalid';
        RETURN;
    END IF;
    SELECT loginName, message, CountNum INTO v_batch FROM Messages WHERE id = p_id FOR UPDATE;
    IF NOT FOUND THEN
        code := 'batch_gone';
        RETURN;
    END IF;
    IF NOT COALESCE(v_batch.CountNum LIKE '%,%' AND v_batch.CountNum NOT LIKE ',%', false) THEN
        code := 'count_first';
        RETURN;
    END IF;
    INSERT INTO UserRecv (loginName, message, Num, recvs, addDate, tel)
    VALUES (v_batch.loginName, v_batch.message, p_count, p_rate, kavrel_private.now_text(), v_batch.CountNum);
    UPDATE UserInfo SET recvs = p_rate WHERE rtrim(loginName) = rtrim(v_batch.loginName);
    DELETE FROM Messages WHERE id = p_id;
END
$$;

-- An administrator discards a waiting batch. code: ok, batch_gone, not_allowed or the
-- caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.discard_batch(p_token text, p_id bigint, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code = 'ok' THEN
        DELETE FROM Messages WHERE id = p_id;
        IF NOT FOUND THEN
            code := 'batch_gone';
        END IF;
    END IF;
END
$$;

-- Audited records by id: an administrator's any, any other account's only its own; a list that
-- holds another account's record is refused whole. code: ok (removed: rows deleted, 0 when
-- they were gone), not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.delete_audited(p_token text, p_ids bigint[], OUT code text,
                                                     OUT removed bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF v_caller.kind <> '管理员' AND EXISTS (SELECT 1 FROM UserRecv WHERE id = ANY (p_ids)
                                                              AND loginName IS DISTINCT FROM v_caller.login) THEN
        code := 'not_allowed';
        RETURN;
    END IF;
    DELETE FROM UserRecv WHERE id = ANY (p_ids);
    GET DIAGNOSTICS removed = ROW_COUNT;
END
$$;

-- Every audited record of one account: an administrator's for anyone, any other account's only
-- for itself. code: ok, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.delete_audited_of(p_token text, p_name text, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
BEGIN
    code := v_caller.code;
    IF code = 'ok' AND v_caller.kind <> '管理员' AND p_name IS DISTINCT FROM v_caller.login THEN
        code := 'not_allowed';
    END IF;
    IF code = 'ok' THEN
        DELETE FROM UserRecv WHERE loginName = p_name;
    END IF;
END
$$;

-- Administrators only. code: ok, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.delete_all_audited(p_token text, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code = 'ok' THEN
        DELETE FROM UserRecv;
    END IF;
END
$$;

-- The number list of a waiting batch, for its audit and statistics. Administrators only.
-- code: ok (present: whether the batch exists), not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.waiting_numbers(p_token text, p_id bigint, OUT code text,
                                                      OUT present boolean, OUT numbers text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code = 'ok' THEN
        SELECT COALESCE(CountNum, '') INTO numbers FROM Messages WHERE id = p_id;
        present := numbers IS NOT NULL;
    END IF;
END
$$;

-- The number list of an audited record: an administrator's any, any other account's only its
-- own. code: ok (present), not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.audited_numbers(p_token text, p_id bigint, OUT code text,
                                                      OUT present boolean, OUT numbers text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
    v_owner text;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    SELECT loginName, COALESCE(tel, '') INTO v_owner, numbers FROM UserRecv WHERE id = p_id;
    present := numbers IS NOT NULL;
    IF present AND v_caller.kind <> '管理员' AND v_owner IS DISTINCT FROM v_caller.login THEN
        code := 'not_allowed';
        present := NULL;
        numbers := NULL;
    END IF;
END
$$;
