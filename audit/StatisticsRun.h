#pragma once

#include "audit/NumberStatistics.h"
#include "db/DbConfig.h"
#include "db/Outcome.h"

#include <QObject>

#include <memory>

class DbGateway;
class Worker;

// What one statistics run found.
struct StatisticsOutcome
{
    Outcome outcome;    // a failed read of the batch
    bool found = false; // the batch's row still exists
    QString numberList; // its stored list, as read
    NumberStatistics::Result result;
    qint64 elapsedSeconds = 0; // whole seconds since the run was started
};

// Reads one batch's number list by id on a worker thread and counts it there; captions,
// progress and the result come back through queued calls. One run at a time per object: a new
// start drops what the older run still delivers. A run uses a gateway of its own on the same
// database, so that one left behind by a closed window, stuck in a read until the read's time
// limit, depends on nothing of the window.
class StatisticsRun : public QObject
{
    Q_OBJECT
public:
    enum class Source
    {
        Waiting, // Messages.CountNum
        Audited  // UserRecv.tel
    };
    enum class Mode
    {
        Count,   // first occurrences and repeats
        ListOnly // every number as it is
    };

    explicit StatisticsRun(DbGateway& gateway, QObject* parent = nullptr);
    ~StatisticsRun() override;

    // The two pauses that let the user read the first captions; 500 ms each by default.
    void setCaptionPause(int milliseconds) { m_pauseMs = milliseconds; }
    void start(Source source, Mode mode, qint64 id);
    bool isRunning() const;

    static QString connectingCaption() { return QStringLiteral("连接服务器...."); }
    static QString receivingCaption() { return QStringLiteral("接收数据计算中..."); }
    static QString checkingCaption() { return QStringLiteral("检测不重复号码..."); }

signals:
    void captionChanged(const QString& caption);
    void progressed(const NumberStatistics::Progress& progress);
    void finished(const StatisticsOutcome& outcome);

private:
    const DbConfig m_config;
    // The route and login of the window's gateway, which the run's own gateway acts with.
    std::shared_ptr<DbGateway> m_route;
    int m_pauseMs = 500;
    Worker* m_worker = nullptr;
};
