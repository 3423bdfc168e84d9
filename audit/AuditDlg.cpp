#include "audit/AuditDlg.h"

#include "db/RecordStatements.h"
#include "widgets/Dialogs.h"

#include <QCloseEvent>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The audit windows of this client by batch; used on the user-interface thread only.
QHash<qint64, CAuditDlg*>& windowsByBatch()
{
    static QHash<qint64, CAuditDlg*> windows;
    return windows;
}

} // namespace

CAuditDlg::CAuditDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent)
    : CStatisticsWindow(Variant::Audit, context, record, parent)
{
    ++AuditWindowsOpen;
    windowsByBatch().insert(record.id, this);
    setObjectName(QStringLiteral("auditWindow"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    m_account->setReadOnly(true);
    m_content->setReadOnly(true);

    QLabel* rateLabel =
        Controls::label(this, QStringLiteral("rateCaption"), QStringLiteral("发送率为:"), {140, 241, 38, 9});
    m_rate = Controls::edit(this, QStringLiteral("rateEdit"), {178, 239, 30, 12});
    rateLabel->setBuddy(m_rate);
    m_rate->setText(QStringLiteral("100"));
    double x = 140;
    for (const char* rate : {"99", "98", "97", "96"}) {
        const QString text = QString::fromLatin1(rate);
        QPushButton* button =
            Controls::button(this, QStringLiteral("rate%1Button").arg(text), text, {x, 254, 30, 16});
        connect(button, &QPushButton::clicked, this, [this, text] { m_rate->setText(text); });
        x += 32;
    }
    QPushButton* approve =
        Controls::button(this, QStringLiteral("auditButton"), QStringLiteral("审核"), {96, 276, 40, 16});
    connect(approve, &QPushButton::clicked, this, &CAuditDlg::audit);
    addLogSaveButtons();
    m_delete = Controls::button(this, QStringLiteral("deleteButton"), QStringLiteral("删除相关内容"),
                                {145, 298, 64, 16});
    connect(m_delete, &QPushButton::clicked, this, &CAuditDlg::discard);
    startStatistics();
}

CAuditDlg::~CAuditDlg()
{
    leaveOpenWindows();
}

CAuditDlg* CAuditDlg::openFor(qint64 messageId)
{
    return windowsByBatch().value(messageId);
}

void CAuditDlg::leaveOpenWindows()
{
    if (m_open) {
        m_open = false;
        --AuditWindowsOpen;
        if (windowsByBatch().value(m_record.id) == this)
            windowsByBatch().remove(m_record.id);
    }
}

void CAuditDlg::closeEvent(QCloseEvent* event)
{
    leaveOpenWindows();
    event->accept();
}

void CAuditDlg::statisticsFinished(const StatisticsOutcome& outcome)
{
    m_counted = true;
    m_auditNumberList = outcome.found ? outcome.numberList : QString();
}

void CAuditDlg::audit()
{
    QString rate = m_rate->text();
    rate.remove(QLatin1Char(' '));
    if (!m_counted || isCounting()) {
        Dialogs::inform(this, RecordText::countFirst);
        return;
    }
    const Outcome outcome =
        DbAuditBatch(m_context.gateway, m_context.session, m_record.id, m_count->text(), rate);
    if (outcome) {
        // Approving again needs a new count, which finds the batch gone.
        m_counted = false;
        m_auditNumberList.clear();
    }
    if (outcome || outcome.message == RecordText::batchGone)
        emit WM_REMOVE_AUDITED_ROW(m_record.id);
    Dialogs::inform(this, outcome.text());
}

void CAuditDlg::discard()
{
    const Outcome outcome = DbDeleteWaitingBatch(m_context.gateway, m_context.session, m_record.id);
    if (outcome || outcome.message == RecordText::batchGone)
        emit WM_REMOVE_AUDITED_ROW(m_record.id);
    Dialogs::inform(this, outcome.text());
}
