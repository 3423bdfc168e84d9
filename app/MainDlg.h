#pragma once

#include "sending/Counters.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <array>

class CSkinButton;
class DbGateway;
class MainPages;
class NumberListModel;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
class SendingController;
class SendingState;
struct SessionUser;

// The main window: header line, message editor, number list and counters of the sending
// flow, and four hosted pages shown one at a time in place of the composition controls.
class CMainDlg : public QWidget
{
    Q_OBJECT
public:
    CMainDlg(DbGateway& gateway, SessionUser& session, const QString& startFolder, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Opens the database, asks for the first administrator of a new embedded database, runs the
    // login and enters the session. False when the program ends instead (the exit has been
    // requested already).
    bool startUp();
    // After a successful login: recharge total, header line, counters and rights.
    void enterSession();

    NumberListModel* numbers() const;
    SendingState* sending() const { return m_state; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildArtTexts();
    void buildComposition();
    void buildButtons();
    void buildButtonColumn();
    void buildPages();
    void buildContextMenu();
    void connectSending();
    void connectNumberList();
    void showCounter(Counter counter);
    void applyRights();

    void showAdminPanel();
    void setCompositionVisible(bool visible);
    void showUsage(bool shown);
    bool confirmQuit(const QString& caption, bool questionIcon);
    bool filterMouse(QObject* watched, QMouseEvent* event);

    DbGateway& m_gateway;
    SessionUser& m_session;
    QString m_startFolder;
    bool m_quitConfirmed = false;

    SendingState* m_state = nullptr;
    SendingController* m_sending = nullptr;
    QListView* m_numberList = nullptr;
    QPlainTextEdit* m_messageEdit = nullptr;
    QLabel* m_header = nullptr;
    std::array<QLabel*, kCounterCount> m_counters{};
    QList<QLabel*> m_headings; // the artwork's, over the composition: list, message, counters
    QList<QLabel*> m_usage;    // the artwork's usage notes
    CSkinButton* m_submit = nullptr;
    CSkinButton* m_pause = nullptr;
    CSkinButton* m_clearText = nullptr;
    CSkinButton* m_adminButton = nullptr;
    CSkinButton* m_dedupeButton = nullptr;
    QMenu* m_contextMenu = nullptr;
    MainPages* m_pages = nullptr;
};
