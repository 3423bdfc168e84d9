#include "db/ListQuery.h"

#include "common/Worker.h"
#include "db/DbGateway.h"

#include <QElapsedTimer>

namespace {

// Batches are handed over when this many rows are ready or this much time has passed, so a
// large list appears at once and fills without flooding the window's event queue.
constexpr qsizetype kBatchRows = 2000;
constexpr qint64 kBatchMilliseconds = 40;

} // namespace

ListQuery::ListQuery(DbGateway& gateway, QObject* parent)
    : QObject(parent), m_gateway(gateway), m_worker(new Worker(this, Worker::kWaitUntilDone))
{
}

void ListQuery::cancel()
{
    m_worker->cancel();
}

bool ListQuery::isRunning() const
{
    return m_worker->isRunning();
}

void ListQuery::start(Walk walk)
{
    DbGateway& gateway = m_gateway;
    m_worker->start(
        [this, &gateway, walk = std::move(walk)](const Worker::Run& run) -> std::function<void()> {
            DbThreadScope scope(gateway);
            QList<ReportRow> batch;
            QElapsedTimer sinceFlush;
            sinceFlush.start();
            const auto flush = [&] {
                if (batch.isEmpty())
                    return;
                run.deliver([this, rows = std::move(batch)] { emit rowsReady(rows); });
                batch = {};
                sinceFlush.restart();
            };
            const Sink sink = [&](ReportRow row) {
                if (run.cancelled())
                    return false;
                batch.append(std::move(row));
                if (batch.size() >= kBatchRows || sinceFlush.elapsed() >= kBatchMilliseconds)
                    flush();
                return true;
            };
            const Outcome outcome = gateway.DbOpen() ? walk(gateway, sink)
                                                     : Outcome::failure(QStringLiteral("连接错误或网络卡线!"),
                                                                        DbGateway::lastError());
            flush();
            return [this, outcome] { emit finished(outcome); };
        });
}
