#pragma once

#include "common/LineList.h"
#include "db/SessionUser.h"

#include <QObject>
#include <QStringList>

#include <QMetaType>
#include <atomic>
#include <optional>

class DbGateway;

// 0 while a submission run writes; watches of waiting batches keep off the database then.
extern std::atomic<int> RunIdle;
// 0 while a duplicate removal runs.
extern std::atomic<int> DedupeIdle;

// What a submission sends: fixed when the submit button is pressed, so that a run writes
// exactly the parts and numbers the user saw, whatever happens to the editor and the list
// meanwhile.
struct RunRequest
{
    QString loginName;
    QString password;
    QStringList parts; // the message cut into parts
    LineList numbers;  // the number list at submit time
    qint64 remainingBalance = 0;

    qint64 count() const { return numbers.size(); }
    // Messages the whole submission costs: parts x numbers.
    qint64 total() const { return count() * parts.size(); }
};

// How a run ended, for the closing message and the counters.
struct RunSummary
{
    int parts = 0;      // of the submission
    qint64 numbers = 0; // each part went, or would have gone, to this many
    qint64 balance = 0; // the account's balance as last read from the server
    qint64 elapsedSeconds = 0;
    int chargedParts = 0;
    int failedParts = 0;  // written nowhere and charged nothing
    int unknownParts = 0; // the commit's answer was lost and nobody could tell afterwards
    QString stopMessage;  // why the run ended before its last part; empty when it ran through
    QString firstFailure; // the first failed part's text, with the database's reason
    qint64 optedOut = 0;  // numbers left out because they are on the opt-out list
};

// The one message a run ends with: done only when every part was written and charged; parts
// that failed, and parts whose fate is unknown, are said apart from a stop for lack of balance.
// The numbers left out for the opt-out list are told last.
QString runClosingMessage(const RunSummary& summary);

// The number list every part stores: each number followed by a comma.
QString joinedNumbers(const LineList& numbers);

// Writes a submission one part after another on its own thread. Each part is one unit: its
// Messages row, the charge and the sent total are written together or not at all. Progress
// goes out as signals; the receiver updates the window.
class SubmissionRun : public QObject
{
    Q_OBJECT
public:
    SubmissionRun(DbGateway& gateway, RunRequest request);

    // The thread body.
    void run();
    // Asks the run to end after the part it is writing.
    void stop() { m_stopRequested = true; }

signals:
    void started(qint64 total);
    // A part is written and charged for numbers; the figures are the server's after the charge.
    void partCharged(qint64 sentTotal, qint64 remainingBalance, qint64 numbers);
    // A part was not written and not charged; message is the failed step's text and reason.
    void partFailed(qint64 count, const QString& message);
    void finished(const RunSummary& summary);

private:
    enum class PartResult
    {
        Charged,
        Failed,
        OutOfBalance,
        Refused, // the account may no longer submit
        Unknown
    };
    PartResult writePart(const QString& part, const QString& numberList, qint64 cost, SessionUser& figures,
                         QString& message, qint64& written);
    // Leaves the numbers of the opt-out list out of the request; the refusal when it cannot.
    QString screenOptOut(RunSummary& summary);
    SessionUser acting() const;
    void readFigures(SessionUser& figures);
    static QString balanceMessage(qint64 balance, qint64 cost);
    static QString unreachable();
    // Writes the parts in order; returns why the run stopped early, empty when it went through.
    QString writeParts(RunSummary& summary, SessionUser& figures);
    // Counts a written or failed part; the stop message when the run must end after it.
    std::optional<QString> countPart(PartResult result, const QString& message, const SessionUser& figures,
                                     qint64 cost, qint64 written, RunSummary& summary);

    DbGateway& m_gateway;
    RunRequest m_request;
    std::atomic<bool> m_stopRequested{false};
};

Q_DECLARE_METATYPE(RunSummary)
