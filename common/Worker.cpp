#include "common/Worker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

struct Worker::Shared
{
    QMutex mutex;
    Worker* receiver = nullptr; // null once the worker has gone
    std::atomic<quint64> generation{0};
};

struct Worker::RunState
{
    std::shared_ptr<Shared> shared;
    quint64 generation = 0;
    std::atomic<bool> cancelled{false};
    std::mutex wakeMutex;
    bool nudged = false; // under wakeMutex
    std::condition_variable wake;

    bool current() const { return !cancelled && shared->generation == generation; }
    void cancel()
    {
        {
            std::lock_guard lock(wakeMutex);
            cancelled = true;
        }
        wake.notify_all();
    }
};

struct Worker::Thread
{
    std::unique_ptr<QThread> thread;
    std::shared_ptr<RunState> run;
};

namespace {

// A job that does not end by itself is only a fault guard: jobs bound their own waits.
constexpr int kExitWaitMs = 60000;

// Threads of jobs whose workers have gone. A QThread must not be destroyed while it runs, so
// they are kept here until they end, and the application waits for them as it quits.
struct Abandoned
{
    QMutex mutex;
    std::list<std::unique_ptr<QThread>> threads;
    bool exitHooked = false;

    void reap()
    {
        threads.remove_if([](const std::unique_ptr<QThread>& thread) { return thread->isFinished(); });
    }
    ~Abandoned()
    {
        // Still running after the wait at exit: leave it rather than abort the process.
        for (auto& thread : threads) {
            if (!thread->isFinished())
                (void)thread.release();
        }
    }
};

Abandoned& abandoned()
{
    static Abandoned registry;
    return registry;
}

void waitAtExit()
{
    Worker::waitForAbandoned(kExitWaitMs);
}

void abandon(std::unique_ptr<QThread> thread)
{
    Abandoned& registry = abandoned();
    QMutexLocker lock(&registry.mutex);
    registry.reap();
    registry.threads.push_back(std::move(thread));
    if (!registry.exitHooked && QCoreApplication::instance()) {
        registry.exitHooked = true;
        qAddPostRoutine(waitAtExit);
    }
}

} // namespace

bool Worker::Run::cancelled() const
{
    return m_state->cancelled;
}

const std::atomic<bool>& Worker::Run::cancelFlag() const
{
    return m_state->cancelled;
}

bool Worker::Run::sleep(int milliseconds) const
{
    std::unique_lock lock(m_state->wakeMutex);
    return !m_state->wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [this] { return m_state->cancelled.load(); });
}

void Worker::Run::nudge() const
{
    {
        std::lock_guard lock(m_state->wakeMutex);
        m_state->nudged = true;
    }
    m_state->wake.notify_all();
}

bool Worker::Run::waitForNudge(int milliseconds) const
{
    std::unique_lock lock(m_state->wakeMutex);
    m_state->wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return m_state->cancelled.load() || m_state->nudged; });
    const bool nudged = m_state->nudged && !m_state->cancelled;
    m_state->nudged = false;
    return nudged;
}

void Worker::Run::deliver(std::function<void()> call) const
{
    if (!m_state->current())
        return;
    // Under the lock the worker cannot go between the check and the post.
    QMutexLocker lock(&m_state->shared->mutex);
    Worker* receiver = m_state->shared->receiver;
    if (!receiver)
        return;
    QMetaObject::invokeMethod(
        receiver,
        [state = m_state, call = std::move(call)] {
            if (state->current())
                call();
        },
        Qt::QueuedConnection);
}

Worker::Worker(QObject* parent, int ownerWaitMs)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_ownerWaitMs(ownerWaitMs)
{
    m_shared->receiver = this;
}

Worker::~Worker()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->receiver = nullptr;
    }
    cancel();
    for (Thread& entry : m_threads)
        entry.run->cancel();
    // A negative wait never expires.
    const QDeadlineTimer deadline(m_ownerWaitMs);
    for (Thread& entry : m_threads) {
        if (!entry.thread->wait(deadline))
            abandon(std::move(entry.thread));
    }
}

void Worker::start(Job job)
{
    cancel();
    auto run = std::make_shared<RunState>();
    run->shared = m_shared;
    run->generation = ++m_shared->generation;
    m_current = run;
    m_running = true;
    QThread* thread = QThread::create([run, job = std::move(job)] {
        const std::function<void()> finish = job(Run(run));
        QMutexLocker lock(&run->shared->mutex);
        if (Worker* receiver = run->shared->receiver)
            QMetaObject::invokeMethod(
                receiver, [receiver, run, finish] { receiver->completed(run, finish); },
                Qt::QueuedConnection);
    });
    m_threads.push_back({std::unique_ptr<QThread>(thread), run});
    thread->start();
}

void Worker::cancel()
{
    if (m_current)
        m_current->cancel();
    m_current.reset();
    m_running = false;
}

void Worker::completed(const std::shared_ptr<RunState>& run, const std::function<void()>& finish)
{
    for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
        if (it->run == run) {
            it->thread->wait(); // it has posted this as its last act
            m_threads.erase(it);
            break;
        }
    }
    if (run != m_current || run->cancelled)
        return;
    m_current.reset();
    m_running = false;
    if (finish)
        finish();
}

int Worker::abandonedCount()
{
    Abandoned& registry = abandoned();
    QMutexLocker lock(&registry.mutex);
    registry.reap();
    return int(registry.threads.size());
}

bool Worker::waitForAbandoned(int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    Abandoned& registry = abandoned();
    QMutexLocker lock(&registry.mutex);
    for (auto& thread : registry.threads)
        thread->wait(deadline);
    registry.reap();
    return registry.threads.empty();
}
