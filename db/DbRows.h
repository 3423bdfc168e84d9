#pragma once

#include <QHash>
#include <QSqlQuery>
#include <QString>

#include <memory>

// Where the rows of a query come from: the driver's query, or a PostgreSQL connection's stream.
class DbRowSource
{
public:
    virtual ~DbRowSource() = default;
    // Moves to the next row, the first at the start; false at the end, or after a failure,
    // which error() then tells.
    virtual bool next() = 0;
    // The position of a column, whatever its case; -1 when there is none.
    virtual int column(const QString& name) const = 0;
    // A null value for NULL.
    virtual QVariant value(int column) const = 0;
    virtual QString error() const = 0;
};

// The rows of a driver's executed query.
std::unique_ptr<DbRowSource> queryRows(std::unique_ptr<QSqlQuery> query);

// The rows of one query, walked forward: while (!rows.atEnd()) { rows.text("col"); rows.next(); }
// Reading a NULL or unknown column, or a failure to move on, marks the walk failed.
class DbRows
{
public:
    DbRows() = default;
    DbRows(DbRows&&) noexcept = default;
    DbRows& operator=(DbRows&&) noexcept = default;
    ~DbRows();

    bool isOpen() const { return m_source != nullptr; }
    bool failed() const { return m_failed; }
    QString error() const { return m_error; }
    bool atEnd() const { return m_atEnd; }
    QString text(const QString& column);
    qint64 number(const QString& column);
    void next();

private:
    friend class DbGateway;
    void fail(const QString& error);
    // Takes over an executed query's rows and moves to the first.
    void start(std::unique_ptr<DbRowSource> source);

    std::unique_ptr<DbRowSource> m_source;
    bool m_atEnd = true;
    bool m_failed = true;
    QString m_error;
    // Column positions, looked up once per name: a fresh record per read copies every value
    // of the row, which made long listings slow.
    QHash<QString, int> m_columns;
};
