#pragma once

#include "sending/SendingControls.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class DbGateway;
class QThread;
class QTimer;
class SubmissionRun;
struct NumberFileRead;
struct RunSummary;
struct SessionUser;

// The sending flow of the main window: list operations, import, export, duplicate removal,
// the counters and the submission run. Long work runs on worker threads; only this object,
// on the user-interface thread, touches the controls.
class SendingController : public QObject
{
    Q_OBJECT
public:
    SendingController(const SendingControls& controls, DbGateway& gateway, SessionUser& session,
                      QObject* parent = nullptr);
    ~SendingController() override;

    // False when the user chose to keep the window because a run is still writing.
    bool canClose();
    bool isRunning() const { return m_run != nullptr; }
    bool isBusy() const { return m_importThread || m_dedupeThread || m_run; }
    QTimer* successRateTimer() const { return m_successRateTimer; }

    void addManualNumbers(const QString& manualEntryText);

signals:
    // Submit and pause bring the composition back in place of any hosted page, so that the
    // running counters are in view.
    void compositionRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    bool refuseListChange();
    bool refuseBulkWork();
    // Changes the list without letting the view's selection move the remembered index.
    void changeList(const std::function<void()>& change);
    void deleteAt(const QModelIndex& index);
    void deleteRemembered();
    void clearList();
    void refreshCount();

    void startImport();
    void finishImport(const NumberFileRead& read);
    void exportList();
    void startDedupe();
    void finishDedupe(const QStringList& unique);

    void recount();
    void clearText();

    void submit();
    QString refuseNumbers() const;
    void pause();
    void connectRun(qint64 count);
    void endRun(const RunSummary& summary);
    void readSuccessRate();
    void joinThread(std::unique_ptr<QThread>& thread);

    SendingControls m_controls;
    DbGateway& m_gateway;
    SessionUser& m_session;
    int m_rememberedRow = -1;
    bool m_changingList = false;
    bool m_rateFailureShown = false;
    int m_segmentCount = 0;
    qint64 m_submittedCount = 0;
    qint64 m_failedCount = 0;
    std::unique_ptr<QThread> m_importThread;
    std::unique_ptr<QThread> m_dedupeThread;
    std::unique_ptr<QThread> m_runThread;
    std::unique_ptr<SubmissionRun> m_run;
    QTimer* m_successRateTimer = nullptr;
};
