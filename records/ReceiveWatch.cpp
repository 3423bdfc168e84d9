#include "records/ReceiveWatch.h"

#include "audit/SelectedRecord.h"
#include "common/Worker.h"
#include "db/DbGateway.h"
#include "db/DbListener.h"
#include "db/GuardedApi.h"
#include "records/RecordQueries.h"
#include "sending/SubmissionRun.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>

namespace {

bool mayPoll()
{
    return RunIdle == 1 && AuditWindowClosed();
}

struct Poll
{
    bool opened = false;
    bool found = false;
    QString failure; // the text to report, empty when the poll went well or fails silently
};

} // namespace

// One start of a watch, on its worker's thread. It reaches the watch only through the run's
// deliveries, which a stop drops, so a stopped watch's last poll never reaches the page.
struct ReceiveWatch::Loop
{
    ReceiveWatch* watch;
    DbGateway& gateway;
    Kind kind;
    WatchTimings timings;
    std::shared_ptr<std::atomic<int>> listed;

    void run(const Worker::Run& run) const;
    Poll poll(const Worker::Run& run, bool& needsOpen) const;
    std::unique_ptr<DbListener> listen(const Worker::Run& run) const;
    void waitForNextCycle(const Worker::Run& run, int milliseconds, const QElapsedTimer& sincePoll) const;
    // Whether the next cycle reads the table: the popup watch does not while rows are listed.
    bool nextCycleReads() const { return kind == Kind::Sound || listed->load() == 0; }
};

ReceiveWatch::ReceiveWatch(DbGateway& gateway, Kind kind, QObject* parent)
    : QObject(parent), m_gateway(gateway), m_kind(kind), m_worker(new Worker(this, Worker::kWaitUntilDone))
{
}

void ReceiveWatch::start()
{
    const Loop loop{this, m_gateway, m_kind, m_timings, m_listedRows};
    m_worker->start([loop](const Worker::Run& run) -> std::function<void()> {
        DbThreadScope scope(loop.gateway);
        loop.run(run);
        return {};
    });
}

void ReceiveWatch::stop()
{
    m_worker->cancel();
}

bool ReceiveWatch::isOn() const
{
    return m_worker->isRunning();
}

Poll ReceiveWatch::Loop::poll(const Worker::Run& run, bool& needsOpen) const
{
    Poll result;
    if (needsOpen && !gateway.DbOpen())
        return result; // silent; tried again next cycle
    needsOpen = false;
    result.opened = true;
    QList<ReportRow> rows;
    const RecordQueries::WaitingRead read =
        RecordQueries::readWaitingBatches(gateway, std::nullopt, [&](ReportRow row) {
            rows.append(std::move(row));
            return true;
        });
    if (read.status != RecordQueries::WaitingRead::Ok)
        needsOpen = true;
    if (read.status == RecordQueries::WaitingRead::OpenFailed) {
        result.opened = false;
        if (kind == Kind::Sound)
            result.failure = Outcome::withReason(soundOpenFailed(), read.reason);
        return result;
    }
    if (read.status == RecordQueries::WaitingRead::ReadFailed)
        result.failure =
            Outcome::withReason(kind == Kind::Sound ? soundReadFailed() : popupReadFailed(), read.reason);
    result.found = !rows.isEmpty();
    run.deliver([watch = watch, rows = std::move(rows)] { emit watch->polled(rows); });
    return result;
}

std::unique_ptr<DbListener> ReceiveWatch::Loop::listen(const Worker::Run& run) const
{
    if (!DbListener::available(gateway))
        return nullptr;
    return std::make_unique<DbListener>(
        gateway, GuardedApi::kAlertChannel, [run] { run.nudge(); },
        [run, watch = watch](bool on) { run.deliver([watch, on] { emit watch->listening(on); }); },
        DbListener::Timings{});
}

// A written part's notification ends the wait when the next cycle reads the table; a burst of
// them while a poll runs brings one more poll, not one per part. Any login may send to the
// channel (NOTIFY needs no right), so notifications bring a poll at most every heardPollGapMs.
void ReceiveWatch::Loop::waitForNextCycle(const Worker::Run& run, int milliseconds,
                                          const QElapsedTimer& sincePoll) const
{
    const QDeadlineTimer deadline(milliseconds);
    bool heard = false;
    while (!heard && run.waitForNudge(int(deadline.remainingTime())))
        heard = nextCycleReads();
    if (heard && sincePoll.isValid())
        run.sleep(int(std::max<qint64>(0, timings.heardPollGapMs - sincePoll.elapsed())));
}

void ReceiveWatch::Loop::run(const Worker::Run& run) const
{
    const std::unique_ptr<DbListener> listener = listen(run);
    bool needsOpen = true;
    QElapsedTimer sincePoll;
    bool reported = false; // the current outage has been told
    while (!run.cancelled()) {
        if (!mayPoll()) {
            run.sleep(kind == Kind::Sound ? timings.pollMs : timings.pauseCheckMs);
            continue;
        }
        if (kind == Kind::Popup && listed->load() > 0) {
            run.deliver([watch = watch] { emit watch->alert(); });
            waitForNextCycle(run, timings.popupRepeatMs, sincePoll);
            continue;
        }
        sincePoll.start();
        const Poll result = poll(run, needsOpen);
        if (!result.failure.isEmpty() && !reported) {
            reported = true;
            run.deliver([watch = watch, text = result.failure] { emit watch->pollFailed(text); });
        } else if (result.opened && result.failure.isEmpty()) {
            reported = false;
        }
        if (result.found) {
            run.deliver([watch = watch] { emit watch->alert(); });
            run.sleep(kind == Kind::Sound ? timings.afterSoundMs : timings.afterPopupMs);
        }
        waitForNextCycle(run, timings.pollMs, sincePoll);
    }
}
