#pragma once

#include "common/ReportModel.h"
#include "db/Outcome.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <list>
#include <memory>

class DbGateway;
class QThread;

// Runs a page's list query on a worker thread, on that thread's own connection, and hands the
// rows back in batches through queued signals. Starting a query supersedes the one running:
// the old one stops at its next row and nothing more of it reaches the page.
class ListQuery : public QObject
{
    Q_OBJECT
public:
    // Receives each row; false means the query was superseded and the walk should stop.
    using Sink = std::function<bool(ReportRow)>;
    // Walks the rows of one query into the sink. A failure returns its message.
    using Walk = std::function<Outcome(DbGateway&, const Sink&)>;

    explicit ListQuery(DbGateway& gateway, QObject* parent = nullptr);
    ~ListQuery() override;

    void start(Walk walk);
    // Drops whatever the running query still delivers.
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void rowsReady(const QList<ReportRow>& rows);
    // The last batch has been delivered before this.
    void finished(const Outcome& outcome);

private:
    void deliver(quint64 generation, const QList<ReportRow>& rows);
    void complete(quint64 generation, QThread* thread, const Outcome& outcome);

    DbGateway& m_gateway;
    std::shared_ptr<std::atomic<quint64>> m_generation;
    std::list<std::unique_ptr<QThread>> m_threads;
    bool m_running = false;
};
