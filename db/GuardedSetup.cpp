#include "db/GuardedSetup.h"

#include "db/DbGateway.h"
#include "db/GuardedApi.h"
#include "db/GuardedSteps.h"
#include "db/Schema.h"
#include "db/SqlScript.h"

#include <QFile>
#include <QRegularExpression>

// The scripts are compiled into the static core library; its resources need an explicit start.
static void initGuardedResource()
{
    Q_INIT_RESOURCE(schema);
}

namespace GuardedSetup {
namespace {

const QStringList kFunctionFiles = {
    QStringLiteral("private"), QStringLiteral("login"), QStringLiteral("accounts"), QStringLiteral("balance"),
    QStringLiteral("records"), QStringLiteral("lists"), QStringLiteral("optout")};

QString readScript(const QString& name)
{
    initGuardedResource();
    QFile file(QStringLiteral(":/schema/guarded/%1.sql").arg(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

QStringList serviceTables()
{
    static const QRegularExpression create(QStringLiteral("CREATE TABLE IF NOT EXISTS (\\w+)"));
    QStringList names;
    for (const QString& statement : Schema::statements(DbBackend::Postgres)) {
        const QRegularExpressionMatch match = create.match(statement);
        if (match.hasMatch())
            names << match.captured(1).toLower();
    }
    return names;
}

QStringList layoutStatements()
{
    return SqlScript::split(readScript(QStringLiteral("layout")));
}

QStringList functionStatements(const QString& cryptoSchema)
{
    QStringList statements;
    for (const QString& name : kFunctionFiles)
        statements << SqlScript::split(readScript(name).replace(QStringLiteral("@crypto@"), cryptoSchema));
    return statements;
}

bool isGuarded(DbGateway& gateway)
{
    if (gateway.config().backend != DbBackend::Postgres)
        return false;
    DbRows rows = gateway.DbQuery(GuardedApi::probe());
    return !rows.atEnd() && rows.text(QStringLiteral("guarded")) == QStringLiteral("true");
}

bool isNew(DbGateway& gateway)
{
    const QString list = QLatin1Char('{') + serviceTables().join(QLatin1Char(',')) + QLatin1Char('}');
    DbRows rows =
        gateway.DbQuery(QStringLiteral("SELECT COUNT(*) AS n FROM pg_tables WHERE schemaname = 'public' "
                                       "AND tablename = ANY (?::name[])"),
                        {list});
    return !rows.atEnd() && rows.number(QStringLiteral("n")) == 0 && !rows.failed();
}

Result guard(DbGateway& gateway, const QString& clientRole, const Say& say)
{
    Result result;
    if (gateway.config().backend != DbBackend::Postgres) {
        result.error = QStringLiteral("受保护的布局只适用于 PostgreSQL 数据库");
        return result;
    }
    bool changed = false;
    QString error;
    result.ok = gateway.transaction([&] { return runSteps(gateway, clientRole, say, &changed, &error); });
    result.changed = result.ok && changed;
    if (!result.ok) {
        result.error = error.isEmpty() ? DbGateway::lastError() : error;
        if (DbGateway::lastCommitUnknown())
            result.error += QStringLiteral("\n提交时连接中断,无法确认是否已完成;请再运行一次以查看");
    }
    return result;
}

} // namespace GuardedSetup
