#include "admin/RegisterDlg.h"

#include "admin/AccountProcedures.h"
#include "admin/PageTools.h"
#include "db/AccountStatements.h"
#include "skin/WindowSkin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CRegisterDlg::CRegisterDlg(DbGateway& gateway, QWidget* parent) : QWidget(parent), m_gateway(gateway)
{
    setObjectName(QStringLiteral("registerPage"));
    WindowSkin::stylePage(this);
    struct Row
    {
        const char* name;
        const char* label;
        bool masked;
        QLineEdit** edit;
    };
    const Row rows[] = {{"registerLoginName", "用户名[英文加数字]：", false, &m_loginName},
                        {"registerPassword", "密  码[英文加数字]：", true, &m_password},
                        {"registerRepeat", "密  码[重复填写]：", true, &m_repeat},
                        {"registerNickname", "昵  称：[姓名]", false, &m_nickname},
                        {"registerCompany", "公司名称：", false, &m_company},
                        {"registerTelephone", "手机号码或电话：", false, &m_telephone},
                        {"registerAddress", "联系地址或公司地址：", false, &m_address}};
    double y = 7;
    for (const Row& row : rows) {
        const QString name = QString::fromLatin1(row.name);
        PageTools::label(this, name + QStringLiteral("Label"), QString::fromUtf8(row.label), 4, y + 1, 86,
                         10);
        *row.edit = PageTools::edit(this, name, 92, y, 145, 12, row.masked);
        y += 14;
    }
    auto* submit = PageTools::button(this, QStringLiteral("registerSubmitButton"), QStringLiteral("点击注册"),
                                     180, y + 3, 57, 15);
    PageTools::label(this, QStringLiteral("registerHint"), QStringLiteral("提示:注册后可登陆程序。"), 4,
                     y + 6, 170, 10);
    connect(submit, &QPushButton::clicked, this, &CRegisterDlg::registerAccount);
}

void CRegisterDlg::registerAccount()
{
    AccountValidation::CreationFields fields{m_loginName->text(), m_password->text(), m_repeat->text(),
                                             m_nickname->text(),  m_company->text(),  m_telephone->text(),
                                             m_address->text()};
    AccountProcedures::registerAccount(m_gateway, fields, PageTools::tellOver(this));
}
