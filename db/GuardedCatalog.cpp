#include "db/GuardedSteps.h"

namespace GuardedSetup {

// Every right granted on the objects a guarded database protects, in a stable order, to tell
// whether granting and revoking changed anything.
QString rightsFingerprintSql()
{
    return QStringLiteral(
        "SELECT COALESCE(string_agg(o || ' ' || a.grantee::text || ' ' || a.privilege_type, ';' "
        "ORDER BY o, a.grantee, a.privilege_type), '') AS v FROM ("
        " SELECT c.oid::regclass::text AS o, COALESCE(c.relacl, acldefault(CASE WHEN c.relkind = 'S' "
        "THEN 's' ELSE 'r' END::\"char\", c.relowner)) AS acl FROM pg_class c WHERE c.relnamespace IN "
        "('public'::regnamespace, 'kavrel_private'::regnamespace) AND c.relkind IN ('r', 'S', 'v', 'm', 'p')"
        " UNION ALL SELECT 'schema ' || n.nspname, COALESCE(n.nspacl, acldefault('n', n.nspowner)) "
        "FROM pg_namespace n WHERE n.nspname IN ('public', 'kavrel_api', 'kavrel_private', 'kavrel_crypto')"
        " UNION ALL SELECT p.oid::regprocedure::text, COALESCE(p.proacl, acldefault('f', p.proowner)) "
        "FROM pg_proc p WHERE p.pronamespace IN ('kavrel_api'::regnamespace, 'kavrel_private'::regnamespace)"
        " UNION ALL SELECT 'database', COALESCE(d.datacl, acldefault('d', d.datdba)) FROM pg_database d "
        "WHERE d.datname = current_database()"
        " UNION ALL SELECT 'default ' || d.defaclobjtype::text, d.defaclacl FROM pg_default_acl d) objects, "
        "aclexplode(objects.acl) a");
}

// What of the guarded objects the client role can still reach, by any membership.
QString clientReachSql()
{
    return QStringLiteral(
        "SELECT COALESCE(string_agg(name, ', ' ORDER BY name), '') AS v FROM ("
        " SELECT c.oid::regclass::text AS name FROM pg_class c WHERE (c.relnamespace = "
        "'kavrel_private'::regnamespace OR c.oid = ANY (?::regclass[])) AND c.relkind IN ('r', 'p') AND "
        "has_table_privilege(?::name, c.oid, 'SELECT,INSERT,UPDATE,DELETE,TRUNCATE,REFERENCES,TRIGGER')"
        " UNION ALL SELECT s.oid::regclass::text FROM pg_class s JOIN pg_depend d ON d.objid = s.oid "
        "AND d.deptype = 'a' WHERE d.refobjid = ANY (?::regclass[]) AND CASE WHEN s.relkind = 'S' THEN "
        "has_sequence_privilege(?::name, s.oid, 'USAGE,SELECT,UPDATE') ELSE false END"
        " UNION ALL SELECT 'schema kavrel_private' WHERE has_schema_privilege(?::name, "
        "'kavrel_private'::text, "
        "'USAGE')"
        " UNION ALL SELECT 'CREATE on schema public' WHERE has_schema_privilege(?::name, 'public'::text, "
        "'CREATE')) reach");
}

} // namespace GuardedSetup
