#pragma once

#include "db/DbRows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QVariantList>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

// The libpq connection under a driver's PostgreSQL connection.
namespace PgLink {
// Null for any other driver or a closed connection.
PGconn* of(const QSqlDatabase& db);
// Whether libpq knows the connection to be gone, which the driver only learns from a failure.
bool lost(PGconn* connection);
// Whether a statement still reads its answer on it.
bool busy(PGconn* connection);
} // namespace PgLink

// A statement with bound values sent to PostgreSQL in one round trip, its rows read as they
// arrive. The driver takes three for such a statement (it prepares, executes and frees a named
// one), which a network of some latency makes the larger part of a short call's time.
//
// One walk per connection: a statement sent while a walk is open ends that walk first, as the
// driver does with its own queries.
class PgRows : public DbRowSource
{
public:
    // Sends sql, whose values are marked with ?, on connection, which must be idle.
    PgRows(PGconn* connection, const QString& sql, const QVariantList& values);
    ~PgRows() override;
    PgRows(const PgRows&) = delete;
    PgRows& operator=(const PgRows&) = delete;

    // Waits for the answer to begin: false when the statement failed (sqlError()), or when
    // waitMs (unless negative) passed first, after which the connection can take no statement.
    bool started(int waitMs = -1);
    bool timedOut() const { return m_timedOut; }
    QSqlError sqlError() const { return m_sqlError; }

    bool next() override;
    int column(const QString& name) const override;
    QVariant value(int column) const override;
    QString error() const override;

    // Whether a statement of this thread still reads its rows from connection.
    static bool walking(PGconn* connection);
    // Ends such a walk, reading what is left of its answer, before the connection is used again.
    static void endWalkOn(PGconn* connection);
    // Forgets such a walk without reading on: the connection is about to be closed.
    static void forgetWalkOn(PGconn* connection);

    // ? marks as $1, $2, ..., outside quoted texts and names.
    static QByteArray numbered(const QString& sql);

private:
    bool failWith(PGresult* result);
    // Takes the next result; false at the end of the answer.
    bool take();
    void finish(bool readRest);

    PGconn* m_connection;
    PGresult* m_row = nullptr;
    bool m_held = false; // m_row is the first row, not yet handed out
    bool m_done = false;
    bool m_timedOut = false;
    QSqlError m_sqlError;
    QStringList m_names;
};
