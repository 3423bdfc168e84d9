#include "db/SqlDialect.h"

QString SqlDialect::now() const
{
    switch (m_backend) {
    case DbBackend::Sqlite:
        return QStringLiteral("strftime('%Y-%m-%d %H:%M:%S','now','localtime')");
    case DbBackend::Postgres:
        return QStringLiteral("to_char(localtimestamp,'YYYY-MM-DD HH24:MI:SS')");
    case DbBackend::SqlServer:
        return QStringLiteral("convert(varchar(100),getdate(),120)");
    }
    return {};
}

QString SqlDialect::longText() const
{
    return m_backend == DbBackend::SqlServer ? QStringLiteral("CAST(? AS nvarchar(max))")
                                             : QStringLiteral("?");
}

QString SqlDialect::selectForUpdate(const QString& columns, const QString& table, const QString& where) const
{
    switch (m_backend) {
    case DbBackend::Sqlite:
        break;
    case DbBackend::Postgres:
        return QStringLiteral("SELECT %1 FROM %2 WHERE %3 FOR UPDATE").arg(columns, table, where);
    case DbBackend::SqlServer:
        return QStringLiteral("SELECT %1 FROM %2 WITH (UPDLOCK, ROWLOCK) WHERE %3")
            .arg(columns, table, where);
    }
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(columns, table, where);
}

QString SqlDialect::driverName() const
{
    switch (m_backend) {
    case DbBackend::Sqlite:
        return QStringLiteral("QSQLITE");
    case DbBackend::Postgres:
        return QStringLiteral("QPSQL");
    case DbBackend::SqlServer:
        return QStringLiteral("QODBC");
    }
    return {};
}
