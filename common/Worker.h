#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <list>
#include <memory>

class QThread;

// Runs jobs on threads of their own for an owner on the user-interface thread, one current job
// at a time. A new start supersedes the running job: it is asked to stop and nothing more of
// it reaches the owner. When the worker goes (with its owner) its jobs are asked to stop and
// waited for only briefly: a job stuck in a server read finishes in the background and is
// joined when it ends, so a closing window never freezes on a stalled server. Jobs therefore
// must not touch their owner except through Run::deliver, and must own whatever they use.
class Worker : public QObject
{
    Q_OBJECT
public:
    struct RunState;

    // What a job sees of its own run.
    class Run
    {
    public:
        explicit Run(std::shared_ptr<RunState> state) : m_state(std::move(state)) {}
        bool cancelled() const;
        const std::atomic<bool>& cancelFlag() const;
        // Waits that long, or less when the run is cancelled meanwhile; false when cancelled.
        bool sleep(int milliseconds) const;
        // News for a job that waits for it as well as for time: ends its current or next
        // waitForNudge. Any thread may nudge; nudges before the wait ends count as one.
        void nudge() const;
        // Waits that long, or less when nudged or cancelled meanwhile; true when a nudge ended
        // the wait (the nudge is used up).
        bool waitForNudge(int milliseconds) const;
        // Queues a call to the owner's thread. It is dropped when, by the time it would run,
        // the run has been superseded or cancelled or the worker has gone.
        void deliver(std::function<void()> call) const;

    private:
        std::shared_ptr<RunState> m_state;
    };
    // Runs on the worker thread and returns the call that hands the result to the owner; the
    // worker is idle again when that call runs.
    using Job = std::function<std::function<void()>(const Run&)>;

    // How long a going worker waits for its jobs before it leaves them to end on their own.
    static constexpr int kOwnerWaitMs = 200;
    // For jobs that borrow what may go soon after their owner (a gateway the owner was handed):
    // the going worker waits until they have ended.
    static constexpr int kWaitUntilDone = -1;

    explicit Worker(QObject* parent = nullptr, int ownerWaitMs = kOwnerWaitMs);
    ~Worker() override;

    void start(Job job);
    // Asks the current job to stop and drops what it still delivers.
    void cancel();
    bool isRunning() const { return m_running; }

    // Jobs still running whose workers have gone.
    static int abandonedCount();
    // Waits at most this long for them; true when none is left.
    static bool waitForAbandoned(int milliseconds);

private:
    struct Shared;
    struct Thread;
    void completed(const std::shared_ptr<RunState>& run, const std::function<void()>& finish);

    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<RunState> m_current;
    std::list<Thread> m_threads;
    const int m_ownerWaitMs;
    bool m_running = false;
};
