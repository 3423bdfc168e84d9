#include "admin/RegisterDlg.h"

#include "admin/AccountProcedures.h"
#include "db/AccountStatements.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QPushButton>

CRegisterDlg::CRegisterDlg(DbGateway& gateway, QWidget* parent) : QWidget(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("registerPage"));
    WindowSkin::stylePage(this);
    const double y = m_form.build(this, QStringLiteral("register"), {4, 7, 14, 86, 145});
    auto* submit = Controls::button(this, QStringLiteral("registerSubmitButton"), QStringLiteral("点击注册"),
                                    {180, y + 3, 57, 15});
    Controls::label(this, QStringLiteral("registerHint"), QStringLiteral("提示:注册后可登陆程序。"),
                    {4, y + 6, 170, 10});
    connect(submit, &QPushButton::clicked, this, &CRegisterDlg::registerAccount);
}

void CRegisterDlg::registerAccount()
{
    AccountProcedures::registerAccount(m_gateway, m_form.fields(), Dialogs::tellOver(this));
}
