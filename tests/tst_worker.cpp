#include "common/Worker.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <optional>

class TestWorker : public QObject
{
    Q_OBJECT
private slots:
    void onlyTheCurrentRunDeliversAndNoOwnerWaits();
    void sleepsEndAtCancelAndAWaitingOwnerWaitsInFull();
    void nudgesEndOneWaitEachAndCancelEndsItUnnudged();
};

void TestWorker::onlyTheCurrentRunDeliversAndNoOwnerWaits()
{
    QStringList delivered;
    auto* worker = new Worker;
    // A job that cannot notice its cancel, like one blocked in a server read.
    const auto stuck = [&](const Worker::Run& run) -> std::function<void()> {
        QThread::msleep(1500);
        run.deliver([&] { delivered << "late"; });
        return [&] { delivered << "superseded"; };
    };
    worker->start(stuck);
    worker->start([&](const Worker::Run& run) -> std::function<void()> {
        run.deliver([&] { delivered << "progress"; });
        return [&] { delivered << "current"; };
    });
    QTRY_VERIFY(!worker->isRunning());
    QCOMPARE(delivered, (QStringList{"progress", "current"}));

    // Going, the worker waits only briefly and leaves the stuck jobs to end by themselves.
    worker->start(stuck);
    QElapsedTimer clock;
    clock.start();
    delete worker;
    QVERIFY(clock.elapsed() < Worker::kOwnerWaitMs + 300);
    QCOMPARE(Worker::abandonedCount(), 2);
    QVERIFY(Worker::waitForAbandoned(3000));
    QTest::qWait(50);
    QCOMPARE(delivered.size(), 2);
}

void TestWorker::sleepsEndAtCancelAndAWaitingOwnerWaitsInFull()
{
    std::atomic<bool> slept{true};
    std::atomic<bool> ended{false};
    auto* worker = new Worker(nullptr, Worker::kWaitUntilDone);
    worker->start([&](const Worker::Run& run) -> std::function<void()> {
        slept = run.sleep(60000);
        // Longer than a bounded wait: this worker's owner must still wait for it.
        QThread::msleep(Worker::kOwnerWaitMs + 300);
        ended = true;
        return {};
    });
    QElapsedTimer clock;
    clock.start();
    delete worker;
    QVERIFY(ended);
    QVERIFY(!slept);
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(Worker::abandonedCount(), 0);
}

void TestWorker::nudgesEndOneWaitEachAndCancelEndsItUnnudged()
{
    struct Seen
    {
        std::optional<Worker::Run> run;
        QMutex mutex;
        QList<bool> waits;
    };
    auto seen = std::make_shared<Seen>();
    const auto note = [seen](bool nudged) {
        QMutexLocker lock(&seen->mutex);
        seen->waits << nudged;
    };
    Worker worker(nullptr, Worker::kWaitUntilDone);
    worker.start([seen, note](const Worker::Run& run) -> std::function<void()> {
        run.nudge();
        run.nudge();
        note(run.waitForNudge(60000)); // the two nudges before it count as one
        note(run.waitForNudge(20));
        {
            QMutexLocker lock(&seen->mutex);
            seen->run = run;
        }
        note(run.waitForNudge(60000)); // nudged from the owner's thread
        note(run.waitForNudge(60000)); // cancelled
        return {};
    });
    const auto waits = [seen] {
        QMutexLocker lock(&seen->mutex);
        return seen->waits;
    };
    const auto handedOver = [seen] {
        QMutexLocker lock(&seen->mutex);
        return seen->run;
    };
    QTRY_VERIFY(handedOver().has_value());
    QCOMPARE(waits(), (QList<bool>{true, false}));
    handedOver()->nudge();
    QTRY_COMPARE(waits().size(), 3);
    worker.cancel();
    QTRY_COMPARE(waits(), (QList<bool>{true, false, true, false}));
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
