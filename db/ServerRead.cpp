#include "db/ServerRead.h"

#include "db/DbGateway.h"

#include <QElapsedTimer>

#include <atomic>

namespace ServerRead {
namespace {

std::atomic<int> g_limitMs{kLimitSeconds * 1000};

} // namespace

int limitMs()
{
    return g_limitMs;
}

void setLimitMs(int milliseconds)
{
    g_limitMs = milliseconds > 0 ? milliseconds : kLimitSeconds * 1000;
}

QString timedOutText()
{
    const int seconds = (limitMs() + 999) / 1000;
    return QStringLiteral("提示: 数据库服务器%1秒内没有回应,已停止等待,没有做任何改动,请稍后再试!")
        .arg(seconds);
}

bool limit(DbGateway& gateway)
{
    switch (gateway.dialect().backend()) {
    case DbBackend::Postgres:
        return gateway.DbExecute(QStringLiteral("SELECT set_config('statement_timeout', ?, true)"),
                                 {QString::number(limitMs())});
    case DbBackend::SqlServer:
        // SET takes no bound values; the number is the program's own.
        return gateway.DbExecute(QStringLiteral("SET LOCK_TIMEOUT %1").arg(limitMs()));
    case DbBackend::Sqlite:
        break;
    }
    return true;
}

void lift(DbGateway& gateway)
{
    if (gateway.dialect().backend() == DbBackend::SqlServer)
        gateway.DbExecute(QStringLiteral("SET LOCK_TIMEOUT -1"));
}

Reads within(DbGateway& gateway, const std::function<bool()>& reads)
{
    QElapsedTimer clock;
    clock.start();
    Reads result;
    // An SQLite unit would take the write lock; its readers need no limit.
    if (gateway.dialect().backend() == DbBackend::Sqlite)
        result.ok = reads();
    else
        result.ok = gateway.transaction([&] { return limit(gateway) && reads(); });
    if (!result.ok) {
        result.error = DbGateway::lastError();
        result.timedOut = timedOut(result.error, clock.elapsed());
    }
    lift(gateway);
    return result;
}

bool timedOut(const QString& error, qint64 elapsedMs)
{
    // PostgreSQL's statement and lock time-outs by their codes, whatever the server's language.
    if (error.contains(QStringLiteral("57014")) || error.contains(QStringLiteral("55P03")))
        return true;
    return elapsedMs >= limitMs();
}

} // namespace ServerRead
