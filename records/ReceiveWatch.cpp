#include "records/ReceiveWatch.h"

#include "audit/SelectedRecord.h"
#include "db/DbGateway.h"
#include "records/RecordQueries.h"
#include "sending/SubmissionRun.h"

#include <QThread>

#include <chrono>

namespace {

bool mayPoll()
{
    return RunIdle == 1 && AuditWindowClosed();
}

} // namespace

bool ReceiveWatch::Control::sleep(int milliseconds)
{
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopped.load(); });
}

ReceiveWatch::ReceiveWatch(DbGateway& gateway, Kind kind, QObject* parent)
    : QObject(parent), m_gateway(gateway), m_kind(kind)
{
}

ReceiveWatch::~ReceiveWatch()
{
    stop();
    for (auto& thread : m_threads)
        thread->wait();
}

void ReceiveWatch::start()
{
    stop();
    auto control = std::make_shared<Control>();
    m_current = control;
    QThread* thread = QThread::create([this, control] {
        DbThreadScope scope(m_gateway);
        run(control);
        QThread* self = QThread::currentThread();
        QMetaObject::invokeMethod(
            this, [this, self] { join(self); }, Qt::QueuedConnection);
    });
    m_threads.emplace_back(thread);
    thread->start();
}

void ReceiveWatch::stop()
{
    if (!m_current)
        return;
    {
        std::lock_guard lock(m_current->mutex);
        m_current->stopped = true;
    }
    m_current->wake.notify_all();
    m_current.reset();
}

void ReceiveWatch::join(QThread* thread)
{
    for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
        if (it->get() == thread) {
            (*it)->wait();
            m_threads.erase(it);
            return;
        }
    }
}

void ReceiveWatch::post(const std::shared_ptr<Control>& control, std::function<void()> call)
{
    // A stopped watch's last poll never reaches the page. Stops happen on this object's thread,
    // where the call runs, so the flag cannot change between the check and the call.
    QMetaObject::invokeMethod(
        this,
        [control, call = std::move(call)] {
            if (!control->stopped)
                call();
        },
        Qt::QueuedConnection);
}

ReceiveWatch::Poll ReceiveWatch::poll(const std::shared_ptr<Control>& control, bool& needsOpen)
{
    Poll result;
    if (needsOpen && !m_gateway.DbOpen())
        return result; // silent; tried again next cycle
    needsOpen = false;
    result.opened = true;
    QList<ReportRow> rows;
    const RecordQueries::WaitingRead read =
        RecordQueries::readWaitingBatches(m_gateway, std::nullopt, [&](ReportRow row) {
            rows.append(std::move(row));
            return true;
        });
    if (read.status != RecordQueries::WaitingRead::Ok)
        needsOpen = true;
    if (read.status == RecordQueries::WaitingRead::OpenFailed) {
        result.opened = false;
        if (m_kind == Kind::Sound)
            result.failure = Outcome::withReason(soundOpenFailed(), read.reason);
        return result;
    }
    if (read.status == RecordQueries::WaitingRead::ReadFailed)
        result.failure =
            Outcome::withReason(m_kind == Kind::Sound ? soundReadFailed() : popupReadFailed(), read.reason);
    result.found = !rows.isEmpty();
    post(control, [this, rows = std::move(rows)] { emit polled(rows); });
    return result;
}

void ReceiveWatch::run(const std::shared_ptr<Control>& control)
{
    const WatchTimings timings = m_timings;
    const auto listed = m_listedRows;
    bool needsOpen = true;
    bool reported = false; // the current outage has been told
    while (!control->stopped) {
        if (!mayPoll()) {
            control->sleep(m_kind == Kind::Sound ? timings.pollMs : timings.pauseCheckMs);
            continue;
        }
        if (m_kind == Kind::Popup && listed->load() > 0) {
            post(control, [this] { emit alert(); });
            control->sleep(timings.popupRepeatMs);
            continue;
        }
        const Poll result = poll(control, needsOpen);
        if (!result.failure.isEmpty() && !reported) {
            reported = true;
            post(control, [this, text = result.failure] { emit pollFailed(text); });
        } else if (result.opened && result.failure.isEmpty()) {
            reported = false;
        }
        if (result.found) {
            post(control, [this] { emit alert(); });
            control->sleep(m_kind == Kind::Sound ? timings.afterSoundMs : timings.afterPopupMs);
        }
        control->sleep(timings.pollMs);
    }
}
