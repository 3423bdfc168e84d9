#pragma once

#include <QWidget>

class DbGateway;

// Registration of a new customer account, hosted by the login window before any login.
class CRegisterDlg : public QWidget
{
    Q_OBJECT
public:
    CRegisterDlg(DbGateway& gateway, QWidget* parent);

private:
    DbGateway& m_gateway;
};
