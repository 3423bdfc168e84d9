#pragma once

#include "audit/LogFiles.h"
#include "audit/SelectedRecord.h"
#include "audit/StatisticsRun.h"
#include "widgets/Controls.h"
#include "widgets/PageContext.h"

#include <QHash>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class NumberListModel;
class Worker;

// What the audit window and the two statistics windows share: the record's three edits, the
// number lists with their counts, the statistics run and the log saves. Each window works on
// its own copy of the record it was opened on.
class CStatisticsWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Variant
    {
        Audit,      // a waiting batch: unique and repeated numbers
        AuditStats, // an audited batch: unique and repeated numbers
        StatsList   // an audited batch: its numbers as they are
    };

    CStatisticsWindow(Variant variant, const PageContext& context, const SelectedRecord& record,
                      QWidget* parent);
    ~CStatisticsWindow() override;

    const SelectedRecord& record() const { return m_record; }
    // Tests shorten the two caption pauses of the windows opened after this.
    static void setCaptionPause(int milliseconds) { s_captionPauseMs = milliseconds; }
    void startStatistics();
    bool isCounting() const { return m_run->isRunning(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A run has ended with its result shown.
    virtual void statisticsFinished(const StatisticsOutcome&) {}
    void saveList(LogKind kind, QPushButton* button, NumberListModel* list);
    // The "[N]" and "[Y]" log saves of the audit and audit-statistics windows.
    void addLogSaveButtons();

    PageContext m_context;
    const SelectedRecord m_record;
    const Variant m_variant;
    QLineEdit* m_account = nullptr;
    QLineEdit* m_count = nullptr;
    QPlainTextEdit* m_content = nullptr;
    QLabel* m_uniqueLabel = nullptr;
    QLabel* m_repeatedLabel = nullptr;
    QLabel* m_totalLabel = nullptr;
    NumberListModel* m_unique = nullptr;
    NumberListModel* m_repeated = nullptr;
    QPushButton* m_countButton = nullptr;
    QPushButton* m_saveUnique = nullptr;
    QPushButton* m_saveRepeated = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_exit = nullptr;

private:
    void buildRecordEdits();
    void buildLists();
    // caption is the list's label above it.
    QListView* addList(const QString& name, QAbstractItemModel* model, const Controls::Box& box,
                       QLabel* caption);
    void showProgress(const NumberStatistics::Progress& progress);
    void showResult(const StatisticsOutcome& outcome);
    void saveDone(QPushButton* button, const LogSave& save);

    static inline int s_captionPauseMs = 500;
    StatisticsRun* m_run = nullptr;
    QHash<QPushButton*, Worker*> m_saves; // one per save button, which stays disabled while it runs
};
