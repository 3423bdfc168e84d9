#include "app/Worker.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class TestWorker : public QObject
{
    Q_OBJECT
private slots:
    void onlyTheCurrentRunDelivers();
    void goingWorkerLeavesAStuckJobToEnd();
};

void TestWorker::onlyTheCurrentRunDelivers()
{
    Worker worker;
    QStringList delivered;
    std::atomic<bool> firstSawCancel{false};
    worker.start([&](const Worker::Run& run) -> std::function<void()> {
        while (!run.cancelled())
            QThread::msleep(5);
        firstSawCancel = true;
        run.deliver([&] { delivered << "late"; });
        return [&] { delivered << "first"; };
    });
    QVERIFY(worker.isRunning());
    // A new start supersedes the running job.
    worker.start([&](const Worker::Run& run) -> std::function<void()> {
        run.deliver([&] { delivered << "progress"; });
        return [&] { delivered << "second"; };
    });
    QTRY_VERIFY(!worker.isRunning());
    QTRY_VERIFY(firstSawCancel);
    QCOMPARE(delivered, (QStringList{"progress", "second"}));

    // A cancelled job's result is dropped and the worker is idle at once.
    worker.start([&](const Worker::Run&) -> std::function<void()> {
        QThread::msleep(100);
        return [&] { delivered << "cancelled"; };
    });
    worker.cancel();
    QVERIFY(!worker.isRunning());
    QTest::qWait(300);
    QCOMPARE(delivered.size(), 2);
}

void TestWorker::goingWorkerLeavesAStuckJobToEnd()
{
    bool delivered = false;
    auto* worker = new Worker;
    // A job that cannot notice the cancel, like one blocked in a server read.
    worker->start([&](const Worker::Run& run) -> std::function<void()> {
        QThread::msleep(1000);
        run.deliver([&] { delivered = true; });
        return [&] { delivered = true; };
    });
    QTest::qWait(50);
    QElapsedTimer clock;
    clock.start();
    delete worker;
    QVERIFY(clock.elapsed() < Worker::kOwnerWaitMs + 300);
    QCOMPARE(Worker::abandonedCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Worker::abandonedCount(), 0, 3000);
    QVERIFY(Worker::waitForAbandoned(0));
    QTest::qWait(50);
    QVERIFY(!delivered);
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
