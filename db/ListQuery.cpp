#include "db/ListQuery.h"

#include "db/DbGateway.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

// Batches are handed over when this many rows are ready or this much time has passed, so a
// large list appears at once and fills without flooding the window's event queue.
constexpr qsizetype kBatchRows = 2000;
constexpr qint64 kBatchMilliseconds = 40;

} // namespace

ListQuery::ListQuery(DbGateway& gateway, QObject* parent)
    : QObject(parent), m_gateway(gateway), m_generation(std::make_shared<std::atomic<quint64>>(0))
{
}

ListQuery::~ListQuery()
{
    ++*m_generation;
    for (auto& thread : m_threads)
        thread->wait();
}

void ListQuery::cancel()
{
    ++*m_generation;
    m_running = false;
}

void ListQuery::start(Walk walk)
{
    const quint64 generation = ++*m_generation;
    m_running = true;
    auto current = m_generation;
    DbGateway& gateway = m_gateway;
    QThread* thread = QThread::create([this, walk = std::move(walk), generation, current, &gateway] {
        DbThreadScope scope(gateway);
        QList<ReportRow> batch;
        QElapsedTimer sinceFlush;
        sinceFlush.start();
        const auto flush = [&] {
            if (batch.isEmpty())
                return;
            QMetaObject::invokeMethod(
                this, [this, generation, rows = std::move(batch)] { deliver(generation, rows); },
                Qt::QueuedConnection);
            batch = {};
            sinceFlush.restart();
        };
        const Sink sink = [&](ReportRow row) {
            if (*current != generation)
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
        QThread* self = QThread::currentThread();
        QMetaObject::invokeMethod(
            this, [this, generation, self, outcome] { complete(generation, self, outcome); },
            Qt::QueuedConnection);
    });
    m_threads.emplace_back(thread);
    thread->start();
}

void ListQuery::deliver(quint64 generation, const QList<ReportRow>& rows)
{
    if (generation == *m_generation)
        emit rowsReady(rows);
}

void ListQuery::complete(quint64 generation, QThread* thread, const Outcome& outcome)
{
    for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
        if (it->get() == thread) {
            (*it)->wait();
            m_threads.erase(it);
            break;
        }
    }
    if (generation != *m_generation)
        return;
    m_running = false;
    emit finished(outcome);
}
