#pragma once

#include "audit/SelectedRecord.h"
#include "records/ReceiveWatch.h"
#include "widgets/ListPage.h"

class QDateEdit;
class QPushButton;
class QSoundEffect;

// Page "短信发送" of the admin panel: the batches waiting for audit, by date range or all of
// them, and the two watches that sound the alert (and raise the popup) while batches wait.
// A double-click opens the audit window of a row.
class CReceiveDlg : public CListPage
{
    Q_OBJECT
public:
    CReceiveDlg(const PageContext& context, QWidget* parent);
    ~CReceiveDlg() override;

    ReceiveWatch* soundWatch() const { return m_soundWatch; }
    ReceiveWatch* popupWatch() const { return m_popupWatch; }
    // Tests run the watches at a faster pace.
    void setWatchTimings(const WatchTimings& timings);
    // Opens the audit window of a list row, as a double-click does.
    QWidget* openAudit(int row);
    // The alert file, "mac.wav" in the start folder.
    QString alertPath() const;

    // Drops the row of a batch that has left Messages; -1 changes nothing.
    void removeAuditedRow(qint64 auditRowId);

signals:
    // Rows wait: the main window shows the popup for this record.
    void WM_SHOW_POPUP(const SelectedRecord& record);
    // The alert sound has been asked for (played when the file and a sound device exist).
    void soundRequested();

protected:
    // The listings end silently, failed or not; the rows listed so far stay.
    void listingFinished(const Outcome&) override {}

private:
    void buildControls();
    void buildWatches();
    void listAll();
    void listRange();
    void toggleWatch(bool popup);
    void replaceRows(const QList<ReportRow>& rows);
    void alert(bool popup);
    void playAlert();
    SelectedRecord recordAt(int row) const;

    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    QPushButton* m_soundButton = nullptr;
    QPushButton* m_popupButton = nullptr;
    ReceiveWatch* m_soundWatch = nullptr;
    ReceiveWatch* m_popupWatch = nullptr;
    QSoundEffect* m_sound = nullptr;
    bool m_watchToggle = true; // no watch runs: the next press starts one
};
