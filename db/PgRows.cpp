#include "db/PgRows.h"

#include "db/DbError.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSqlDriver>

#include <libpq-fe.h>
#include <poll.h>

#include <vector>

namespace {

// The walk each connection of the thread is reading; every thread has connections of its own.
thread_local QHash<PGconn*, PgRows*> t_walks;

constexpr Oid kBoolType = 16;

// NULL as the driver binds it: an invalid value or a null text, bytes, date or time.
bool isNull(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDate:
        return value.toDate().isNull();
    case QMetaType::QTime:
        return value.toTime().isNull();
    case QMetaType::QDateTime:
        return value.toDateTime().isNull();
    default:
        return value.isNull();
    }
}

QByteArray textOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "true" : "false";
    case QMetaType::QByteArray:
        return "\\x" + value.toByteArray().toHex();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODateWithMs).toUtf8();
    default:
        return value.toString().toUtf8();
    }
}

// Worded as the driver words its own failures, so that a reason reads the same either way and
// its SQLSTATE is found where the driver puts it.
QSqlError errorOf(PGconn* connection, PGresult* result)
{
    QString message = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    const QString code =
        result ? QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QString();
    if (!code.isEmpty())
        message += QStringLiteral("(%1)").arg(code);
    return QSqlError(QStringLiteral("QPSQL: Unable to create query"), message,
                     result ? QSqlError::StatementError : QSqlError::ConnectionError, code);
}

// Waits until the whole of the next result has arrived; false when waitMs passed first.
bool arrived(PGconn* connection, int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (PQconsumeInput(connection) && PQisBusy(connection)) {
        const qint64 left = waitMs - clock.elapsed();
        if (left <= 0)
            return false;
        pollfd socket{PQsocket(connection), POLLIN, 0};
        ::poll(&socket, 1, static_cast<int>(left));
    }
    // A failed read shows in the result.
    return true;
}

} // namespace

namespace PgLink {

PGconn* of(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    // Qt 6 names the handle's type by the struct behind libpq's typedef.
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

bool lost(PGconn* connection)
{
    return connection && PQstatus(connection) != CONNECTION_OK;
}

bool busy(PGconn* connection)
{
    return connection && PQtransactionStatus(connection) == PQTRANS_ACTIVE;
}

} // namespace PgLink

PgRows::PgRows(PGconn* connection, const QString& sql, const QVariantList& values) : m_connection(connection)
{
    std::vector<QByteArray> texts;
    texts.reserve(values.size());
    std::vector<const char*> pointers;
    for (const QVariant& value : values) {
        if (isNull(value)) {
            pointers.push_back(nullptr);
            continue;
        }
        texts.push_back(textOf(value));
        // libpq would cut the text there; the server could not keep it anyway.
        if (texts.back().contains('\0')) {
            m_sqlError =
                QSqlError(QStringLiteral("a value holds a NUL character, which the database cannot keep"), {},
                          QSqlError::StatementError);
            m_done = true;
            return;
        }
        pointers.push_back(texts.back().constData());
    }
    const QByteArray statement = numbered(sql);
    if (!PQsendQueryParams(m_connection, statement.constData(), static_cast<int>(pointers.size()), nullptr,
                           pointers.data(), nullptr, nullptr, 0)) {
        m_sqlError = errorOf(m_connection, nullptr);
        m_done = true;
        return;
    }
    PQsetSingleRowMode(m_connection);
    t_walks.insert(m_connection, this);
}

PgRows::~PgRows()
{
    finish(!m_timedOut);
    PQclear(m_row);
}

bool PgRows::started(int waitMs)
{
    if (m_done)
        return false;
    if (waitMs >= 0 && !arrived(m_connection, waitMs)) {
        m_timedOut = true;
        m_sqlError =
            QSqlError(QStringLiteral("no answer within %1 ms").arg(waitMs), {}, QSqlError::ConnectionError);
        finish(false);
        return false;
    }
    m_held = take();
    return m_held || !m_sqlError.isValid();
}

bool PgRows::take()
{
    PQclear(m_row);
    m_row = nullptr;
    PGresult* result = m_connection ? PQgetResult(m_connection) : nullptr;
    if (!result) {
        finish(false);
        return false;
    }
    switch (PQresultStatus(result)) {
    case PGRES_SINGLE_TUPLE:
        for (int k = m_names.size(); k < PQnfields(result); ++k)
            m_names << QString::fromUtf8(PQfname(result, k));
        m_row = result;
        return true;
    case PGRES_TUPLES_OK:
    case PGRES_COMMAND_OK:
        break;
    default:
        m_sqlError = errorOf(m_connection, result);
        break;
    }
    PQclear(result);
    finish(true);
    return false;
}

void PgRows::finish(bool readRest)
{
    if (m_connection && !m_done && readRest) {
        // The commit of a statement outside a transaction comes after its own result: a failure
        // there (a deferred check, a connection ended) means nothing was kept.
        while (PGresult* rest = PQgetResult(m_connection)) {
            const ExecStatusType status = PQresultStatus(rest);
            if (!m_sqlError.isValid() && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK &&
                status != PGRES_SINGLE_TUPLE)
                m_sqlError = errorOf(m_connection, rest);
            PQclear(rest);
        }
        if (!m_sqlError.isValid() && PQstatus(m_connection) != CONNECTION_OK)
            m_sqlError = errorOf(m_connection, nullptr);
    }
    if (m_connection && t_walks.value(m_connection) == this)
        t_walks.remove(m_connection);
    m_done = true;
}

bool PgRows::next()
{
    if (m_held) {
        m_held = false;
        return true;
    }
    if (m_done) {
        PQclear(m_row);
        m_row = nullptr;
        return false;
    }
    return take();
}

int PgRows::column(const QString& name) const
{
    for (int k = 0; k < m_names.size(); ++k) {
        if (m_names.at(k).compare(name, Qt::CaseInsensitive) == 0)
            return k;
    }
    return -1;
}

QVariant PgRows::value(int column) const
{
    if (!m_row || column < 0 || column >= PQnfields(m_row) || PQgetisnull(m_row, 0, column))
        return {};
    const char* text = PQgetvalue(m_row, 0, column);
    if (PQftype(m_row, column) == kBoolType)
        return QVariant(*text == 't');
    return QString::fromUtf8(text, PQgetlength(m_row, 0, column));
}

QString PgRows::error() const
{
    return m_sqlError.isValid() ? DbError::describe(m_sqlError) : QString();
}

bool PgRows::walking(PGconn* connection)
{
    return t_walks.contains(connection);
}

void PgRows::endWalkOn(PGconn* connection)
{
    if (PgRows* walk = t_walks.value(connection))
        walk->finish(true);
}

void PgRows::forgetWalkOn(PGconn* connection)
{
    if (PgRows* walk = t_walks.take(connection)) {
        walk->m_connection = nullptr;
        walk->m_done = true;
    }
}

QByteArray PgRows::numbered(const QString& sql)
{
    QString result;
    result.reserve(sql.size() + 16);
    QChar quote;
    int mark = 0;
    for (const QChar c : sql) {
        if (quote.isNull() && c == QLatin1Char('?')) {
            result += QLatin1Char('$') + QString::number(++mark);
            continue;
        }
        if (quote.isNull() && (c == QLatin1Char('\'') || c == QLatin1Char('"')))
            quote = c;
        else if (c == quote)
            quote = QChar();
        result += c;
    }
    return result.toUtf8();
}
