#pragma once

#include <QDialog>

class DbGateway;
class QLabel;
class QLineEdit;

// Asked once, on the first start of a new embedded database: the first administrator, so
// that a newcomer can log in without any built-in password.
class CFirstAdminDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CFirstAdminDlg(DbGateway& gateway, QWidget* parent = nullptr);

private:
    void create();

    DbGateway& m_gateway;
    QLineEdit* m_loginName = nullptr;
    QLineEdit* m_nickname = nullptr;
    QLineEdit* m_company = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_repeat = nullptr;
};
