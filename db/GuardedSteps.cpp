#include "db/GuardedSteps.h"

#include "db/DbGateway.h"
#include "db/GuardedApi.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <optional>

namespace GuardedSetup {
namespace {

const QString kOwner = GuardedApi::kOwnerRole;
constexpr int kPrivateTables = 6;

// The steps of one guarding, inside one unit on the set-up's connection.
class Conversion
{
public:
    Conversion(DbGateway& gateway, const QString& clientRole, const Say& say)
        : m_db(gateway), m_client(clientRole), m_say(say)
    {
    }

    bool run();
    bool changed() const { return m_changed; }
    QString error() const { return m_error; }

private:
    bool ownerRole();
    bool clientRole();
    bool hiddenStatements();
    bool crypto();
    bool schemas();
    bool tableOwner();
    bool privateTables();
    bool functions();
    bool passwords();
    bool rights();
    bool clientReachesNothing();

    bool exec(const QString& sql, const QVariantList& values = {});
    std::optional<QString> value(const QString& sql, const QVariantList& values = {});
    bool fail(const QString& message)
    {
        m_error = message;
        return false;
    }
    void tell(bool changed, const QString& line)
    {
        m_changed = m_changed || changed;
        if (m_say)
            m_say(line);
    }

    DbGateway& m_db;
    const QString m_client;
    const Say& m_say;
    QString m_crypto; // pgcrypto's schema, quoted
    bool m_changed = false;
    QString m_error;
};

bool Conversion::exec(const QString& sql, const QVariantList& values)
{
    if (m_db.DbExecute(sql, values))
        return true;
    m_error = DbGateway::lastError();
    return false;
}

// The column "v" of the first row.
std::optional<QString> Conversion::value(const QString& sql, const QVariantList& values)
{
    DbRows rows = m_db.DbQuery(sql, values);
    QString text = rows.atEnd() ? QString() : rows.text(QStringLiteral("v"));
    if (rows.failed() || rows.atEnd()) {
        m_error = rows.failed() ? rows.error() : QStringLiteral("no row: %1").arg(sql);
        return std::nullopt;
    }
    return text;
}

bool Conversion::run()
{
    // Two set-ups of one database wait for each other; the steps' own lines say what happened.
    return exec(QStringLiteral("SELECT pg_advisory_xact_lock(7385120)")) &&
           exec(QStringLiteral("SET LOCAL client_min_messages = warning")) && ownerRole() && clientRole() &&
           crypto() && schemas() && tableOwner() && privateTables() && functions() && passwords() &&
           rights() && clientReachesNothing();
}

bool Conversion::ownerRole()
{
    const auto state = value(QStringLiteral("SELECT COALESCE((SELECT rolcanlogin::text FROM pg_roles WHERE "
                                            "rolname = '%1'), 'missing') AS v")
                                 .arg(kOwner));
    if (!state)
        return false;
    if (*state == QStringLiteral("missing")) {
        // Roles belong to the whole server: another database's set-up may be making it now.
        if (!exec(QStringLiteral("DO $$BEGIN CREATE ROLE %1 NOLOGIN; EXCEPTION WHEN duplicate_object OR "
                                 "unique_violation THEN NULL; END$$")
                      .arg(kOwner)))
            return false;
        tell(true, QStringLiteral("已创建角色 %1:不能登录,拥有表和函数").arg(kOwner));
    } else if (*state == QStringLiteral("true")) {
        if (!exec(QStringLiteral("ALTER ROLE %1 NOLOGIN").arg(kOwner)))
            return false;
        tell(true, QStringLiteral("已禁止以角色 %1 登录").arg(kOwner));
    } else {
        tell(false, QStringLiteral("角色 %1 已存在").arg(kOwner));
    }
    return true;
}

bool Conversion::clientRole()
{
    static const QRegularExpression simple(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    if (!simple.match(m_client).hasMatch() || m_client == kOwner)
        return fail(QStringLiteral("客户端登录角色名只能用小写英文字母、数字和下划线,且不能是 %1: %2")
                        .arg(kOwner, m_client));
    const auto exists =
        value(QStringLiteral("SELECT COUNT(*)::text AS v FROM pg_roles WHERE rolname = ?"), {m_client});
    if (!exists)
        return false;
    if (*exists == QStringLiteral("0")) {
        if (!exec(QStringLiteral("DO $$BEGIN CREATE ROLE %1 LOGIN; EXCEPTION WHEN duplicate_object OR "
                                 "unique_violation THEN NULL; END$$")
                      .arg(m_client)))
            return false;
        tell(true, QStringLiteral("已创建客户端登录角色 %1;它还没有密码,请用 ALTER ROLE %1 PASSWORD '…' 设置")
                       .arg(m_client));
    } else {
        tell(false, QStringLiteral("客户端登录角色 %1 已存在").arg(m_client));
    }
    const auto reason =
        value(QStringLiteral("SELECT CASE WHEN r.rolname = current_user THEN 'setup' "
                             "WHEN r.rolsuper OR r.rolcreaterole THEN 'powerful' "
                             "WHEN pg_has_role(r.oid, '%1', 'MEMBER') THEN 'owner' "
                             "WHEN d.datdba = r.oid OR n.nspowner = r.oid THEN 'database' ELSE '' END AS v "
                             "FROM pg_roles r, pg_database d, pg_namespace n WHERE r.rolname = ? AND "
                             "d.datname = current_database() AND n.nspname = 'public'")
                  .arg(kOwner),
              {m_client});
    if (!reason)
        return false;
    if (*reason == QStringLiteral("setup"))
        return fail(QStringLiteral("客户端登录角色不能是运行设置的角色 %1 本身").arg(m_client));
    if (*reason == QStringLiteral("powerful"))
        return fail(QStringLiteral("角色 %1 是超级用户或能创建角色,不能作为客户端的登录").arg(m_client));
    if (*reason == QStringLiteral("owner"))
        return fail(QStringLiteral("角色 %1 属于 %2,能以表和函数的所有者行事,不能作为客户端的登录")
                        .arg(m_client, kOwner));
    if (*reason == QStringLiteral("database"))
        return fail(
            QStringLiteral("角色 %1 拥有这个数据库或它的 public 模式,能删除全部数据,不能作为客户端的登录")
                .arg(m_client));
    return hiddenStatements();
}

// Every client shares the login role, and a role sees its own sessions' statements in
// pg_stat_activity, in every database: the passwords and tokens in other clients' calls.
bool Conversion::hiddenStatements()
{
    const auto hidden =
        value(QStringLiteral("SELECT COUNT(*)::text AS v FROM pg_db_role_setting s JOIN pg_roles r ON "
                             "r.oid = s.setrole WHERE r.rolname = ? AND s.setdatabase = 0 AND "
                             "'track_activities=off' = ANY (s.setconfig)"),
              {m_client});
    if (!hidden)
        return false;
    if (*hidden != QStringLiteral("0")) {
        tell(false, QStringLiteral("%1 的语句已不在 pg_stat_activity 中显示").arg(m_client));
        return true;
    }
    if (!exec(QStringLiteral("ALTER ROLE %1 SET track_activities = off").arg(m_client)))
        return false;
    tell(true, QStringLiteral("已让 %1 的语句不在 pg_stat_activity 中显示(其中有其他客户端的密码和令牌)")
                   .arg(m_client));
    return true;
}

bool Conversion::crypto()
{
    const auto schema = value(QStringLiteral(
        "SELECT COALESCE((SELECT n.nspname::text FROM pg_extension e JOIN pg_namespace n ON n.oid = "
        "e.extnamespace WHERE e.extname = 'pgcrypto'), '') AS v"));
    if (!schema)
        return false;
    if (schema->isEmpty()) {
        if (!exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS kavrel_crypto AUTHORIZATION %1").arg(kOwner)) ||
            !exec(QStringLiteral("CREATE EXTENSION pgcrypto SCHEMA kavrel_crypto")))
            return false;
        m_crypto = QStringLiteral("kavrel_crypto");
        tell(true, QStringLiteral("已安装扩展 pgcrypto(模式 kavrel_crypto)"));
        return true;
    }
    const auto quoted = value(QStringLiteral("SELECT quote_ident(?) AS v"), {*schema});
    if (!quoted)
        return false;
    m_crypto = *quoted;
    tell(false, QStringLiteral("扩展 pgcrypto 已安装(模式 %1)").arg(*schema));
    return exec(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(m_crypto, kOwner));
}

bool Conversion::schemas()
{
    int changed = 0;
    for (const QString schema : {QStringLiteral("kavrel_api"), QStringLiteral("kavrel_private")}) {
        const auto owner =
            value(QStringLiteral("SELECT COALESCE((SELECT pg_get_userbyid(nspowner)::text FROM "
                                 "pg_namespace WHERE nspname = ?), '') AS v"),
                  {schema});
        if (!owner)
            return false;
        if (*owner == kOwner)
            continue;
        ++changed;
        if (!exec(owner->isEmpty() ? QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %2").arg(schema, kOwner)
                                   : QStringLiteral("ALTER SCHEMA %1 OWNER TO %2").arg(schema, kOwner)))
            return false;
    }
    tell(changed > 0, changed > 0 ? QStringLiteral("已建立模式 kavrel_api(接口函数)和 kavrel_private(会话、"
                                                   "密码散列、设置),归 %1 所有")
                                        .arg(kOwner)
                                  : QStringLiteral("模式 kavrel_api 和 kavrel_private 已存在"));
    return exec(QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(kOwner));
}

bool Conversion::tableOwner()
{
    int moved = 0;
    for (const QString& table : serviceTables()) {
        const auto owner =
            value(QStringLiteral("SELECT COALESCE((SELECT pg_get_userbyid(relowner)::text FROM "
                                 "pg_class WHERE oid = to_regclass(?)), '') AS v"),
                  {QStringLiteral("public.") + table});
        if (!owner)
            return false;
        if (owner->isEmpty())
            return fail(QStringLiteral("public 模式中没有表 %1;请先用 kavrel-setup 建表").arg(table));
        if (*owner == kOwner)
            continue;
        ++moved;
        // Its sequences and indexes go with it.
        if (!exec(QStringLiteral("ALTER TABLE public.%1 OWNER TO %2").arg(table, kOwner)))
            return false;
    }
    tell(moved > 0, moved > 0 ? QStringLiteral("已把 %1 张表转给 %2").arg(moved).arg(kOwner)
                              : QStringLiteral("表已归 %1 所有").arg(kOwner));
    return true;
}

bool Conversion::privateTables()
{
    const auto before = value(QStringLiteral("SELECT COUNT(*)::text AS v FROM pg_tables WHERE schemaname = "
                                             "'kavrel_private'"));
    if (!before || !exec(QStringLiteral("SET LOCAL ROLE %1").arg(kOwner)))
        return false;
    for (const QString& statement : layoutStatements()) {
        if (!exec(statement))
            return false;
    }
    const bool created = before->toInt() < kPrivateTables;
    tell(created, created ? QStringLiteral("已建立会话、密码散列、登录失败、设置和退订核对表")
                          : QStringLiteral("会话、密码散列、登录失败、设置和退订核对表已存在"));
    return exec(QStringLiteral("RESET ROLE"));
}

bool Conversion::functions()
{
    const QStringList statements = functionStatements(m_crypto);
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(statements.join(QStringLiteral("\n;\n")).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex());
    const auto loaded = value(QStringLiteral(
        "SELECT CASE WHEN to_regprocedure('kavrel_api.api_version()') IS NULL THEN '' ELSE COALESCE((SELECT "
        "value FROM kavrel_private.settings WHERE name = 'api_digest'), '') END AS v"));
    if (!loaded)
        return false;
    if (*loaded == digest) {
        tell(false, QStringLiteral("接口函数已是最新,未改动"));
        return true;
    }
    // Functions are owned by the owner role; old ones go first, so none outlives its file.
    if (!exec(QStringLiteral("SET LOCAL ROLE %1").arg(kOwner)) ||
        !exec(QStringLiteral("DO $$DECLARE f regprocedure; BEGIN FOR f IN SELECT oid::regprocedure FROM "
                             "pg_proc WHERE pronamespace IN ('kavrel_api'::regnamespace, "
                             "'kavrel_private'::regnamespace) LOOP EXECUTE 'DROP FUNCTION IF EXISTS ' || "
                             "f::text || ' CASCADE'; END LOOP; END$$")))
        return false;
    for (const QString& statement : statements) {
        if (!exec(statement))
            return false;
    }
    const auto count = value(QStringLiteral("SELECT COUNT(*)::text AS v FROM pg_proc WHERE pronamespace = "
                                            "'kavrel_api'::regnamespace"));
    if (!count ||
        !exec(QStringLiteral("INSERT INTO kavrel_private.settings (name, value) VALUES ('api_digest', ?) "
                             "ON CONFLICT (name) DO UPDATE SET value = EXCLUDED.value"),
              {digest}) ||
        !exec(QStringLiteral("RESET ROLE")))
        return false;
    tell(true, QStringLiteral("已载入 %1 个接口函数(第 %2 版)").arg(*count).arg(GuardedApi::kVersion));
    return true;
}

bool Conversion::passwords()
{
    const auto plain = value(
        QStringLiteral("SELECT COUNT(*)::text AS v FROM public.userinfo WHERE COALESCE(pwd, '') <> ''"));
    if (!plain)
        return false;
    if (plain->toLongLong() == 0) {
        tell(false, QStringLiteral("没有明文密码需要散列"));
        return true;
    }
    // The UserInfo trigger hashes each password it sees written and empties pwd.
    const auto cost = value(QStringLiteral("SELECT kavrel_private.bcrypt_cost()::text AS v"));
    if (!cost || !exec(QStringLiteral("UPDATE public.userinfo SET pwd = pwd WHERE COALESCE(pwd, '') <> ''")))
        return false;
    tell(true, QStringLiteral("已把 %1 个帐号的明文密码换成 bcrypt 散列(强度 %2),UserInfo.pwd 已清空")
                   .arg(*plain, *cost));
    return true;
}

bool Conversion::rights()
{
    const auto database = value(QStringLiteral("SELECT quote_ident(current_database()) AS v"));
    const auto before = value(rightsFingerprintSql());
    if (!database || !before)
        return false;
    const QString c = m_client;
    QStringList statements = {
        QStringLiteral("REVOKE ALL ON SCHEMA public, kavrel_api, kavrel_private FROM PUBLIC, %1").arg(c),
        QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(kOwner),
        QStringLiteral("GRANT USAGE ON SCHEMA kavrel_api TO %1").arg(c),
        QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA public, kavrel_private FROM %1").arg(c),
        QStringLiteral("REVOKE ALL ON ALL SEQUENCES IN SCHEMA public, kavrel_private FROM PUBLIC, %1").arg(c),
        QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA kavrel_private FROM PUBLIC"),
        QStringLiteral("REVOKE ALL ON ALL FUNCTIONS IN SCHEMA kavrel_api, kavrel_private FROM PUBLIC, %1")
            .arg(c),
        QStringLiteral("GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA kavrel_api TO %1").arg(c),
        QStringLiteral("ALTER DEFAULT PRIVILEGES FOR ROLE %1 REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC")
            .arg(kOwner),
        QStringLiteral("REVOKE CREATE, TEMPORARY ON DATABASE %1 FROM PUBLIC, %2").arg(*database, c)};
    for (const QString& table : serviceTables())
        statements << QStringLiteral("REVOKE ALL ON TABLE public.%1 FROM PUBLIC").arg(table);
    if (m_crypto == QStringLiteral("kavrel_crypto"))
        statements << QStringLiteral("REVOKE ALL ON SCHEMA kavrel_crypto FROM PUBLIC, %1").arg(c);
    for (const QString& statement : std::as_const(statements)) {
        if (!exec(statement))
            return false;
    }
    const auto after = value(rightsFingerprintSql());
    if (!after)
        return false;
    tell(*before != *after,
         *before != *after
             ? QStringLiteral(
                   "已收回 PUBLIC 和 %1 对表、序列、模式和数据库的权限;%1 只能执行 kavrel_api 的函数")
                   .arg(c)
             : QStringLiteral("权限已是受保护的设置,未改动"));
    return true;
}

bool Conversion::clientReachesNothing()
{
    QStringList tables;
    for (const QString& table : serviceTables())
        tables << QStringLiteral("public.") + table;
    const QString list = QLatin1Char('{') + tables.join(QLatin1Char(',')) + QLatin1Char('}');
    const auto reach = value(clientReachSql(), {list, m_client, list, m_client, m_client, m_client});
    if (!reach)
        return false;
    if (!reach->isEmpty())
        return fail(QStringLiteral("角色 %1 仍能使用 %2(可能经由它所属的其他角色);请收回这些权限后再运行")
                        .arg(m_client, *reach));
    return true;
}

} // namespace

bool runSteps(DbGateway& gateway, const QString& clientRole, const Say& say, bool* changed, QString* error)
{
    Conversion conversion(gateway, clientRole, say);
    const bool ok = conversion.run();
    *changed = conversion.changed();
    *error = conversion.error();
    return ok;
}

} // namespace GuardedSetup
