#include "sending/SendingController.h"

#include "app/Dialogs.h"
#include "app/MainDlg.h"
#include "db/LoginStatements.h"
#include "db/SessionUser.h"
#include "sending/Composition.h"
#include "sending/Dedupe.h"
#include "sending/ManualEntryDlg.h"
#include "sending/NumberFile.h"
#include "sending/NumberListModel.h"
#include "sending/NumberRules.h"
#include "sending/SubmissionRun.h"
#include "skin/SkinButton.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
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

} // namespace

SendingController::SendingController(CMainDlg& window, DbGateway& gateway, SessionUser& session)
    : QObject(&window), m_window(window), m_gateway(gateway), m_session(session)
{
    m_successRateTimer = new QTimer(this);
    m_successRateTimer->setObjectName(QStringLiteral("SuccessRateTimer"));
    m_successRateTimer->setInterval(60000);
    connect(m_successRateTimer, &QTimer::timeout, this, &SendingController::readSuccessRate);
    connectButtons();
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

void SendingController::connectButtons()
{
    QListView* list = m_window.m_numberList;
    connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { m_rememberedRow = current.isValid() ? current.row() : -1; });
    connect(list, &QListView::doubleClicked, this, &SendingController::deleteSelected);
    const auto button = [this](const char* name) {
        return m_window.findChild<QPushButton*>(QLatin1String(name));
    };
    connect(button("deleteButton"), &QPushButton::clicked, this, &SendingController::deleteRemembered);
    connect(button("clearListButton"), &QPushButton::clicked, this, &SendingController::clearList);
    connect(button("importButton"), &QPushButton::clicked, this, &SendingController::startImport);
    connect(button("exportButton"), &QPushButton::clicked, this, &SendingController::exportList);
    connect(button("dedupeButton"), &QPushButton::clicked, this, &SendingController::startDedupe);
    connect(m_window.m_clearText, &QPushButton::clicked, this, &SendingController::clearText);
    connect(m_window.m_submit, &QPushButton::clicked, this, &SendingController::submit);
    connect(m_window.m_pause, &QPushButton::clicked, this, &SendingController::pause);
    connect(m_window.m_messageEdit, &QPlainTextEdit::textChanged, this, &SendingController::recount);
    connect(m_window.m_manualEntry, &CManualEntryDlg::WM_ADD_MANUAL_NUMBERS, this,
            &SendingController::addManualNumbers);
}

bool SendingController::canClose()
{
    if (m_run) {
        if (!Dialogs::ask(&m_window,
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
    Dialogs::inform(&m_window, kListBusy);
    return true;
}

// Import and duplicate removal read the list the run is sending, and each other's results.
bool SendingController::refuseBulkWork()
{
    if (m_run) {
        Dialogs::inform(&m_window, kRunning);
        return true;
    }
    return refuseListChange();
}

void SendingController::refreshCount()
{
    m_window.m_numberCount->setText(numberCountLabel(m_window.m_numbers->count()));
}

void SendingController::addManualNumbers(const QString& manualEntryText)
{
    if (refuseListChange())
        return;
    QStringList lines = SplitLines(manualEntryText);
    lines.removeAll(QString());
    m_window.m_numbers->append(lines);
    refreshCount();
}

void SendingController::deleteSelected()
{
    const QModelIndex current = m_window.m_numberList->currentIndex();
    if (!current.isValid()) {
        Dialogs::inform(&m_window, QStringLiteral("请选择一条,在双击鼠标删除!"));
        return;
    }
    if (refuseListChange())
        return;
    m_window.m_numbers->removeAt(current.row());
    refreshCount();
}

void SendingController::deleteRemembered()
{
    if (m_rememberedRow < 0) {
        Dialogs::inform(&m_window, QStringLiteral("请选择一条,或在号码列表[双击鼠标左键删除]!"));
        return;
    }
    if (refuseListChange())
        return;
    m_window.m_numbers->removeAt(m_rememberedRow);
    m_rememberedRow = -1;
}

void SendingController::clearList()
{
    if (!Dialogs::ask(&m_window, QStringLiteral("确认是否清空所有号码!"), Dialogs::kNotice,
                      Dialogs::Icon::Question))
        return;
    if (refuseListChange())
        return;
    m_window.m_numbers->clear();
    refreshCount();
}

void SendingController::startImport()
{
    if (m_window.m_numbers->count() > kMaxListEntries) {
        Dialogs::inform(&m_window, kListLimit);
        return;
    }
    if (refuseBulkWork())
        return;
    const QString path = Dialogs::openTextFile(&m_window, QStringLiteral("[打开手机号码]"));
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
        Dialogs::inform(&m_window, read.message);
        return;
    }
    m_window.m_numbers->append(read.numbers);
    refreshCount();
}

void SendingController::exportList()
{
    const QString path = Dialogs::saveTextFile(&m_window, QStringLiteral("[保存手机号码]"));
    if (path.isEmpty())
        return;
    QString message;
    if (!exportNumbers(path, m_window.m_numbers->entries(), &message))
        Dialogs::inform(&m_window, message);
}

void SendingController::startDedupe()
{
    if (DedupeIdle != 1)
        return;
    if (refuseBulkWork())
        return;
    DedupeIdle = 0;
    const QStringList entries = m_window.m_numbers->entries();
    m_dedupeThread.reset(QThread::create([this, entries] {
        const QStringList unique = removeDuplicates(entries, [this](qsizetype walked) {
            QMetaObject::invokeMethod(
                this, [this, walked] { m_window.m_numberCount->setText(filterProgressLabel(walked)); },
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
    m_window.m_numbers->replaceAll(unique);
    refreshCount();
    Dialogs::inform(&m_window, QStringLiteral("检测重复完成,重复号码已经自动删除!"));
    DedupeIdle = 1;
}

void SendingController::recount()
{
    const int characters = messageCharacterCount(messageText(m_window.m_messageEdit));
    m_segmentCount = messageCount(characters);
    m_window.m_charCount->setText(charCountLabel(characters));
    m_window.m_messageCount->setText(messageCountLabel(m_segmentCount));
}

void SendingController::clearText()
{
    m_window.m_messageEdit->clear();
    m_window.m_charCount->setText(charCountLabel(0));
    m_window.m_messageCount->setText(messageCountLabel(0));
}

void SendingController::submit()
{
    m_window.hideHolders(CMainDlg::PageCount);
    if (m_run) {
        Dialogs::inform(&m_window, kRunning);
        return;
    }
    QString text = messageText(m_window.m_messageEdit);
    if (text.isEmpty()) {
        Dialogs::inform(&m_window, QStringLiteral("短信内容为空,不能发送!"));
        return;
    }
    const KeywordFile keywords = readKeywordFile(m_window.keywordFile());
    if (!keywords.ok) {
        Dialogs::inform(&m_window, keywords.message);
        return;
    }
    text = screenKeywords(text, keywords.keywords);
    setMessageText(m_window.m_messageEdit, text);
    if (text.contains(QStringLiteral("***"))) {
        Dialogs::inform(&m_window, QStringLiteral("关键字请过滤!不可使用的文字为星号[***]!"));
        return;
    }
    if (const QString problem = validateMessageText(text); !problem.isEmpty()) {
        Dialogs::inform(&m_window, problem);
        return;
    }
    if (m_window.m_numbers->count() > kMaxListEntries) {
        Dialogs::inform(&m_window, kListLimit);
        return;
    }
    RunRequest request{m_session.loginName, m_session.password, cutParts(text, m_segmentCount),
                       m_window.m_numbers->entries(), m_session.remainingBalance};
    m_run = std::make_unique<SubmissionRun>(m_gateway, std::move(request));
    connectRun();
    SubmissionRun* run = m_run.get();
    m_runThread.reset(QThread::create([run] { run->run(); }));
    m_runThread->start();
    m_window.m_submit->hide();
    m_window.m_pause->show();
}

void SendingController::pause()
{
    // The run goes on to its end; the button only comes back.
    m_window.hideHolders(CMainDlg::PageCount);
    m_window.m_submit->show();
    m_window.m_pause->hide();
}

void SendingController::connectRun()
{
    SubmissionRun* run = m_run.get();
    connect(
        run, &SubmissionRun::started, this,
        [this](qint64 total) { m_window.m_sent->setText(QStringLiteral("累计发送:%1 次").arg(total)); },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::partCharged, this,
        [this](qint64 sentTotal, qint64 remaining) {
            m_session.sentTotal = sentTotal;
            m_session.remainingBalance = remaining;
            m_window.m_sent->setText(QStringLiteral("累计发送:%1 次").arg(sentTotal));
            m_window.m_balance->setText(QStringLiteral("剩余条数:%1 条").arg(remaining));
        },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::partFailed, this,
        [this](qint64 count, const QString& message) {
            m_window.m_failed->setText(QStringLiteral("提交失败:%1 条").arg(count));
            if (!message.isEmpty())
                Dialogs::inform(&m_window, message);
        },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::progressed, this,
        [this](qint64 submitted) {
            m_window.m_submitted->setText(QStringLiteral("提交成功:%1 条").arg(submitted));
        },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::endedEarly, this, [this](const QString& message) { endRun(message); },
        Qt::QueuedConnection);
    connect(
        run, &SubmissionRun::finished, this,
        [this](qint64 seconds) {
            endRun(QStringLiteral("提示: 用时[%1秒]发送完成!").arg(seconds));
            if (!m_session.canAdminister)
                m_successRateTimer->start();
        },
        Qt::QueuedConnection);
}

void SendingController::endRun(const QString& message)
{
    joinThread(m_runThread);
    m_run.reset();
    m_window.m_submit->show();
    m_window.m_pause->hide();
    Dialogs::inform(&m_window, message);
}

void SendingController::readSuccessRate()
{
    const Outcome outcome = DbReadSuccessRate(m_gateway, m_session, m_session.loginName);
    if (!outcome) {
        Dialogs::inform(&m_window, outcome.message);
        return;
    }
    m_window.m_successRate->setText(QStringLiteral("成功发送率:%1%").arg(m_session.successRate));
    m_successRateTimer->stop();
}
