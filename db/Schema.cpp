#include "db/Schema.h"

#include "db/DbGateway.h"
#include "db/SqlScript.h"

#include <QFile>

// The DDL is compiled into the static core library; its resources need an explicit start.
static void initSchemaResource()
{
    Q_INIT_RESOURCE(schema);
}

namespace Schema {

QStringList statements(DbBackend backend)
{
    initSchemaResource();
    const char* name = backend == DbBackend::Sqlite     ? ":/schema/sqlite.sql"
                       : backend == DbBackend::Postgres ? ":/schema/postgres.sql"
                                                        : ":/schema/mssql.sql";
    QFile file(QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return SqlScript::split(QString::fromUtf8(file.readAll()));
}

bool create(DbGateway& gateway, QString* error)
{
    const QStringList ddl = statements(gateway.config().backend);
    const bool ok = !ddl.isEmpty() && gateway.transaction([&] {
        for (const QString& statement : ddl) {
            if (!gateway.DbExecute(statement))
                return false;
        }
        return true;
    });
    if (!ok && error)
        *error = DbGateway::lastError();
    return ok;
}

bool needsFirstAdministrator(DbGateway& gateway)
{
    if (gateway.guarded()) {
        DbRows rows =
            gateway.DbQuery(QStringLiteral("SELECT kavrel_api.needs_first_administrator()::text AS v"));
        return !rows.atEnd() && rows.text(QStringLiteral("v")) == QStringLiteral("true");
    }
    DbRows rows = gateway.DbQuery(QStringLiteral("SELECT COUNT(*) AS accounts FROM UserInfo"));
    return !rows.failed() && !rows.atEnd() && rows.number(QStringLiteral("accounts")) == 0;
}

} // namespace Schema
