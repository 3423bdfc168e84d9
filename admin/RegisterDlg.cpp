#include "admin/RegisterDlg.h"

#include "admin/AccountProcedures.h"
#include "db/AccountStatements.h"
#include "skin/WindowSkin.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CRegisterDlg::CRegisterDlg(DbGateway& gateway, QWidget* parent) : QWidget(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("registerPage"));
    WindowSkin::stylePage(this);
    const double y = Controls::fields(this,
                                      {{"registerLoginName", "用户名[英文加数字]：", &m_loginName},
                                       {"registerPassword", "密  码[英文加数字]：", &m_password, true},
                                       {"registerRepeat", "密  码[重复填写]：", &m_repeat, true},
                                       {"registerNickname", "昵  称：[姓名]", &m_nickname},
                                       {"registerCompany", "公司名称：", &m_company},
                                       {"registerTelephone", "手机号码或电话：", &m_telephone},
                                       {"registerAddress", "联系地址或公司地址：", &m_address}},
                                      {4, 7, 14, 86, 145});
    auto* submit = Controls::button(this, QStringLiteral("registerSubmitButton"), QStringLiteral("点击注册"),
                                    {180, y + 3, 57, 15});
    Controls::label(this, QStringLiteral("registerHint"), QStringLiteral("提示:注册后可登陆程序。"),
                    {4, y + 6, 170, 10});
    connect(submit, &QPushButton::clicked, this, &CRegisterDlg::registerAccount);
}

void CRegisterDlg::registerAccount()
{
    AccountValidation::CreationFields fields{m_loginName->text(), m_password->text(), m_repeat->text(),
                                             m_nickname->text(),  m_company->text(),  m_telephone->text(),
                                             m_address->text()};
    AccountProcedures::registerAccount(m_gateway, fields, Dialogs::tellOver(this));
}
