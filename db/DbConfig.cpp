#include "db/DbConfig.h"

#include "common/BuildConfig.h"

#include <QDir>
#include <QUrl>

QString DbConfig::describe() const
{
    switch (backend) {
    case DbBackend::Sqlite:
        return QStringLiteral("sqlite:") + database;
    case DbBackend::Postgres:
        return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
    case DbBackend::SqlServer:
        return QStringLiteral("mssql://%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
    }
    return {};
}

QString DbConfig::odbcConnectionString() const
{
    return QStringLiteral("DRIVER={FreeTDS};SERVER=%1;PORT=%2;DATABASE=%3;UID=%4;PWD=%5;"
                          "TDS_Version=7.4;ClientCharset=UTF-8;LoginTimeout=%6")
        .arg(host)
        .arg(port)
        .arg(database, user, password)
        .arg(connectTimeoutSeconds);
}

DbConfig DbConfig::parse(const QString& address, const QString& startFolder, QString* error)
{
    DbConfig config;
    config.connectTimeoutSeconds = KAVREL_DB_CONNECT_TIMEOUT;
    const QString trimmed = address.trimmed();
    if (trimmed.startsWith(QLatin1String("sqlite:"))) {
        QString path = trimmed.mid(7);
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2);
        config.backend = DbBackend::Sqlite;
        config.database = path.isEmpty() ? QString() : QDir(startFolder).absoluteFilePath(path);
    } else {
        const QUrl url(trimmed, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("postgresql") || scheme == QLatin1String("postgres")) {
            config.backend = DbBackend::Postgres;
            config.port = url.port(5432);
        } else if (scheme == QLatin1String("mssql") || scheme == QLatin1String("sqlserver")) {
            config.backend = DbBackend::SqlServer;
            config.port = url.port(1433);
        } else {
            if (error)
                *error = QStringLiteral("无法识别的数据库地址: %1").arg(trimmed);
            return {};
        }
        config.host = url.host();
        config.user = url.userName(QUrl::FullyDecoded);
        config.password = url.password(QUrl::FullyDecoded);
        config.database = url.path(QUrl::FullyDecoded).mid(1);
    }
    if (!config.isValid() && error)
        *error = QStringLiteral("数据库地址里没有数据库名: %1").arg(trimmed);
    return config;
}

QString DbConfig::configuredAddress()
{
    const QString fromEnvironment = qEnvironmentVariable("KAVREL_DB");
    return fromEnvironment.isEmpty() ? QStringLiteral(KAVREL_DB_DEFAULT) : fromEnvironment;
}

DbConfig DbConfig::fromEnvironment(const QString& startFolder, QString* error)
{
    return parse(configuredAddress(), startFolder, error);
}
