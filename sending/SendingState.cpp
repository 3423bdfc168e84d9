#include "sending/SendingState.h"

#include "db/LoginStatements.h"
#include "db/SessionUser.h"
#include "sending/Composition.h"
#include "sending/Dedupe.h"
#include "sending/NumberFile.h"
#include "sending/NumberListModel.h"
#include "sending/NumberRules.h"
#include "sending/SubmissionRun.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

const QString kListLimit = QStringLiteral("提示: 最多一次发送3万条短信!");
const QString kRunning = QStringLiteral("提示: 短信正在提交,请等待本次提交完成!");
const QString kListBusy = QStringLiteral("提示: 正在导入或过滤号码,请稍候再操作号码列表!");
const QString kNoneSelected = QStringLiteral("请选择一条,在双击鼠标删除!");
constexpr qint64 kFilteredEveryMs = 50;

// The editor holds LF line ends; the service counts and stores CR LF, as typed on Windows.
QString withCrLf(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

QString withLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

} // namespace

SendingState::SendingState(DbGateway& gateway, SessionUser& session, const QString& keywordFile,
                           QObject* parent)
    : QObject(parent), m_gateway(gateway), m_session(session), m_keywordFile(keywordFile),
      m_numbers(new NumberListModel(this)), m_importWorker(new Worker(this)),
      m_dedupeWorker(new Worker(this)), m_runWorker(new Worker(this)), m_successRateTimer(new QTimer(this))
{
    m_successRateTimer->setObjectName(QStringLiteral("SuccessRateTimer"));
    m_successRateTimer->setInterval(60000);
    connect(m_successRateTimer, &QTimer::timeout, this, &SendingState::readSuccessRate);
}

SendingState::~SendingState()
{
    stopRun();
    // A removal left behind delivers nothing more; the next list may be filtered.
    if (m_dedupeWorker->isRunning())
        DedupeIdle = 1;
}

void SendingState::announce(std::initializer_list<Counter> counters)
{
    for (Counter counter : counters)
        emit counterChanged(counter);
}

void SendingState::startSession()
{
    m_session.remainingBalance = leadingNumber(m_session.balanceText);
    m_counters.characters = 0;
    m_counters.messages = 0;
    m_counters.numbers = m_numbers->count();
    m_counters.filtering = false;
    m_counters.submitted = 0;
    m_counters.failed = 0;
    m_counters.recharged = m_session.rechargeTotal;
    m_counters.sent = m_session.sentText;
    m_counters.sentByRun = false;
    // A run shows the server's figure as it is; the start never shows a debt.
    m_counters.balance = std::max<qint64>(0, m_session.remainingBalance);
    announce({Counter::Characters, Counter::Messages, Counter::Numbers, Counter::Submitted, Counter::Failed,
              Counter::Recharged, Counter::Sent, Counter::Balance});
}

void SendingState::countMessage(const QString& message)
{
    m_message = message;
    m_counters.characters = messageCharacterCount(message);
    m_counters.messages = messageCount(m_counters.characters);
    announce({Counter::Characters, Counter::Messages});
}

void SendingState::setEditorText(const QString& text)
{
    countMessage(withCrLf(text));
}

void SendingState::clearMessage()
{
    countMessage({});
    emit editorTextReplaced({});
}

void SendingState::rememberRow(int row)
{
    if (!m_changingList)
        m_rememberedRow = row;
}

// Bulk work replaces or extends the list from a copy; changing the list meanwhile would lose
// one side's changes.
QString SendingState::refuseListChange() const
{
    return m_importWorker->isRunning() || m_dedupeWorker->isRunning() ? kListBusy : QString();
}

// Import and duplicate removal read the list the run is sending, and each other's results.
QString SendingState::refuseBulkWork() const
{
    return m_run ? kRunning : refuseListChange();
}

void SendingState::changeList(const std::function<void()>& change)
{
    m_changingList = true;
    change();
    m_changingList = false;
}

void SendingState::refreshCount()
{
    m_counters.numbers = m_numbers->count();
    m_counters.filtering = false;
    announce({Counter::Numbers});
}

void SendingState::showFiltered(qsizetype walked)
{
    m_counters.numbers = walked;
    m_counters.filtering = true;
    announce({Counter::Numbers});
}

QString SendingState::addManualNumbers(const QString& manualEntryText)
{
    if (QString refusal = refuseListChange(); !refusal.isEmpty())
        return refusal;
    QStringList lines = SplitLines(manualEntryText);
    lines.removeAll(QString());
    changeList([&] { m_numbers->append(lines); });
    refreshCount();
    return {};
}

QString SendingState::deleteRow(int row)
{
    if (row < 0)
        return kNoneSelected;
    if (QString refusal = refuseListChange(); !refusal.isEmpty())
        return refusal;
    // The remembered row stays where it was, so the delete button then takes the entry that
    // moved up into its place.
    changeList([&] { m_numbers->removeAt(row); });
    refreshCount();
    return {};
}

// Leaves the counter as it was, as this button always has.
QString SendingState::deleteRemembered()
{
    if (m_rememberedRow < 0)
        return QStringLiteral("请选择一条,或在号码列表[双击鼠标左键删除]!");
    if (QString refusal = refuseListChange(); !refusal.isEmpty())
        return refusal;
    changeList([&] { m_numbers->removeAt(m_rememberedRow); });
    m_rememberedRow = -1;
    return {};
}

QString SendingState::clearList()
{
    if (QString refusal = refuseListChange(); !refusal.isEmpty())
        return refusal;
    changeList([&] { m_numbers->clear(); });
    refreshCount();
    return {};
}

QString SendingState::importRefusal() const
{
    return m_numbers->count() > kMaxListEntries ? kListLimit : refuseBulkWork();
}

void SendingState::startImport(const QString& path)
{
    // The list cannot change while an import runs, so the worker joins the file to a copy and
    // the window takes the result as it is.
    m_importWorker->start(
        [this, path, current = m_numbers->lines()](const Worker::Run&) -> std::function<void()> {
            NumberFileRead read = readNumberFile(path);
            if (read.ok) {
                LineList extended = current;
                extended.append(read.numbers);
                read.numbers = std::move(extended);
            }
            return [this, read = std::move(read)] { finishImport(read); };
        });
}

void SendingState::finishImport(const NumberFileRead& read)
{
    if (!read.ok) {
        emit importFailed(read.message);
        return;
    }
    changeList([&] { m_numbers->extendTo(read.numbers); });
    refreshCount();
}

QString SendingState::exportList(const QString& path) const
{
    QString message;
    exportNumbers(path, m_numbers->lines(), &message);
    return message;
}

QString SendingState::startDedupe()
{
    if (DedupeIdle != 1)
        return {};
    if (QString refusal = refuseBulkWork(); !refusal.isEmpty())
        return refusal;
    DedupeIdle = 0;
    m_dedupeWorker->start(
        [this, entries = m_numbers->lines()](const Worker::Run& job) -> std::function<void()> {
            // The counter changes a few times a second; more would only keep the window repainting.
            QElapsedTimer shown;
            shown.start();
            LineList unique = removeDuplicates(entries, [this, &job, &shown](qsizetype walked) {
                if (shown.elapsed() < kFilteredEveryMs)
                    return;
                shown.restart();
                job.deliver([this, walked] { showFiltered(walked); });
            });
            return [this, unique = std::move(unique)] { finishDedupe(unique); };
        });
    return {};
}

void SendingState::finishDedupe(const LineList& unique)
{
    changeList([&] { m_numbers->replaceAll(unique); });
    refreshCount();
    emit dedupeFinished(QStringLiteral("检测重复完成,重复号码已经自动删除!"));
    DedupeIdle = 1;
}

// Stars out the keywords in text and in the editor; what keeps the message from going out.
QString SendingState::screenMessage(QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("短信内容为空,不能发送!");
    const KeywordFile keywords = readKeywordFile(m_keywordFile);
    if (!keywords.ok)
        return keywords.message;
    text = screenKeywords(text, keywords.keywords);
    countMessage(text);
    emit editorTextReplaced(withLf(text));
    if (text.contains(QStringLiteral("***")))
        return QStringLiteral("关键字请过滤!不可使用的文字为星号[***]!");
    return {};
}

QString SendingState::refuseMessage(const QString& text) const
{
    QString problem = validateMessageText(text);
    if (problem.isEmpty() && m_numbers->count() <= kMaxListEntries)
        problem = unstorableEntry(m_numbers->lines());
    if (problem.isEmpty() && m_numbers->count() > kMaxListEntries)
        problem = kListLimit;
    return problem;
}

QString SendingState::submit()
{
    if (m_run)
        return kRunning;
    QString text = m_message;
    QString problem = screenMessage(text);
    if (problem.isEmpty())
        problem = refuseMessage(text);
    if (problem.isEmpty())
        startRun(text);
    return problem;
}

void SendingState::startRun(const QString& text)
{
    RunRequest request{m_session.loginName, m_session.password, cutParts(text, m_counters.messages),
                       m_numbers->lines(), m_session.remainingBalance};
    const int parts = int(request.parts.size());
    auto run = std::make_shared<SubmissionRun>(m_gateway, std::move(request));
    auto ended = std::make_shared<std::promise<void>>();
    m_run = run;
    m_runEnded = ended->get_future().share();
    m_counters.submitted = 0;
    m_counters.failed = 0;
    announce({Counter::Submitted, Counter::Failed});
    m_runWorker->start([this, run, ended, parts](const Worker::Run& job) -> std::function<void()> {
        relayRun(*run, job, parts);
        RunSummary summary;
        const QMetaObject::Connection summing = connect(
            run.get(), &SubmissionRun::finished, run.get(),
            [&summary](const RunSummary& end) { summary = end; }, Qt::DirectConnection);
        run->run();
        disconnect(summing);
        ended->set_value();
        return [this, summary] { endRun(summary); };
    });
}

// Runs on the run's thread: its progress reaches this object on the user-interface thread.
void SendingState::relayRun(SubmissionRun& run, const Worker::Run& job, int parts)
{
    auto done = std::make_shared<int>(0);
    const auto progress = [this, job, done, parts] {
        job.deliver([this, done = ++*done, parts] { emit runProgress(done, parts); });
    };
    connect(&run, &SubmissionRun::partCharged, &run, progress, Qt::DirectConnection);
    connect(&run, &SubmissionRun::partFailed, &run, progress, Qt::DirectConnection);
    connect(
        &run, &SubmissionRun::started, &run,
        [this, job](qint64 total) {
            job.deliver([this, total] {
                m_counters.sent = QString::number(total);
                m_counters.sentByRun = true;
                announce({Counter::Sent});
            });
        },
        Qt::DirectConnection);
    connect(
        &run, &SubmissionRun::partCharged, &run,
        [this, job](qint64 sentTotal, qint64 remaining, qint64 numbers) {
            job.deliver([=, this] { countCharged(numbers, sentTotal, remaining); });
        },
        Qt::DirectConnection);
    connect(
        &run, &SubmissionRun::partFailed, &run,
        [this, job](qint64 failed, const QString&) {
            job.deliver([this, failed] {
                m_counters.failed += failed;
                announce({Counter::Failed});
            });
        },
        Qt::DirectConnection);
}

void SendingState::countCharged(qint64 count, qint64 sentTotal, qint64 remaining)
{
    m_session.sentTotal = sentTotal;
    m_session.remainingBalance = remaining;
    m_counters.submitted += count;
    m_counters.sent = QString::number(sentTotal);
    m_counters.sentByRun = true;
    m_counters.balance = remaining;
    announce({Counter::Submitted, Counter::Sent, Counter::Balance});
}

void SendingState::endRun(const RunSummary& summary)
{
    m_run.reset();
    emit runEnded(summary);
    emit runFinished(runClosingMessage(summary));
    if (summary.stopMessage.isEmpty() && !m_session.canAdminister)
        m_successRateTimer->start();
}

void SendingState::stopRun()
{
    if (!m_run)
        return;
    m_run->stop();
    m_runEnded.wait();
}

void SendingState::readSuccessRate()
{
    const Outcome outcome = DbReadSuccessRate(m_gateway, m_session, m_session.loginName);
    if (!outcome) {
        // Once per outage: the timer retries every minute.
        if (!m_rateFailureShown)
            emit successRateFailed(outcome.text());
        m_rateFailureShown = true;
        return;
    }
    m_rateFailureShown = false;
    m_counters.successRate = m_session.successRate;
    announce({Counter::SuccessRate});
    m_successRateTimer->stop();
}
