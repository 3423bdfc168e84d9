-- Balances: recharge, reduction, allocation, and the message part that charges them.

-- Administrators only. The amount is stored in Moneys as typed, without blanks.
-- code: ok, bad_amount, no_such_account, not_allowed or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.recharge(p_token text, p_name text, p_amount text, OUT code text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_amount bigint := kavrel_private.amount(p_amount);
    v_caller record;
BEGIN
    IF v_amount IS NULL THEN
        code := 'bad_amount';
        RETURN;
    END IF;
    v_caller := kavrel_private.caller(p_token, 'administrator');
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    UPDATE UserInfo SET payMoney = payMoney + v_amount WHERE rtrim(loginName) = p_name;
    IF NOT FOUND THEN
        code := 'no_such_account';
        RETURN;
    END IF;
    INSERT INTO Moneys (loginName, fullMoney, addDate, parentName)
    VALUES (p_name, replace(p_amount, ' ', ''), kavrel_private.now_text(), v_caller.login);
END
$$;

-- Administrators only; the balance must cover the reduction. code: ok, bad_amount,
-- no_such_account, not_covered (balance: the account's balance), not_allowed or the caller's
-- refusal.
CREATE OR REPLACE FUNCTION kavrel_api.reduce(p_token text, p_name text, p_amount text, OUT code text,
                                             OUT balance bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_amount bigint := kavrel_private.amount(p_amount);
    v_caller record;
BEGIN
    IF v_amount IS NULL THEN
        code := 'bad_amount';
        RETURN;
    END IF;
    v_caller := kavrel_private.caller(p_token, 'administrator');
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    SELECT payMoney INTO balance FROM UserInfo WHERE rtrim(loginName) = p_name FOR UPDATE;
    IF NOT FOUND THEN
        code := 'no_such_account';
        RETURN;
    END IF;
    IF balance < v_amount THEN
        code := 'not_covered';
        RETURN;
    END IF;
    UPDATE UserInfo SET payMoney = payMoney - v_amount WHERE rtrim(loginName) = p_name
    RETURNING payMoney INTO balance;
    INSERT INTO Moneys (loginName, fullMoney, addDate, parentName)
    VALUES (p_name, '-' || replace(p_amount, ' ', ''), kavrel_private.now_text(), v_caller.login);
END
$$;

-- An administrator, agent or VIP user hands part of its own balance to an account that has no
-- agent yet or has it as its agent, and never its last message. Both rows are locked in name
-- order, so two allocations in opposite directions wait for each other instead of
-- deadlocking; the caller's type is read again from its locked row.
-- code: ok (detail: the receiver's stored name), bad_amount, zero_allocation, to_self,
-- no_such_account, to_administrator, to_agent, others_account (detail: the receiver),
-- no_balance, over_limit, not_allowed or the caller's refusal. available: the caller's balance
-- as read under the lock, once the receiver was accepted.
CREATE OR REPLACE FUNCTION kavrel_api.allocate(p_token text, p_target text, p_amount text, OUT code text,
                                               OUT detail text, OUT available text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_amount bigint := kavrel_private.amount(p_amount);
    v_typed text := replace(COALESCE(p_amount, ''), ' ', '');
    v_caller record := kavrel_private.caller(p_token, 'use');
    v_row record;
    v_payer_kind text;
    v_payer_money bigint;
    v_receiver text; -- stored name
    v_receiver_kind text;
    v_receiver_agent text;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    detail := p_target;
    code := CASE WHEN v_amount IS NULL THEN 'bad_amount'
                 WHEN v_amount = 0 THEN 'zero_allocation'
                 WHEN lower(p_target) = lower(v_caller.login) THEN 'to_self' ELSE 'ok' END;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    FOR v_row IN SELECT loginName, btrim(COALESCE(type, '')) AS kind, payMoney,
                        COALESCE(rtrim(daili), '') AS agent FROM UserInfo
                 WHERE loginName = v_caller.stored OR rtrim(loginName) = p_target
                 ORDER BY loginName FOR UPDATE LOOP
        IF v_row.loginName = v_caller.stored THEN
            v_payer_kind := v_row.kind;
            v_payer_money := v_row.payMoney;
        ELSE
            v_receiver := v_row.loginName;
            v_receiver_kind := v_row.kind;
            v_receiver_agent := v_row.agent;
        END IF;
    END LOOP;
    code := CASE WHEN v_payer_kind IS NULL THEN 'no_session'
                 WHEN v_payer_kind = '禁用' THEN 'disabled'
                 WHEN NOT kavrel_private.grants(v_payer_kind, 'administer') THEN 'not_allowed'
                 WHEN v_receiver IS NULL THEN 'no_such_account'
                 WHEN v_receiver_kind = '管理员' THEN 'to_administrator'
                 WHEN v_receiver_kind = '代理用户' THEN 'to_agent'
                 WHEN v_receiver_agent NOT IN ('', v_caller.login) THEN 'others_account' ELSE 'ok' END;
    IF v_receiver IS NOT NULL THEN
        detail := rtrim(v_receiver);
    ELSIF length(p_target) > 50 THEN
        detail := left(p_target, 50) || '…';
    END IF;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    available := v_payer_money::text;
    code := CASE WHEN v_payer_money <= 0 THEN 'no_balance'
                 WHEN v_amount >= v_payer_money THEN 'over_limit' ELSE 'ok' END;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    UPDATE UserInfo SET payMoney = payMoney - v_amount WHERE loginName = v_caller.stored;
    UPDATE UserInfo SET payMoney = payMoney + v_amount, daili = v_caller.login WHERE loginName = v_receiver;
    INSERT INTO Moneys (loginName, fullMoney, addDate, parentName) VALUES
        (v_caller.login, '-' || v_typed, kavrel_private.now_text(), v_caller.login),
        (rtrim(v_receiver), v_typed, kavrel_private.now_text(), v_caller.login);
END
$$;

-- One message part of a submission, as one unit: the caller's balance is charged (only while
-- it covers the part), its sent total raised, the Messages row and the part key written, and
-- the part announced on alert_channel(). The numbers of the opt-out list are left out of the
-- list first, unless the caller had it screened (see optout.sql). The charge is the count of numbers in the list (each
-- number followed by a comma), counted here, not taken from the client.
-- code: ok, out_of_balance, no_numbers, invalid (a key longer than 40 characters) or the
-- caller's refusal; balance and sent: the account's figures after the call; numbers: how many
-- numbers the part was written and charged for.
CREATE OR REPLACE FUNCTION kavrel_api.write_part(p_token text, p_message text, p_numbers text,
                                                 p_part_key text, OUT code text, OUT balance bigint,
                                                 OUT sent bigint, OUT numbers bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller(p_token, 'use');
    v_numbers text;
    v_count bigint;
BEGIN
    code := v_caller.code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    v_numbers := kavrel_private.without_opted_out(v_caller.login, p_numbers);
    v_count := length(COALESCE(v_numbers, '')) - length(replace(COALESCE(v_numbers, ''), ',', ''));
    numbers := v_count;
    code := CASE WHEN v_count = 0 THEN 'no_numbers'
                 WHEN length(COALESCE(p_part_key, '')) > 40 THEN 'invalid' ELSE 'ok' END;
    IF code = 'ok' THEN
        UPDATE UserInfo SET payMoney = payMoney - v_count, status = status + v_count
        WHERE loginName = v_caller.stored AND payMoney >= v_count
        RETURNING payMoney, status INTO balance, sent;
        IF NOT FOUND THEN
            code := 'out_of_balance';
        END IF;
    END IF;
    IF code <> 'ok' THEN
        SELECT payMoney, status INTO balance, sent FROM UserInfo WHERE loginName = v_caller.stored;
        RETURN;
    END IF;
    INSERT INTO Messages (loginName, message, addDate, status, CountNum)
    VALUES (v_caller.login, p_message, kavrel_private.now_text(), v_count::text, v_numbers);
    IF COALESCE(p_part_key, '') <> '' THEN
        INSERT INTO SubmittedParts (partKey, loginName, addDate)
        VALUES (p_part_key, v_caller.login, kavrel_private.now_text());
    END IF;
    PERFORM pg_notify(kavrel_api.alert_channel(), '');
END
$$;

-- After a write_part whose answer was lost: whether the caller's part of that key is in.
-- code: ok or the caller's refusal; balance and sent: the account's figures now.
CREATE OR REPLACE FUNCTION kavrel_api.part_written(p_token text, p_part_key text, OUT code text,
                                                   OUT written boolean, OUT balance bigint, OUT sent bigint)
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
    written := EXISTS (SELECT 1 FROM SubmittedParts WHERE partKey = p_part_key AND loginName = v_caller.login);
    SELECT payMoney, status INTO balance, sent FROM UserInfo WHERE loginName = v_caller.stored;
END
$$;
