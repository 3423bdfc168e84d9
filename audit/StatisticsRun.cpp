#include "audit/StatisticsRun.h"

#include "common/Worker.h"
#include "db/DbGateway.h"
#include "db/RecordStatements.h"

#include <QElapsedTimer>

StatisticsRun::StatisticsRun(DbGateway& gateway, QObject* parent)
    : QObject(parent), m_config(gateway.config()), m_route(std::make_shared<DbGateway>(gateway.config())),
      m_worker(new Worker(this))
{
    m_route->shareSession(gateway);
}

StatisticsRun::~StatisticsRun() = default;

bool StatisticsRun::isRunning() const
{
    return m_worker->isRunning();
}

void StatisticsRun::start(Source source, Mode mode, qint64 id)
{
    const int pauseMs = m_pauseMs;
    const DbConfig config = m_config;
    const std::shared_ptr<const DbGateway> route = m_route;
    QElapsedTimer clock;
    clock.start();
    m_worker->start([=, this](const Worker::Run& run) -> std::function<void()> {
        const auto caption = [&](const QString& text) {
            run.deliver([this, text] { emit captionChanged(text); });
        };
        caption(connectingCaption());
        run.sleep(pauseMs);
        StatisticsOutcome outcome;
        const StoredNumbers stored = [&] {
            DbGateway gateway(config);
            gateway.shareSession(*route);
            return source == Source::Waiting ? DbReadWaitingNumbers(gateway, id)
                                             : DbReadAuditedNumbers(gateway, id);
        }();
        outcome.outcome = stored.outcome;
        outcome.found = stored.found;
        outcome.numberList = stored.list;
        if (stored.outcome && !run.cancelled()) {
            run.sleep(pauseMs);
            caption(receivingCaption());
            bool checking = false;
            const auto progress = [&](const NumberStatistics::Progress& step) {
                if (step.stage == NumberStatistics::Stage::Checking && !checking) {
                    checking = true;
                    caption(checkingCaption());
                }
                run.deliver([this, step] { emit progressed(step); });
            };
            outcome.result = mode == Mode::Count
                                 ? NumberStatistics::count(stored.list, progress, &run.cancelFlag())
                                 : NumberStatistics::listOnly(stored.list, progress, &run.cancelFlag());
        }
        outcome.elapsedSeconds = clock.elapsed() / 1000;
        return [this, outcome] { emit finished(outcome); };
    });
}
