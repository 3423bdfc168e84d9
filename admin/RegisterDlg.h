#pragma once

#include "admin/CreationForm.h"

#include <QWidget>

class DbGateway;

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
    CreationForm m_form;
};
