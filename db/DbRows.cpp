#include "db/DbRows.h"

#include "db/DbError.h"

#include <QSqlError>
#include <QSqlRecord>

DbRows::~DbRows()
{
    if (m_query)
        m_query->finish();
}

void DbRows::fail(const QString& error)
{
    m_failed = true;
    m_atEnd = true;
    m_error = error;
    DbError::set(error);
}

void DbRows::start(std::unique_ptr<QSqlQuery> query)
{
    m_failed = false;
    m_query = std::move(query);
    m_atEnd = !m_query->next();
    if (m_atEnd && m_query->lastError().isValid())
        fail(DbError::describe(m_query->lastError()));
}

QString DbRows::text(const QString& column)
{
    if (m_failed || m_atEnd) {
        fail(m_error.isEmpty() ? QStringLiteral("no current row") : m_error);
        return {};
    }
    auto known = m_columns.constFind(column);
    if (known == m_columns.cend())
        known = m_columns.insert(column, m_query->record().indexOf(column));
    const int index = *known;
    if (index < 0) {
        fail(QStringLiteral("no column %1").arg(column));
        return {};
    }
    const QVariant value = m_query->value(index);
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
    if (!m_query->next()) {
        if (m_query->lastError().isValid())
            fail(DbError::describe(m_query->lastError()));
        m_atEnd = true;
    }
}
