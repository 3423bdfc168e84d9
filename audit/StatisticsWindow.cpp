#include "audit/StatisticsWindow.h"

#include "common/Worker.h"
#include "sending/NumberListModel.h"
#include "skin/DialogUnits.h"
#include "widgets/Accessible.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/WindowPlacement.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

namespace {

const QString kCountCaption = QStringLiteral("统计号码及条数");

} // namespace

CStatisticsWindow::CStatisticsWindow(Variant variant, const PageContext& context,
                                     const SelectedRecord& record, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context), m_record(record), m_variant(variant)
{
    setAttribute(Qt::WA_DeleteOnClose);
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (variant != Variant::StatsList)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setFixedSize(DialogUnits::toPixels(273), DialogUnits::toPixels(321));
    WindowPlacement::centreOverParent(this);
    setWindowTitle(m_record.title());
    Accessible::setRole(this, QAccessible::Window);
    m_run = new StatisticsRun(context.gateway, this);
    m_run->setCaptionPause(s_captionPauseMs);
    connect(m_run, &StatisticsRun::captionChanged, this,
            [this](const QString& text) { m_countButton->setText(text); });
    connect(m_run, &StatisticsRun::progressed, this, &CStatisticsWindow::showProgress);
    connect(m_run, &StatisticsRun::finished, this, &CStatisticsWindow::showResult);
    buildRecordEdits();
    buildLists();
    m_countButton = Controls::button(this, QStringLiteral("countButton"), kCountCaption, {7, 276, 84, 16});
    connect(m_countButton, &QPushButton::clicked, this, &CStatisticsWindow::startStatistics);
    m_exit = Controls::button(this, QStringLiteral("exitButton"), QStringLiteral("退出"), {222, 298, 45, 16});
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
}

CStatisticsWindow::~CStatisticsWindow() = default;

QListView* CStatisticsWindow::addList(const QString& name, QAbstractItemModel* model, const Controls::Box& box,
                                      QLabel* caption)
{
    QListView* view = Controls::longList(this, name, box, model);
    // Lists take no name from a label; this one is read by the caption above it, without the
    // count that the caption gains later.
    view->setAccessibleName(caption->text());
    caption->setBuddy(view);
    return view;
}

void CStatisticsWindow::buildRecordEdits()
{
    QLabel* accountLabel =
        Controls::label(this, QStringLiteral("accountCaption"), QStringLiteral("用户名:"), {7, 8, 30, 9});
    m_account = Controls::edit(this, QStringLiteral("accountEdit"), {38, 6, 90, 12});
    m_account->setText(m_record.account);
    accountLabel->setBuddy(m_account);
    QLabel* countLabel = Controls::label(this, QStringLiteral("countCaption"),
                                         QStringLiteral("相同内容短信发送条数:"), {136, 8, 84, 9});
    m_count = Controls::edit(this, QStringLiteral("countEdit"), {220, 6, 47, 12});
    m_count->setText(m_record.count);
    countLabel->setBuddy(m_count);
    QLabel* contentLabel = Controls::label(this, QStringLiteral("contentCaption"),
                                           QStringLiteral("发送短信内容:"), {7, 22, 60, 9});
    m_content = Controls::make<QPlainTextEdit>(this, QStringLiteral("contentEdit"), {7, 32, 260, 40},
                                               m_record.content);
    m_content->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_content->setTabChangesFocus(true);
    contentLabel->setBuddy(m_content);
}

void CStatisticsWindow::buildLists()
{
    m_unique = new NumberListModel(this);
    const bool listOnly = m_variant == Variant::StatsList;
    m_uniqueLabel =
        Controls::label(this, QStringLiteral("uniqueLabel"),
                        listOnly ? QStringLiteral("号码:") : QStringLiteral("不重复号码:"), {7, 77, 125, 9});
    addList(QStringLiteral("uniqueList"), m_unique, {7, 87, listOnly ? 260.0 : 127.0, 150}, m_uniqueLabel);
    if (!listOnly) {
        m_repeated = new NumberListModel(this);
        m_repeatedLabel = Controls::label(this, QStringLiteral("repeatedLabel"), QStringLiteral("重复号码:"),
                                          {140, 77, 127, 9});
        addList(QStringLiteral("repeatedList"), m_repeated, {140, 87, 127, 150}, m_repeatedLabel);
    }
    m_totalLabel =
        Controls::label(this, QStringLiteral("totalLabel"), QStringLiteral("统计数量:"), {7, 241, 125, 9});
}

void CStatisticsWindow::startStatistics()
{
    if (m_run->isRunning())
        return;
    m_countButton->setEnabled(false);
    m_unique->clear();
    if (m_repeated)
        m_repeated->clear();
    m_run->start(m_variant == Variant::Audit ? StatisticsRun::Source::Waiting
                                             : StatisticsRun::Source::Audited,
                 m_variant == Variant::StatsList ? StatisticsRun::Mode::ListOnly : StatisticsRun::Mode::Count,
                 m_record.id);
}

void CStatisticsWindow::showProgress(const NumberStatistics::Progress& progress)
{
    if (progress.total > 0)
        m_totalLabel->setText(QStringLiteral("统计数量:%1条").arg(progress.total));
    if (progress.stage != NumberStatistics::Stage::Checking || m_variant == Variant::StatsList)
        return;
    m_uniqueLabel->setText(QStringLiteral("不重复号码:%1条").arg(progress.checked));
    if (progress.repeated > 0)
        m_repeatedLabel->setText(QStringLiteral("重复号码:%1条").arg(progress.repeated));
}

void CStatisticsWindow::showResult(const StatisticsOutcome& outcome)
{
    if (!outcome.outcome) {
        Dialogs::inform(this, outcome.outcome.text());
    } else {
        const NumberStatistics::Result& result = outcome.result;
        if (result.total > 0)
            m_totalLabel->setText(QStringLiteral("统计数量:%1条").arg(result.total));
        m_unique->replaceAll(result.unique);
        if (m_repeated) {
            m_repeated->replaceAll(result.repeated);
            if (!result.repeated.isEmpty())
                m_repeatedLabel->setText(QStringLiteral("重复号码:%1条").arg(result.repeated.size()));
            m_uniqueLabel->setText(QStringLiteral("不重复号码:%1条").arg(result.unique.size()));
        }
        statisticsFinished(outcome);
        Dialogs::inform(
            this,
            QStringLiteral("提示: %1 用时[%2秒]统计完成!").arg(m_record.account).arg(outcome.elapsedSeconds));
    }
    // Also after a failed read, so the count can be tried again once the server is back.
    m_countButton->setText(kCountCaption);
    m_countButton->setEnabled(true);
}

void CStatisticsWindow::addLogSaveButtons()
{
    m_saveUnique = Controls::button(this, QStringLiteral("saveUniqueButton"),
                                    QStringLiteral("保存不重复号码"), {7, 298, 68, 16});
    connect(m_saveUnique, &QPushButton::clicked, this,
            [this] { saveList(LogKind::Unique, m_saveUnique, m_unique); });
    m_saveRepeated = Controls::button(this, QStringLiteral("saveRepeatedButton"),
                                      QStringLiteral("保存重复号码"), {78, 298, 64, 16});
    connect(m_saveRepeated, &QPushButton::clicked, this,
            [this] { saveList(LogKind::Repeated, m_saveRepeated, m_repeated); });
}

void CStatisticsWindow::saveList(LogKind kind, QPushButton* button, NumberListModel* list)
{
    button->setEnabled(false);
    const QString folder = m_context.startFolder;
    const QString account = m_account->text();
    const QString content = m_content->toPlainText();
    const LineList entries = list->lines();
    const QDateTime when = QDateTime::currentDateTime();
    Worker*& worker = m_saves[button];
    if (!worker)
        worker = new Worker(this);
    worker->start([=, this](const Worker::Run&) -> std::function<void()> {
        const LogSave save = saveLogList(folder, kind, account, content, entries, when);
        return [this, button, save] { saveDone(button, save); };
    });
}

void CStatisticsWindow::saveDone(QPushButton* button, const LogSave& save)
{
    if (save.ok)
        Dialogs::openUrlOrTell(this, QUrl::fromLocalFile(save.path));
    else
        Dialogs::inform(this, save.message);
    button->setEnabled(true);
}

void CStatisticsWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
