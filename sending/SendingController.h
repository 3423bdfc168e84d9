#pragma once

#include <QObject>

class CMainDlg;
class DbGateway;
struct SessionUser;

// The sending flow of the main window: list operations, import, export, duplicate removal,
// the counters and the submission run.
class SendingController : public QObject
{
    Q_OBJECT
public:
    SendingController(CMainDlg& window, DbGateway& gateway, SessionUser& session);
    ~SendingController() override;

    // False while work that must not be cut off is running (the user has been told).
    bool canClose();

private:
    void connectList();
    void deleteSelected();
    void deleteRemembered();
    void clearList();
    void refreshCount();

    CMainDlg& m_window;
    DbGateway& m_gateway;
    SessionUser& m_session;
    int m_rememberedRow = -1;
};
