#pragma once

#include <QString>

#include <optional>

struct RunSummary;

// The exit statuses of kavrel-send, for scripts.
namespace SendStatus {
inline constexpr int kCharged = 0; // every part written and charged
inline constexpr int kUsage = 1;
inline constexpr int kRefused = 2; // nothing was written
inline constexpr int kFailed = 3;  // some parts were not written
inline constexpr int kUnknown = 4; // whether a part was written cannot be told
} // namespace SendStatus

// How a command ended. Every part is counted once: charged, failed (not written, not charged,
// also when the run never came to it) or unknown.
struct SendOutcome
{
    int status = SendStatus::kRefused;
    int parts = 0;
    int charged = 0;
    int failed = 0;
    int unknown = 0;
    qint64 numbers = 0;
    qint64 optedOut = 0;           // numbers left out as on the opt-out list
    std::optional<qint64> balance; // none when unknown
    QString message;               // the refusal or the run's closing message

    static SendOutcome ofRun(const RunSummary& summary, const QString& closingMessage);
};

// What the command says on standard error, and the summary object on standard output.
namespace SendReport {

// One message, each line after the program's name.
void tell(const QString& text);
// The one-line summary at the end.
QString summaryLine(const SendOutcome& outcome);
QByteArray summaryJson(const SendOutcome& outcome);
void finish(const SendOutcome& outcome, bool json);

// Progress of the run: a bar redrawn in place on a terminal, a line per part otherwise.
class Progress
{
public:
    Progress();
    void show(int done, int parts);
    // Ends the bar's line before anything else is written.
    void close();

private:
    bool m_terminal = false;
    bool m_open = false;
};

} // namespace SendReport
