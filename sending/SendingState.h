#pragma once

#include "common/Worker.h"
#include "sending/Counters.h"
#include "sending/SubmissionRun.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <future>
#include <memory>

class DbGateway;
class LineList;
class NumberListModel;
class QTimer;
struct NumberFileRead;
struct SessionUser;

// The state of the sending flow: the number list, the message, the counters and the run, with
// the import and the duplicate removal that work on the list. Windows show it; it announces
// every counter that changes. Actions that may be refused return the text to show, empty when
// they went ahead.
class SendingState : public QObject
{
    Q_OBJECT
public:
    SendingState(DbGateway& gateway, SessionUser& session, const QString& keywordFile,
                 QObject* parent = nullptr);
    // Waits for a run to finish the part it is writing: the part and its charge belong together.
    ~SendingState() override;

    NumberListModel* numbers() const { return m_numbers; }
    QString counterText(Counter counter) const { return m_counters.text(counter); }
    QTimer* successRateTimer() const { return m_successRateTimer; }
    bool isRunning() const { return m_run != nullptr; }

    // The counters' values at login, from the session.
    void startSession();

    // The editor's text (LF line ends); the message is counted as sent, with CR LF.
    void setEditorText(const QString& text);
    void clearMessage();

    void rememberRow(int row);
    QString addManualNumbers(const QString& manualEntryText);
    QString deleteRow(int row);
    QString deleteRemembered();
    QString clearList();
    // Why an import cannot start now; empty when it can.
    QString importRefusal() const;
    void startImport(const QString& path);
    // Adds what an import read to the list, or tells why it brought nothing.
    void finishImport(const NumberFileRead& read);
    QString exportList(const QString& path) const;
    // Empty also when a removal is already running: the button then does nothing.
    QString startDedupe();

    QString submit();
    // Asks a run to end after its current part and waits for it.
    void stopRun();

signals:
    void counterChanged(Counter counter);
    // The message was replaced (keywords starred, cleared): the editor's new text.
    void editorTextReplaced(const QString& text);
    void importFailed(const QString& message);
    // Another removal may start once the receiver returns.
    void dedupeFinished(const QString& message);
    // Parts of the run written or failed so far, of all its parts.
    void runProgress(int done, int parts);
    // How the run ended, just before its closing message.
    void runEnded(const RunSummary& summary);
    void runFinished(const QString& closingMessage);
    void successRateFailed(const QString& message);

private:
    void announce(std::initializer_list<Counter> counters);
    void countMessage(const QString& message);
    QString refuseListChange() const;
    QString refuseBulkWork() const;
    // Changes the list without letting the view's selection move the remembered row.
    void changeList(const std::function<void()>& change);
    void refreshCount();
    void showFiltered(qsizetype walked);
    void finishDedupe(const LineList& unique);

    QString screenMessage(QString& text);
    QString refuseMessage(const QString& text) const;
    void startRun(const QString& text);
    void relayRun(SubmissionRun& run, const Worker::Run& job, int parts);
    void countCharged(qint64 count, qint64 sentTotal, qint64 remaining);
    void endRun(const RunSummary& summary);
    void readSuccessRate();

    DbGateway& m_gateway;
    SessionUser& m_session;
    QString m_keywordFile;
    NumberListModel* m_numbers = nullptr;
    Counters m_counters;
    QString m_message; // CR LF line ends
    int m_rememberedRow = -1;
    bool m_changingList = false;
    bool m_rateFailureShown = false;
    Worker* m_importWorker = nullptr;
    Worker* m_dedupeWorker = nullptr;
    Worker* m_runWorker = nullptr;
    std::shared_ptr<SubmissionRun> m_run;
    std::shared_future<void> m_runEnded;
    QTimer* m_successRateTimer = nullptr;
};
