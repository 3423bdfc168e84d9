#pragma once

#include <QObject>
#include <QStringList>

#include <memory>

class CMainDlg;
class DbGateway;
class QThread;
class QTimer;
class SubmissionRun;
struct NumberFileRead;
struct SessionUser;

// The sending flow of the main window: list operations, import, export, duplicate removal,
// the counters and the submission run. Long work runs on worker threads; only this object,
// on the user-interface thread, touches the window.
class SendingController : public QObject
{
    Q_OBJECT
public:
    SendingController(CMainDlg& window, DbGateway& gateway, SessionUser& session);
    ~SendingController() override;

    // False when the user chose to keep the window because a run is still writing.
    bool canClose();
    bool isRunning() const { return m_run != nullptr; }
    bool isBusy() const { return m_importThread || m_dedupeThread || m_run; }
    QTimer* successRateTimer() const { return m_successRateTimer; }

    void addManualNumbers(const QString& manualEntryText);

private:
    void connectButtons();
    bool refuseListChange();
    bool refuseBulkWork();
    void deleteSelected();
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
    void pause();
    void connectRun();
    void endRun(const QString& message);
    void readSuccessRate();
    void joinThread(std::unique_ptr<QThread>& thread);

    CMainDlg& m_window;
    DbGateway& m_gateway;
    SessionUser& m_session;
    int m_rememberedRow = -1;
    int m_segmentCount = 0;
    std::unique_ptr<QThread> m_importThread;
    std::unique_ptr<QThread> m_dedupeThread;
    std::unique_ptr<QThread> m_runThread;
    std::unique_ptr<SubmissionRun> m_run;
    QTimer* m_successRateTimer = nullptr;
};
