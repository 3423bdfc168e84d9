#pragma once

#include <QString>

#include <functional>

class DbGateway;

// A time limit on reads that a stalled server (a lock held elsewhere, an overloaded host)
// would otherwise keep waiting forever. PostgreSQL cancels the statement at the limit; SQL
// Server gives up waiting for a lock; SQLite readers never wait for writers and its busy wait
// is already bounded by the connection.
namespace ServerRead {

// Long enough for the largest number list over a slow line, short enough that a staff member
// is told instead of left waiting.
inline constexpr int kLimitSeconds = 30;

int limitMs();
// Tests shorten the limit; 0 or less restores the default.
void setLimitMs(int milliseconds);

// Shown when the server did not answer within the limit.
QString timedOutText();

// Applies the limit inside the calling thread's unit: to the rest of the unit on PostgreSQL,
// to the connection on SQL Server (undone by lift). False when the server refused it.
bool limit(DbGateway& gateway);
void lift(DbGateway& gateway);

struct Reads
{
    bool ok = false;
    bool timedOut = false;
    QString error; // the database's reason of a failure
};
// Runs reads under the limit: inside a unit of their own where the server needs one for it.
Reads within(DbGateway& gateway, const std::function<bool()>& reads);

// Whether a failure that took elapsedMs was the limit at work.
bool timedOut(const QString& error, qint64 elapsedMs);

} // namespace ServerRead
