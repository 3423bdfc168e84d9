-- The opt-out list (OptOut): numbers that asked to receive no more messages. Administrators
-- keep it; every submission is screened against it here, and write_part leaves its numbers
-- out of any list that was not screened, so no client can send to them. Lists of numbers
-- travel as one text, the numbers between commas.

-- The numbers of a list that are on the opt-out list, each once: one walk of the key for all of
-- them. Behind a subquery the planner does not see how many they are, which would make it read
-- the whole list instead.
CREATE OR REPLACE FUNCTION kavrel_private.opted_out_among(p_numbers text)
RETURNS text[] LANGUAGE sql STABLE
SET search_path = pg_catalog, public, pg_temp
AS $$
    SELECT COALESCE(array_agg(o.tel::text), '{}') FROM OptOut o
    WHERE o.tel = ANY ((SELECT string_to_array(COALESCE(p_numbers, ''), ','))::text[])
$$;

-- A number list (each number followed by a comma) without the numbers p_left_out, found by
-- name in a JSON object rather than compared one by one. The pieces keep their order, and the
-- empty one after the last comma gives the list its comma at the end again.
CREATE OR REPLACE FUNCTION kavrel_private.without_numbers(p_numbers text, p_left_out text[])
RETURNS text LANGUAGE plpgsql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_left_out jsonb := (SELECT COALESCE(jsonb_object_agg(t, true), '{}') FROM unnest(p_left_out) AS t);
BEGIN
    RETURN array_to_string(ARRAY(SELECT p FROM unnest(string_to_array(COALESCE(p_numbers, ''), ',')) AS p
                                 WHERE NOT v_left_out ? p), ',');
END
$$;

-- What a screening remembers of a list. SHA-256, not MD5: a client able to make two lists of
-- one digest could have the clean one screened and write the other.
CREATE OR REPLACE FUNCTION kavrel_private.list_digest(p_numbers text)
RETURNS bytea LANGUAGE sql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
    SELECT sha256(convert_to(COALESCE(p_numbers, ''), 'UTF8'))
$$;

-- Counts the statements that put numbers on the opt-out list, by any route: a screening is
-- good only while the count it saw stands.
CREATE OR REPLACE FUNCTION kavrel_private.opt_out_changed()
RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, kavrel_private, pg_temp
AS $$
BEGIN
    UPDATE kavrel_private.opt_out_changes SET changes = changes + 1;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS opt_out_changed ON public.OptOut;
CREATE TRIGGER opt_out_changed AFTER INSERT OR UPDATE ON public.OptOut
    FOR EACH STATEMENT EXECUTE FUNCTION kavrel_private.opt_out_changed();

-- A caller's screening of the number list it is about to write: the listed numbers of it. The
-- list without them is remembered with the change count, so that write_part need not screen
-- the parts written from it again while nothing was put on the opt-out list.
CREATE OR REPLACE FUNCTION kavrel_private.screen(p_login text, p_numbers text)
RETURNS text[] LANGUAGE plpgsql
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    -- Read before the list: a number put on it meanwhile moves the count, and write_part then
    -- screens again.
    v_changes bigint := (SELECT changes FROM kavrel_private.opt_out_changes);
    v_numbers text := COALESCE(p_numbers, '');
    v_listed text[] := kavrel_private.opted_out_among(v_numbers);
BEGIN
    DELETE FROM kavrel_private.screened_lists WHERE loginName = p_login AND at < now() - interval '1 day';
    INSERT INTO kavrel_private.screened_lists (loginName, digest, changes)
    VALUES (p_login, kavrel_private.list_digest(CASE WHEN cardinality(v_listed) = 0 THEN v_numbers
                              ELSE kavrel_private.without_numbers(v_numbers, v_listed) END), v_changes)
    ON CONFLICT (loginName, digest) DO UPDATE SET changes = EXCLUDED.changes, at = now();
    RETURN v_listed;
END
$$;

-- A part's number list without the numbers of the opt-out list: a list the caller screened goes
-- as it is while the count stands; any other list is screened here.
CREATE OR REPLACE FUNCTION kavrel_private.without_opted_out(p_login text, p_numbers text)
RETURNS text LANGUAGE plpgsql STABLE
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_listed text[];
BEGIN
    IF EXISTS (SELECT 1 FROM kavrel_private.screened_lists s, kavrel_private.opt_out_changes c
               WHERE s.loginName = p_login AND s.digest = kavrel_private.list_digest(p_numbers)
                 AND s.changes = c.changes) THEN
        RETURN p_numbers;
    END IF;
    v_listed := kavrel_private.opted_out_among(p_numbers);
    RETURN CASE WHEN cardinality(v_listed) = 0 THEN p_numbers
                ELSE kavrel_private.without_numbers(p_numbers, v_listed) END;
END
$$;

-- Numbers the list may hold: digits, 1 to 20 of them. NULL for a text that is not such a list.
CREATE OR REPLACE FUNCTION kavrel_private.opt_out_numbers(p_numbers text)
RETURNS text[] LANGUAGE plpgsql IMMUTABLE
SET search_path = pg_catalog, pg_temp
AS $$
DECLARE
    v_numbers text[] := string_to_array(COALESCE(p_numbers, ''), ',');
BEGIN
    IF COALESCE(p_numbers, '') !~ '^[0-9,]*$'
       OR EXISTS (SELECT 1 FROM unnest(v_numbers) AS n WHERE length(n) NOT BETWEEN 1 AND 20) THEN
        RETURN NULL;
    END IF;
    RETURN v_numbers;
END
$$;

-- Administrators only. code: ok (added: how many were new), invalid (nothing added) or the
-- caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.opt_out_add(p_token text, p_numbers text, OUT code text,
                                                  OUT added bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_numbers text[] := kavrel_private.opt_out_numbers(p_numbers);
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF v_numbers IS NULL THEN
        code := 'invalid';
        RETURN;
    END IF;
    INSERT INTO OptOut (tel, addDate)
    SELECT DISTINCT n, kavrel_private.now_text() FROM unnest(v_numbers) AS n
    ON CONFLICT (tel) DO NOTHING;
    GET DIAGNOSTICS added = ROW_COUNT;
END
$$;

-- Administrators only. code: ok (removed: how many were on the list), invalid or the caller's
-- refusal.
CREATE OR REPLACE FUNCTION kavrel_api.opt_out_remove(p_token text, p_numbers text, OUT code text,
                                                     OUT removed bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
DECLARE
    v_numbers text[] := kavrel_private.opt_out_numbers(p_numbers);
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code <> 'ok' THEN
        RETURN;
    END IF;
    IF v_numbers IS NULL THEN
        code := 'invalid';
        RETURN;
    END IF;
    DELETE FROM OptOut WHERE tel = ANY (v_numbers);
    GET DIAGNOSTICS removed = ROW_COUNT;
END
$$;

-- Administrators only. code: ok (total: the numbers on the list) or the caller's refusal.
CREATE OR REPLACE FUNCTION kavrel_api.opt_out_count(p_token text, OUT code text, OUT total bigint)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
BEGIN
    code := (kavrel_private.caller(p_token, 'administrator')).code;
    IF code = 'ok' THEN
        SELECT count(*) INTO total FROM OptOut;
    END IF;
END
$$;

-- The numbers of the list that begin with p_prefix (all when NULL or empty), in number order,
-- at most p_limit of them (NULL: all). Administrators only.
CREATE OR REPLACE FUNCTION kavrel_api.list_opt_out(p_token text, p_prefix text, p_limit integer)
RETURNS TABLE (tel text, addDate text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_prefix text := COALESCE(p_prefix, '');
BEGIN
    PERFORM kavrel_private.caller_or_raise(p_token, 'administrator');
    -- The range finds the prefix through the key: U+10FFFF sorts after every character.
    RETURN QUERY
        SELECT o.tel::text, COALESCE(o.addDate, '')::text FROM OptOut o
        WHERE v_prefix = '' OR (o.tel >= v_prefix AND o.tel < v_prefix || chr(1114111)
                                AND left(o.tel, length(v_prefix)) = v_prefix)
        ORDER BY o.tel LIMIT p_limit;
END
$$;

-- Which numbers of a submission's list (each number followed by a comma, as write_part will
-- get it) are on the opt-out list, so that the client can leave them out and count what remains
-- before the balance check. Every account that may submit.
CREATE OR REPLACE FUNCTION kavrel_api.opted_out(p_token text, p_numbers text)
RETURNS TABLE (tel text)
LANGUAGE plpgsql SECURITY DEFINER
SET search_path = pg_catalog, public, kavrel_private, pg_temp
AS $$
#variable_conflict use_column
DECLARE
    v_caller record := kavrel_private.caller_or_raise(p_token, 'use');
BEGIN
    RETURN QUERY SELECT unnest(kavrel_private.screen(v_caller.login, p_numbers));
END
$$;
