#pragma once

#include <QDialog>
#include <QList>

class CRegisterDlg;
class DbGateway;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
struct SessionUser;

// Login before the main window: remembers the name (and on request the password) in KVR.ini,
// checks the pair and fills the session. The only ways out are a login or ending the program.
class CLoginDlg : public QDialog
{
    Q_OBJECT
public:
    CLoginDlg(DbGateway& gateway, SessionUser& session, const QString& settingsPath,
              QWidget* parent = nullptr);
    ~CLoginDlg() override;

    // Closing by any other means asks to quit the program.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void buildArtTexts();
    void buildControls();
    void buildWebButtons();
    void loadRemembered();
    void logIn();
    void toggleRegistration();
    void quitAfterConfirmation(const QString& caption, bool questionIcon);

    DbGateway& m_gateway;
    SessionUser& m_session;
    QString m_settingsPath;
    QLabel* m_nameCaption = nullptr;
    QLabel* m_passwordCaption = nullptr;
    QList<QLabel*> m_serviceTexts;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
    QFrame* m_registerHolder = nullptr;
    CRegisterDlg* m_registerPage = nullptr;
    bool m_registerToggle = true;
};
