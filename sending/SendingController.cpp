#include "sending/SendingController.h"

#include "db/LoginStatements.h"
#include "db/SessionUser.h"
#include "db/StorableText.h"
#include "sending/Composition.h"
#include "sending/Dedupe.h"
#include "sending/ManualEntryDlg.h"
#include "sending/NumberFile.h"
#include "sending/NumberListModel.h"
#include "sending/NumberRules.h"
#include "sending/SubmissionRun.h"
#include "widgets/Dialogs.h"

#include <QAbstractButton>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QThread>
#include <QTimer>

namespace {

const QString kListLimit = QStringLiteral("提示: 最多一次发送3万条短信!");
const QString kRunning = QStringLiteral("提示: 短信正在提交,请等待本次提交完成!");
const QString kListBusy = QStringLiteral("提示: 正在导入或过滤号码,请稍候再操作号码列表!");

// The editor holds LF line ends; the service counts and stores CR LF, as typed on Windows.
QString messageText(const QPlainTextEdit* editor)
{
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void setMessageText(QPlainTextEdit* editor, QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    editor->setPlainText(text);
}

bool plainAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace

SendingController::SendingController(const SendingControls& controls, DbGateway& gateway,
                                     SessionUser& session, QObject* parent)
    : QObject(parent), m_controls(controls), m_gateway(gateway), m_session(session)
{
    m_successRateTimer = new QTimer(this);
    m_successRateTimer->setObjectName(QStringLiteral("SuccessRateTimer"));
    m_successRateTimer->setInterval(60000);
    connect(m_successRateTimer, &QTimer::timeout, this, &SendingController::readSuccessRate);
    connectControls();
}

SendingController::~SendingController()
{
    if (m_run)
        m_run->stop();
    joinThread(m_runThread);
    joinThread(m_importThread);
    joinThread(m_dedupeThread);
}

void SendingController::joinThread(std::unique_ptr<QThread>& thread)
{
    if (thread)
        thread->wait();
    thread.reset();
}

void SendingController::connectControls()
{
    const SendingControls& c = m_controls;
    connect(c.numberList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_changingList)
                    m_rememberedRow = current.isValid() ? current.row() : -1;
            });
    connect(c.numberList, &QListView::doubleClicked, this, &SendingController::deleteAt);
    // A double-click away from every entry never reaches doubleClicked.
    c.numberList->viewport()->installEventFilter(this);
    connect(c.deleteNumber, &QAbstractButton::clicked, this, &SendingController::deleteRemembered);
    connect(c.clearList, &QAbstractButton::clicked, this, &SendingController::clearList);
    connect(c.importNumbers, &QAbstractButton::clicked, this, &SendingController::startImport);
    connect(c.exportNumbers, &QAbstractButton::clicked, this, &SendingController::exportList);
    connect(c.dedupe, &QAbstractButton::clicked, this, &SendingController::startDedupe);
    connect(c.clearText, &QAbstractButton::clicked, this, &SendingController::clearText);
    connect(c.submit, &QAbstractButton::clicked, this, &SendingController::submit);
    connect(c.pause, &QAbstractButton::clicked, this, &SendingController::pause);
    connect(c.messageEdit, &QPlainTextEdit::textChanged, this, &SendingController::recount);
    connect(c.manualEntry, &CManualEntryDlg::WM_ADD_MANUAL_NUMBERS, this,
            &SendingController::addManualNumbers);
}

bool SendingController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_controls.numberList->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_controls.numberList->indexAt(mouse->position().toPoint()).isValid()) {
            Dialogs::inform(m_controls.window, QStringLiteral("请选择一条,在双击鼠标删除!"));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool SendingController::canClose()
{
    if (m_run) {
        if (!Dialogs::ask(m_controls.window,
                          QStringLiteral("提示: 短信正在提交,确认在当前这一条写完后停止并退出程序?"),
                          Dialogs::kNotice, Dialogs::Icon::Question))
            return false;
        m_run->stop();
    }
    joinThread(m_runThread);
    joinThread(m_importThread);
    joinThread(m_dedupeThread);
    return true;
}

// Bulk work replaces or extends the list from a copy; changing the list meanwhile would lose
// one side's changes.
bool SendingController::refuseListChange()
{
    if (!m_importThread && !m_dedupeThread)
        return false;
    Dialogs::inform(m_controls.window, kListBusy);
    return true;
}

// Import and duplicate removal read the list the run is sending, and each other's results.
bool SendingController::refuseBulkWork()
{
    if (m_run) {
        Dialogs::inform(m_controls.window, kRunning);
        return true;
    }
    return refuseListChange();
}

void SendingController::changeList(const std::function<void()>& change)
{
    m_changingList = true;
    change();
    m_changingList = false;
}

void SendingController::refreshCount()
{
    m_controls.numberCount->setText(numberCountLabel(m_controls.numbers->count()));
}

void SendingController::addManualNumbers(const QString& manualEntryText)
{
    if (refuseListChange())
        return;
    QStringList lines = SplitLines(manualEntryText);
    lines.removeAll(QString());
    changeList([&] { m_controls.numbers->append(lines); });
    refreshCount();
}

void SendingController::deleteAt(const QModelIndex& index)
{
    if (!index.isValid()) {
        Dialogs::inform(m_controls.window, QStringLiteral("请选择一条,在双击鼠标删除!"));
        return;
    }
    if (refuseListChange())
        return;
    // The remembered index stays where it was, so the delete button then takes the entry
    // that moved up into its place.
    changeList([&] { m_controls.numbers->removeAt(index.row()); });
    refreshCount();
}

void SendingController::deleteRemembered()
{
    if (m_rememberedRow < 0) {
        Dialogs::inform(m_controls.window, QStringLiteral("请选择一条,或在号码列表[双击鼠标左键删除]!"));
        return;
    }
    if (refuseListChange())
        return;
    changeList([&] { m_controls.numbers->removeAt(m_rememberedRow); });
    m_rememberedRow = -1;
}

void SendingController::clearList()
{
    if (!Dialogs::ask(m_controls.window, QStringLiteral("确认是否清空所有号码!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    if (refuseListChange())
        return;
    changeList([&] { m_controls.numbers->clear(); });
    refreshCount();
}

void SendingController::startImport()
{
    if (m_controls.numbers->count() > kMaxListEntries) {
        Dialogs::inform(m_controls.window, kListLimit);
        return;
    }
    if (refuseBulkWork())
        return;
    const QString path = Dialogs::openTextFile(m_controls.window, QStringLiteral("[打开手机号码]"));
    if (path.isEmpty())
        return;
    m_importThread.reset(QThread::create([this, path] {
        const NumberFileRead read = readNumberFile(path);
        QMetaObject::invokeMethod(
            this, [this, read] { finishImport(read); }, Qt::QueuedConnection);
    }));
    m_importThread->start();
}

void SendingController::finishImport(const NumberFileRead& read)
{
    joinThread(m_importThread);
    if (!read.ok) {
        Dialogs::inform(m_controls.window, read.message);
        return;
    }
    changeList([&] { m_controls.numbers->append(read.numbers); });
    refreshCount();
}

void SendingController::exportList()
{
    const QString path = Dialogs::saveTextFile(m_controls.window, QStringLiteral("[保存手机号码]"));
    if (path.isEmpty())
        return;
    QString message;
    exportNumbers(path, m_controls.numbers->entries(), &message);
    if (!message.isEmpty())
        Dialogs::inform(m_controls.window, message);
}

void SendingController::startDedupe()
{
    if (DedupeIdle != 1)
        return;
    if (refuseBulkWork())
        return;
    DedupeIdle = 0;
    const QStringList entries = m_controls.numbers->entries();
    m_dedupeThread.reset(QThread::create([this, entries] {
        const QStringList unique = removeDuplicates(entries, [this](qsizetype walked) {
            QMetaObject::invokeMethod(
                this, [this, walked] { m_controls.numberCount->setText(filterProgressLabel(walked)); },
                Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this, unique] { finishDedupe(unique); }, Qt::QueuedConnection);
    }));
    m_dedupeThread->start();
}

void SendingController::finishDedupe(const QStringList& unique)
{
    joinThread(m_dedupeThread);
    changeList([&] { m_controls.numbers->replaceAll(unique); });
    refreshCount();
    Dialogs::inform(m_controls.window, QStringLiteral("检测重复完成,重复号码已经自动删除!"));
    DedupeIdle = 1;
}

void SendingController::recount()
{
    const int characters = messageCharacterCount(messageText(m_controls.messageEdit));
    m_segmentCount = messageCount(characters);
    m_controls.charCount->setText(charCountLabel(characters));
    m_controls.messageCount->setText(messageCountLabel(m_segmentCount));
}

void SendingController::clearText()
{
    m_controls.messageEdit->clear();
    m_controls.charCount->setText(charCountLabel(0));
    m_controls.messageCount->setText(messageCountLabel(0));
}

// Imported lines may hold anything; what the database cannot keep must not reach a part.
QString SendingController::refuseNumbers() const
{
    const QStringList& entries = m_controls.numbers->entries();
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (plainAscii(entries[k]))
            continue;
        const QString problem = unstorableCharacter(entries[k]);
        if (!problem.isEmpty())
            return QStringLiteral("号码列表第%1条: %2").arg(k + 1).arg(problem);
    }
    return {};
}

void SendingController::submit()
{
    emit compositionRequested();
    if (m_run) {
        Dialogs::inform(m_controls.window, kRunning);
        return;
    }
    QString text = messageText(m_controls.messageEdit);
    if (text.isEmpty()) {
        Dialogs::inform(m_controls.window, QStringLiteral("短信内容为空,不能发送!"));
        return;
    }
    const KeywordFile keywords = readKeywordFile(m_controls.keywordFile);
    if (!keywords.ok) {
        Dialogs::inform(m_controls.window, keywords.message);
        return;
    }
    text = screenKeywords(text, keywords.keywords);
    setMessageText(m_controls.messageEdit, text);
    if (text.contains(QStringLiteral("***"))) {
        Dialogs::inform(m_controls.window, QStringLiteral("关键字请过滤!不可使用的文字为星号[***]!"));
        return;
    }
    QString problem = validateMessageText(text);
    if (problem.isEmpty() && m_controls.numbers->count() <= kMaxListEntries)
        problem = refuseNumbers();
    if (!problem.isEmpty()) {
        Dialogs::inform(m_controls.window, problem);
        return;
    }
    if (m_controls.numbers->count() > kMaxListEntries) {
        Dialogs::inform(m_controls.window, kListLimit);
        return;
    }
    RunRequest request{m_session.loginName, m_session.password, cutParts(text, m_segmentCount),
                       m_controls.numbers->entries(), m_session.remainingBalance};
    const qint64 count = request.count();
    m_run = std::make_unique<SubmissionRun>(m_gateway, std::move(request));
    connectRun(count);
    m_submittedCount = 0;
    m_failedCount = 0;
    m_controls.submitted->setText(QStringLiteral("提交成功:%1 条").arg(0));
    m_controls.failed->setText(QStringLiteral("提交失败:%1 条").arg(0));
    SubmissionRun* run = m_run.get();
    m_runThread.reset(QThread::create([run] { run->run(); }));
    m_runThread->start();
    m_controls.submit->hide();
    m_controls.pause->show();
}

void SendingController::pause()
{
    // The run goes on to its end; the button only comes back.
    emit compositionRequested();
    m_controls.submit->show();
    m_controls.pause->hide();
}

void SendingController::connectRun(qint64 count)
{
    SubmissionRun* run = m_run.get();
    connect(
        run, &SubmissionRun::started, this,
        [this](qint64 total) { m_controls.sent->setText(QStringLiteral("累计发送:%1 次").arg(total)); },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::partCharged, this,
        [this, count](qint64 sentTotal, qint64 remaining) {
            m_session.sentTotal = sentTotal;
            m_session.remainingBalance = remaining;
            m_submittedCount += count;
            m_controls.submitted->setText(QStringLiteral("提交成功:%1 条").arg(m_submittedCount));
            m_controls.sent->setText(QStringLiteral("累计发送:%1 次").arg(sentTotal));
            m_controls.balance->setText(QStringLiteral("剩余条数:%1 条").arg(remaining));
        },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::partFailed, this,
        [this](qint64 failedCount, const QString&) {
            m_failedCount += failedCount;
            m_controls.failed->setText(QStringLiteral("提交失败:%1 条").arg(m_failedCount));
        },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::finished, this, [this](const RunSummary& summary) { endRun(summary); },
        Qt::QueuedConnection);
}

void SendingController::endRun(const RunSummary& summary)
{
    joinThread(m_runThread);
    m_run.reset();
    m_controls.submit->show();
    m_controls.pause->hide();
    Dialogs::inform(m_controls.window, runClosingMessage(summary));
    if (summary.stopMessage.isEmpty() && !m_session.canAdminister)
        m_successRateTimer->start();
}

void SendingController::readSuccessRate()
{
    const Outcome outcome = DbReadSuccessRate(m_gateway, m_session, m_session.loginName);
    if (!outcome) {
        // Once per outage: the timer retries every minute.
        if (!m_rateFailureShown)
            Dialogs::inform(m_controls.window, outcome.text());
        m_rateFailureShown = true;
        return;
    }
    m_rateFailureShown = false;
    m_controls.successRate->setText(QStringLiteral("成功发送率:%1%").arg(m_session.successRate));
    m_successRateTimer->stop();
}
