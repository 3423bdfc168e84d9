#pragma once

#include "common/ReportModel.h"
#include "db/Outcome.h"

#include <QObject>

#include <functional>

class DbGateway;
class Worker;

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

    void start(Walk walk);
    // Drops whatever the running query still delivers.
    void cancel();
    bool isRunning() const;

signals:
    void rowsReady(const QList<ReportRow>& rows);
    // The last batch has been delivered before this.
    void finished(const Outcome& outcome);

private:
    DbGateway& m_gateway;
    // Waits for its queries when the page goes: they run on the page's gateway.
    Worker* m_worker = nullptr;
};
