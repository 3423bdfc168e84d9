#pragma once

#include <QWidget>

class DbGateway;
class QLineEdit;

// Registration of a new customer account, hosted by the login window before any login. The
// form keeps what was typed, whatever the outcome.
class CRegisterDlg : public QWidget
{
    Q_OBJECT
public:
    CRegisterDlg(DbGateway& gateway, QWidget* parent);

private:
    void registerAccount();

    DbGateway& m_gateway;
    QLineEdit* m_loginName = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_repeat = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_telephone = nullptr;
    QLineEdit* m_address = nullptr;
};
