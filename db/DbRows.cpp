#include "db/DbRows.h"

#include "db/DbError.h"

#include <QSqlError>
#include <QSqlRecord>

namespace {

class QueryRows : public DbRowSource
{
public:
    explicit QueryRows(std::unique_ptr<QSqlQuery> query) : m_query(std::move(query)) {}
    ~QueryRows() override { m_query->finish(); }

    bool next() override { return m_query->next(); }
    int column(const QString& name) const override { return m_query->record().indexOf(name); }
    QVariant value(int column) const override { return m_query->value(column); }
    QString error() const override
    {
        return m_query->lastError().isValid() ? DbError::describe(m_query->lastError()) : QString();
    }

private:
    std::unique_ptr<QSqlQuery> m_query;
};

} // namespace

std::unique_ptr<DbRowSource> queryRows(std::unique_ptr<QSqlQuery> query)
{
    return std::make_unique<QueryRows>(std::move(query));
}

DbRows::~DbRows() = default;

void DbRows::fail(const QString& error)
{
    m_failed = true;
    m_atEnd = true;
    m_error = error;
    DbError::set(error);
}

void DbRows::start(std::unique_ptr<DbRowSource> source)
{
    m_failed = false;
    m_source = std::move(source);
    m_atEnd = !m_source->next();
    if (m_atEnd && !m_source->error().isEmpty())
        fail(m_source->error());
}

QString DbRows::text(const QString& column)
{
    if (m_failed || m_atEnd) {
        fail(m_error.isEmpty() ? QStringLiteral("no current row") : m_error);
        return {};
    }
    auto known = m_columns.constFind(column);
    if (known == m_columns.cend())
        known = m_columns.insert(column, m_source->column(column));
    const int index = *known;
    if (index < 0) {
        fail(QStringLiteral("no column %1").arg(column));
        return {};
    }
    const QVariant value = m_source->value(index);
    if (value.isNull()) {
        fail(QStringLiteral("column %1 is NULL").arg(column));
        return {};
    }
    return value.toString();
}

qint64 DbRows::number(const QString& column)
{
    return text(column).trimmed().toLongLong();
}

void DbRows::next()
{
    if (m_failed || m_atEnd)
        return;
    if (!m_source->next()) {
        const QString error = m_source->error();
        if (!error.isEmpty())
            fail(error);
        m_atEnd = true;
    }
}
