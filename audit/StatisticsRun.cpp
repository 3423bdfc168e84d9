#include "audit/StatisticsRun.h"

#include "db/DbGateway.h"
#include "db/RecordStatements.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

// Sleeps in short steps so that closing the window does not wait for a pause.
void pause(int milliseconds, const std::atomic<bool>& cancelled)
{
    QElapsedTimer clock;
    clock.start();
    while (!cancelled && clock.elapsed() < milliseconds)
        QThread::msleep(std::min<qint64>(20, milliseconds - clock.elapsed()));
}

} // namespace

StatisticsRun::StatisticsRun(DbGateway& gateway, QObject* parent) : QObject(parent), m_gateway(gateway) {}

StatisticsRun::~StatisticsRun()
{
    if (m_current)
        m_current->cancelled = true;
    for (auto& thread : m_threads)
        thread->wait();
}

void StatisticsRun::deliver(const std::shared_ptr<Control>& control, const std::function<void()>& call)
{
    QMetaObject::invokeMethod(
        this,
        [this, control, call] {
            if (control == m_current && !control->cancelled)
                call();
        },
        Qt::QueuedConnection);
}

void StatisticsRun::start(Source source, Mode mode, qint64 id)
{
    if (m_current)
        m_current->cancelled = true;
    auto control = std::make_shared<Control>();
    m_current = control;
    m_running = true;
    const int pauseMs = m_pauseMs;
    DbGateway& gateway = m_gateway;
    QElapsedTimer clock;
    clock.start();
    QThread* thread = QThread::create([=, this, &gateway] {
        DbThreadScope scope(gateway);
        const auto caption = [&](const QString& text) {
            deliver(control, [this, text] { emit captionChanged(text); });
        };
        caption(connectingCaption());
        pause(pauseMs, control->cancelled);
        StatisticsOutcome outcome;
        const StoredNumbers stored =
            source == Source::Waiting ? DbReadWaitingNumbers(gateway, id) : DbReadAuditedNumbers(gateway, id);
        outcome.outcome = stored.outcome;
        outcome.found = stored.found;
        outcome.numberList = stored.list;
        if (stored.outcome) {
            pause(pauseMs, control->cancelled);
            caption(receivingCaption());
            bool checking = false;
            const auto progress = [&](const NumberStatistics::Progress& step) {
                if (step.stage == NumberStatistics::Stage::Checking && !checking) {
                    checking = true;
                    caption(checkingCaption());
                }
                deliver(control, [this, step] { emit progressed(step); });
            };
            outcome.result = mode == Mode::Count
                                 ? NumberStatistics::count(stored.list, progress, &control->cancelled)
                                 : NumberStatistics::listOnly(stored.list, progress, &control->cancelled);
        }
        outcome.elapsedSeconds = clock.elapsed() / 1000;
        QThread* self = QThread::currentThread();
        QMetaObject::invokeMethod(
            this,
            [this, control, self, outcome] {
                join(self);
                if (control != m_current || control->cancelled)
                    return;
                m_running = false;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    });
    m_threads.emplace_back(thread);
    thread->start();
}

void StatisticsRun::join(QThread* thread)
{
    for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
        if (it->get() == thread) {
            (*it)->wait();
            m_threads.erase(it);
            return;
        }
    }
}
