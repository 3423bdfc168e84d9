#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <memory>

class CAdminPanelDlg;
class CManualEntryDlg;
class CProfileDlg;
class CRecordsDlg;
class CSkinButton;
class DbGateway;
class NumberListModel;
class QFrame;
class QLabel;
class QListView;
class QMenu;
class QPlainTextEdit;
struct SessionUser;
class SendingController;

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

    QString keywordFile() const { return m_keywordFile; }
    NumberListModel* numbers() const { return m_numbers; }
    SendingController* sending() const { return m_sending.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum Page
    {
        RecordsPage,
        AdminPage,
        ProfilePage,
        ManualPage,
        PageCount
    };
    struct HostedPage
    {
        QFrame* holder = nullptr;
        QWidget* page = nullptr;
    };

    void buildComposition();
    void buildButtons();
    void buildPages();
    void buildContextMenu();
    void connectSending();
    QLabel* addLabel(const QString& name, const QString& text, double x, double y, double w, double h,
                     const QString& style);
    CSkinButton* addButton(const QString& name, const QString& art, const QString& function, double x,
                           double y, double w, double h);
    void fillHeaderAndCounters();
    void applyRights();

    bool isShown(Page page) const;
    void setPageVisible(Page page, bool visible);
    void showPage(Page page);
    void toggleManualPage();
    void showAdminPanel();
    void showComposition();
    void setCompositionVisible(bool visible);
    void hideHolders(Page except);
    bool confirmQuit(const QString& caption, bool questionIcon);
    bool isOwnControl(QObject* watched) const;
    static bool isTextEditor(QObject* watched);
    bool filterKey(QObject* watched, QKeyEvent* event);

    DbGateway& m_gateway;
    SessionUser& m_session;
    QString m_startFolder;
    QString m_keywordFile;
    bool m_quitConfirmed = false;

    NumberListModel* m_numbers = nullptr;
    QListView* m_numberList = nullptr;
    QPlainTextEdit* m_messageEdit = nullptr;
    QLabel* m_header = nullptr;
    QLabel* m_charCount = nullptr;
    QLabel* m_messageCount = nullptr;
    QLabel* m_numberCount = nullptr;
    QLabel* m_submitted = nullptr;
    QLabel* m_failed = nullptr;
    QLabel* m_recharged = nullptr;
    QLabel* m_sent = nullptr;
    QLabel* m_balance = nullptr;
    QLabel* m_successRate = nullptr;
    CSkinButton* m_submit = nullptr;
    CSkinButton* m_pause = nullptr;
    CSkinButton* m_clearText = nullptr;
    CSkinButton* m_adminButton = nullptr;
    CSkinButton* m_dedupeButton = nullptr;
    QMenu* m_contextMenu = nullptr;
    std::array<HostedPage, PageCount> m_pages;
    CManualEntryDlg* m_manualEntry = nullptr;
    CAdminPanelDlg* m_adminPanel = nullptr;
    std::unique_ptr<SendingController> m_sending;
};
