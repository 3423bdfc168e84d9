#pragma once

#include <QString>

enum class DbBackend
{
    Sqlite,
    Postgres,
    SqlServer
};

// The few places where the three servers speak differently. Statements are written once with
// `?` placeholders and ask the dialect for these fragments.
class SqlDialect
{
public:
    explicit SqlDialect(DbBackend backend = DbBackend::Sqlite) : m_backend(backend) {}

    DbBackend backend() const { return m_backend; }
    // The server's current time as "YYYY-MM-DD HH:MM:SS" text.
    QString now() const;
    // Placeholder for a text that may be long (number lists, messages). SQL Server receives
    // such a parameter from ODBC as a long type that needs a cast to be compared or stored.
    QString longText() const;
    // A SELECT whose rows stay locked against other writers until the unit ends. Units that
    // lock their rows one by one in a fixed order cannot deadlock each other. SQLite needs
    // nothing: a writing unit holds the whole file from its start.
    QString selectForUpdate(const QString& columns, const QString& table, const QString& where) const;
    // Name of the Qt SQL driver.
    QString driverName() const;

private:
    DbBackend m_backend;
};
