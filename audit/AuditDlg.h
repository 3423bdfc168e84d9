#pragma once

#include "audit/StatisticsWindow.h"

// The audit window of one waiting batch: counts its numbers, saves them as logs, and approves
// the batch with a send rate or discards it. The approval records the batch as it is stored;
// the account and content are shown, not edited, so what is seen is what is approved. One
// window per batch in a client.
class CAuditDlg : public CStatisticsWindow
{
    Q_OBJECT
public:
    CAuditDlg(const PageContext& context, const SelectedRecord& record, QWidget* parent);
    ~CAuditDlg() override;

    // The window open for this batch, if any.
    static CAuditDlg* openFor(qint64 messageId);

    // The number list of this window's last count; empty until a count has found the batch.
    const QString& auditNumberList() const { return m_auditNumberList; }

signals:
    // The batch has left Messages: the receive page drops the row with this id.
    void WM_REMOVE_AUDITED_ROW(qint64 auditRowId);

protected:
    void closeEvent(QCloseEvent* event) override;
    void statisticsFinished(const StatisticsOutcome& outcome) override;

private:
    void audit();
    void discard();
    void leaveOpenWindows();

    QLineEdit* m_rate = nullptr;
    QString m_auditNumberList; // shown by tests; the approval reads the stored list
    bool m_counted = false;
    bool m_open = true;
};
