#pragma once

#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <memory>

// The rows of one query, walked forward: while (!rows.atEnd()) { rows.text("col"); rows.next(); }
// Reading a NULL or unknown column, or a failure to move on, marks the walk failed.
class DbRows
{
public:
    DbRows() = default;
    DbRows(DbRows&&) noexcept = default;
    DbRows& operator=(DbRows&&) noexcept = default;
    ~DbRows();

    bool isOpen() const { return m_query != nullptr; }
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    bool atEnd() const { return m_atEnd; }
    QString text(const QString& column);
    qint64 number(const QString& column);
    void next();

private:
    friend class DbGateway;
    void fail(const QString& error);
    // Takes over an executed query and moves to its first row.
    void start(std::unique_ptr<QSqlQuery> query);

    std::unique_ptr<QSqlQuery> m_query;
    bool m_atEnd = true;
    bool m_failed = true;
    QString m_error;
    // Column positions, looked up once per name: a fresh record per read copies every value
    // of the row, which made long listings slow.
    QHash<QString, int> m_columns;
};
